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

  // ---- Block transfer and reduction --------------------------------------
  //
  // Blocks are caller arrays of w * h colours with row stride w. CopyBlock
  // and PasteBlock clip at every edge: only canvas pixels are read or
  // written, and entries of dst for pixels off the canvas stay as they were.
  // Cell means sum r, g, b over the cell's pixels on the canvas and divide by
  // the full cell area (truncating); alpha becomes 65535.
  //
  //   Reduce(x, y, 0.5, 0.5) on 4 x 4:   A A B B        a b . .
  //   (a = mean of the A block, . =      A A B B   ->   c d . .
  //    secondColor)                      C C D D        . . . .
  //                                      C C D D        . . . .

  // Every pixel becomes secondColor.
  void Clear();
  // The canvas's w x h block at (x, y) into dst; always 1.
  int CopyBlock(int x, int y, int w, int h, BMM_Color_64* dst);
  // The w x h block src onto the canvas at (x, y).
  void PasteBlock(int x, int y, int w, int h, const BMM_Color_64* src);
  // Mean of cell (col, row) of a grid of cellWidth x cellHeight cells; out is
  // left alone for a cell size below 1.
  void CellAverage(int col, int row, int cellWidth, int cellHeight, BMM_Color_64* out) const;
  // The cols x rows grid of cell means, cells width / cols by height / rows
  // (truncated); release with std::free. Null when cols or rows is below 1,
  // when a cell would be empty (cols > width or rows > height) or when memory
  // is short.
  BMM_Color_64* CellAverages(int cols, int rows) const;
  // The picture shrunk to trunc(width * fx) x trunc(height * fy) cell means,
  // placed at (x, y) on a cleared canvas. Factors must lie in (0, 1]; others
  // leave the canvas unchanged, as does a grid that cannot be allocated. A
  // factor that shrinks a side to nothing clears the canvas.
  void Reduce(int x, int y, float fx, float fy);
  // Reduce with the shrunk picture centred.
  void ReduceCentered(float fx, float fy);
  // Draws the library's bitmap resource with its top-left corner at penPos,
  // 8-bit channels widened by a shift of 8. 1 when drawn, 0 when the
  // resource could not be loaded (always 0 outside the Windows build).
  int DrawBitmapResource(int resourceId);

  // ---- Warp and geometric transforms -------------------------------------
  //
  // Warp maps the picture held by the host bitmap forward onto the canvas
  // cleared to secondColor: source pixel (x, y) lands at the bilinear blend
  // of the corner images P0..P3 of Q0 = (0, 0), Q1 = (W, H), Q2 = (0, H),
  // Q3 = (W, 0), and is splatted over the 2 x 2 pixels around it, each
  // averaging with what is there. Positions that are not finite or lie off
  // the canvas are dropped. The transforms keep an anchor point fixed:
  //
  //   anchor   Scale      Rotate     TiltVertical  TiltHorizontal
  //     0      (W/2,H/2)  (W/2,H/2)  (W/2,H/2)     (W/2,H/2)
  //     1      (W,0)      (W,0)      (W/2,0)       (W,H/2)
  //    -1      (0,H)      (0,H)      (W/2,H)       (0,H/2)
  //     2      (0,0)      -          -             -
  //
  // Any other code leaves the canvas unchanged. Angles are in degrees; a
  // positive rotation turns the picture counter-clockwise on the screen.

  // Pixel (x, y) becomes colour when it is on the canvas.
  void PutPixel(int x, int y, BMM_Color_64 colour);
  // colour's r, g, b times weight; averaged with an opaque pixel already
  // there (the result then opaque), then put.
  void BlendPixel(int x, int y, BMM_Color_64 colour, float weight);
  // BlendPixel at (cx-1, cy-1), (cx-1, cy), (cx, cy-1), (cx, cy), with
  // cx = ceil(x) and cy = ceil(y).
  void Splat(float x, float y, BMM_Color_64 colour);
  // Clears the canvas and maps the bitmap's picture onto corners P0..P3. A
  // row the bitmap cannot give is taken as transparent black.
  void Warp(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);
  void ScaleImage(int anchor, float sx, float sy);
  void RotateImage(int anchor, float degrees);
  // Tilts about a horizontal axis: the height becomes H * cos(degrees) and
  // the edge away from the anchor narrows by 1 - 2 * k * sin(degrees).
  void TiltVertical(int anchor, float degrees, float k);
  // As TiltVertical with the axes exchanged.
  void TiltHorizontal(int anchor, float degrees, float k);
  // The picture shrunk by fx, fy (each at least 1, not both 1) and repeated
  // from a corner: mode 0 top-left, 1 bottom-right, 2 bottom-left,
  // 3 top-right; partial tiles at the far sides are clipped. Other modes
  // leave the shrunk picture alone in the top-left corner.
  void TileImage(int mode, float fx, float fy);

  // ---- Saturation and mosaic ---------------------------------------------
  //
  // id selects the pixels written: -1 every pixel, any other value those
  // whose ReadIdChannel equals it. grey = (30 r + 59 g + 11 b) / 100.

  // Each channel becomes grey + (c - grey) * percent / 100 (truncating),
  // clamped to 0..65535: 0 gives grey, 100 the original. Alpha is kept.
  void AdjustSaturation(int percent, int id);
  // Each cellWidth x cellHeight cell (cut at the edges) becomes the mean of
  // its pixels of non-zero alpha, opaque. Cells without such a pixel, sizes
  // below 1 and 1 x 1 cells are left unchanged.
  void Mosaic(int cellWidth, int cellHeight, int id);

  // ---- Mandelbrot ----------------------------------------------------------
  //
  // Plane point (x0, y0) is sampled at pixel (0, 0) and (x1, y1) at
  // (cols - 1, rows - 1); a point whose orbit leaves |z| <= 2 after k steps
  // gets grey floor((1 - k / maxIterations) * 65535), the set itself black.
  // All arithmetic is in 32-bit floats.

  // Steps of z -> z * z + c, from z = c, until |z| > 2: 1 when c is already
  // outside, maxIterations + 1 when the orbit stays inside.
  int EscapeCount(float cx, float cy, int maxIterations) const;
  // Draws nothing for cols or rows below 2 or maxIterations below 1.
  void RenderMandelbrot(float x0, float y0, float x1, float y1, int maxIterations, int cols,
                        int rows);
  // PlotColor with (v, v, v, 65535), v's low 16 bits.
  void PlotGrey(float x, float y, int v);

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
