// The toolkit's working image: a private, contiguous buffer of 64-bit
// colours read from a host bitmap, with a drawing state and access to the
// bitmap's extra per-pixel channels.
//
// Shared rules for every operation declared here:
// - Pixel (x, y) is element y * width + x of `pixels`; x is the column, y the
//   row, row 0 is the bitmap's row 0 and is shown at the top.
// - Float coordinates are inside when 0 <= x < width and 0 <= y < height
//   (NaN is outside) and are truncated toward zero; anything outside is
//   dropped without a report.
// - A canvas whose buffers could not be allocated is empty (width and height
//   0, `pixels` null): no operation writes anything and Store writes nothing.
// - Operations take any argument values without crashing, hanging or writing
//   outside the canvas's arrays.
#pragma once
#include <cstddef>
#include <cstdint>

#include "hostsdk/bitmap.h"
#include "hostsdk/filter.h"
#include "hostsdk/geometry.h"
#include "hostsdk/strings.h"
#include "platform/win.h"

// Three colour components in 0..1, passed as one 12-byte value.
struct RGBColor {
  float r;
  float g;
  float b;
};
static_assert(sizeof(RGBColor) == 12);

// r, g, b times 65535, truncated, low 16 bits kept (no clamping); alpha 65535.
void ToColor64(float r, float g, float b, BMM_Color_64& out);

class Canvas {
 public:
  Canvas(HWND window, ImageFilterInfo* filterInfo, Bitmap* bitmap);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // ---- Core -------------------------------------------------------------

  // Writes every row of `pixels` back into the bitmap, row 0 first.
  virtual void Store();

  // False when the canvas could not get its buffers and is empty.
  bool HasPixels() const { return pixels != nullptr; }

  // A new zero-filled copy of the bitmap at its current size, owned by the
  // caller (release with std::free); null when memory is short.
  BMM_Color_64* ReadBitmap();
  void LoadPixels();

  // ORs typeBit into channelMask; for 1, 2 and 4 fetches that channel's
  // pointer and answers 1 when there is one. Other values answer 0.
  int RequestChannel(int typeBit);

  void SetDrawColor(BMM_Color_64 color) { drawColor = color; }
  void SetSecondColor(BMM_Color_64 color) { secondColor = color; }
  void SetDrawColorRGB(RGBColor color) { ToColor64(color.r, color.g, color.b, drawColor); }
  void SetFont(LOGFONTA record) { font = record; }
  // Face names longer than 31 characters are cut to 31.
  void SetFontFace(int height, const char* face);

  // How far the current frame is through the host's frame span, in percent;
  // 0 without filter information or for an empty span.
  int ProgressPercent() const;

  // ---- Mirror operations --------------------------------------------------

  // Pixel (x, y) takes the value of pixel (width - 1 - x, y).
  void MirrorHorizontal();
  // Pixel (x, y) takes the value of pixel (x, height - 1 - y).
  void MirrorVertical();
  // Column x to and from a buffer of `height` colours; x is not checked.
  void ReadColumn(int x, BMM_Color_64* buffer) const;
  void WriteColumn(int x, const BMM_Color_64* buffer);

  // ---- Pixel access -------------------------------------------------------

  bool Contains(float x, float y) const {
    return x >= 0.0f && static_cast<float>(width) > x && y >= 0.0f &&
           static_cast<float>(height) > y;
  }
  // Element of an inside float point.
  std::size_t IndexOf(float x, float y) const {
    return static_cast<std::size_t>(static_cast<int>(y)) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(static_cast<int>(x));
  }

  void Plot(float x, float y) {
    if (Contains(x, y)) pixels[IndexOf(x, y)] = drawColor;
  }
  void PlotColor(float x, float y, BMM_Color_64 color) {
    if (Contains(x, y)) pixels[IndexOf(x, y)] = color;
  }
  // Outside: 0, out untouched. Inside: out = the pixel, 1 when its alpha is
  // non-zero.
  int ReadPixel(float x, float y, BMM_Color_64& out) const {
    return ReadPixelFrom(x, y, pixels, out);
  }
  // As ReadPixel, from a buffer laid out like `pixels`.
  int ReadPixelFrom(float x, float y, const BMM_Color_64* buffer, BMM_Color_64& out) const {
    if (!Contains(x, y)) return 0;
    out = buffer[IndexOf(x, y)];
    return out.a != 0 ? 1 : 0;
  }
  // Byte channel when bit 2 was requested, else the 16-bit channel when bit
  // 4 was; 0 outside or when that channel is missing.
  std::uint32_t ReadIdChannel(int x, int y) const;
  // The float channel at (x, y); 0.0 outside or when it is missing.
  float ReadFloatChannel(int x, int y) const;

  // ---- Fields -------------------------------------------------------------

  HWND window;
  ImageFilterInfo* filterInfo;
  Bitmap* bitmap;
  BMM_Color_64* pixels;
  BMM_Color_64 drawColor;
  BMM_Color_64 secondColor;
  float* channel1;
  std::uint16_t* channel4;
  std::uint8_t* channel2;
  std::uint32_t channelMask;
  Point2 penPos;
  std::int32_t width;
  std::int32_t height;
  std::int32_t arcSegments;
  LOGFONTA font;

 protected:
  // Empties the canvas after a failed allocation.
  void DropPixels();
};

// Sends the text to the combo box `window` of the canvas; 0 when there is no
// window.
int AddComboString(Canvas& canvas, const CStr& text);

class SourceCanvas : public Canvas {
 public:
  SourceCanvas(HWND window, ImageFilterInfo* filterInfo, Bitmap* bitmap);
  ~SourceCanvas();

  // A second read of the bitmap, never written by the operations.
  BMM_Color_64* sourcePixels;
  // Set non-zero by the host, in answer to the abort query, to stop.
  std::int32_t aborted;
};

class TurtleCanvas : public Canvas {
 public:
  TurtleCanvas(HWND window, ImageFilterInfo* filterInfo, Bitmap* bitmap);

  // Heading in degrees.
  float heading;
};

class FigureCanvas : public TurtleCanvas {
 public:
  using TurtleCanvas::TurtleCanvas;
};

class TreeCanvas : public TurtleCanvas {
 public:
  TreeCanvas(HWND window, ImageFilterInfo* filterInfo, Bitmap* bitmap);

  float spreadScale;
  float lengthScale;
  std::int32_t branchCount;
};
