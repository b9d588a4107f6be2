#include "canvas/canvas.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <cstring>

#include "canvas/arith.h"
#include "platform/memory.h"

void ToColor64(float r, float g, float b, BMM_Color_64& out) {
  out.r = static_cast<std::uint16_t>(zarn::TruncToInt32(r * 65535.0f));
  out.g = static_cast<std::uint16_t>(zarn::TruncToInt32(g * 65535.0f));
  out.b = static_cast<std::uint16_t>(zarn::TruncToInt32(b * 65535.0f));
  out.a = 65535;
}

namespace {
LOGFONTA DefaultFont() {
  LOGFONTA f;
  std::memset(&f, 0, sizeof(f));
  f.lfHeight = 28;
  f.lfWeight = FW_NORMAL;
  f.lfCharSet = HANGEUL_CHARSET;
  f.lfOutPrecision = OUT_STROKE_PRECIS;
  f.lfClipPrecision = CLIP_STROKE_PRECIS;
  f.lfQuality = 1;
  f.lfPitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
  std::memcpy(f.lfFaceName, "Arial", 6);
  return f;
}
}  // namespace

Canvas::Canvas(HWND window_, ImageFilterInfo* filterInfo_, Bitmap* bitmap_)
    : window(window_),
      filterInfo(filterInfo_),
      bitmap(bitmap_),
      pixels(nullptr),
      drawColor{65535, 65535, 65535, 65535},
      secondColor{0, 0, 0, 0},
      channel1(nullptr),
      channel4(nullptr),
      channel2(nullptr),
      channelMask(0),
      penPos(0.0f, 0.0f),
      // A null bitmap is taken as one without storage: an empty canvas.
      width(bitmap_ ? bitmap_->Width() : 0),
      height(bitmap_ ? bitmap_->Height() : 0),
      arcSegments(50),
      font(DefaultFont()) {
  LoadPixels();
}

Canvas::~Canvas() { std::free(pixels); }

BMM_Color_64* Canvas::ReadBitmap() {
  if (!bitmap) return nullptr;
  const int w = bitmap->Width();
  const int h = bitmap->Height();
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  if (n > SIZE_MAX / sizeof(BMM_Color_64)) return nullptr;
  // One element even for an empty bitmap, so null always means "no memory".
  // Held until filled, so a host fetch that throws does not leak it.
  std::unique_ptr<BMM_Color_64, decltype(&std::free)> buffer(
      static_cast<BMM_Color_64*>(platform::Allocate((n ? n : 1) * sizeof(BMM_Color_64))), &std::free);
  if (!buffer) return nullptr;
  // Rows start out zero; only a row the bitmap does not fill needs clearing,
  // which spares a whole pass over the frame.
  for (int y = 0; y < h; ++y) {
    BMM_Color_64* row = buffer.get() + static_cast<std::size_t>(y) * w;
    if (!bitmap->FetchRow(0, y, w, row)) std::memset(row, 0, sizeof(BMM_Color_64) * w);
  }
  if (n == 0) buffer.get()[0] = BMM_Color_64{0, 0, 0, 0};
  return buffer.release();
}

void Canvas::LoadPixels() {
  pixels = ReadBitmap();
  if (!pixels) DropPixels();
}

void Canvas::DropPixels() {
  std::free(pixels);
  pixels = nullptr;
  width = 0;
  height = 0;
}

void Canvas::Store() {
  if (!pixels) return;
  const int w = bitmap->Width();
  const int h = bitmap->Height();
  // The bitmap keeps its size for the canvas's life; never read past ours.
  if (w != width || h != height) return;
  for (int y = 0; y < h; ++y) {
    bitmap->PutPixels(0, y, w, pixels + static_cast<std::size_t>(y) * w);
  }
}

int Canvas::RequestChannel(int typeBit) {
  channelMask |= static_cast<std::uint32_t>(typeBit);
  if (!bitmap) return 0;
  std::uint32_t type = 0;
  switch (typeBit) {
    case BMM_CHAN_FLOAT:
      channel1 = static_cast<float*>(bitmap->FetchChannel(BMM_CHAN_FLOAT, type));
      return channel1 ? 1 : 0;
    case BMM_CHAN_BYTE:
      channel2 = static_cast<std::uint8_t*>(bitmap->FetchChannel(BMM_CHAN_BYTE, type));
      return channel2 ? 1 : 0;
    case BMM_CHAN_U16:
      channel4 = static_cast<std::uint16_t*>(bitmap->FetchChannel(BMM_CHAN_U16, type));
      return channel4 ? 1 : 0;
    default:
      return 0;
  }
}

void Canvas::SetFontFace(int fontHeight, const char* face) {
  font.lfHeight = fontHeight;
  std::memset(font.lfFaceName, 0, sizeof(font.lfFaceName));
  if (!face) return;
  const std::size_t n = strnlen(face, sizeof(font.lfFaceName) - 1);
  std::memcpy(font.lfFaceName, face, n);
}

int Canvas::ProgressPercent() const {
  if (!filterInfo) return 0;
  const FrameRange& span = filterInfo->spanRange;
  const FrameRange& cursor = filterInfo->cursorRange;
  if (span.Count() == 0) return 0;
  long long n = static_cast<long long>(span.Count()) - 1;
  if (n <= 1) n = 1;
  // 64-bit so extreme frame numbers cannot overflow; the answer is clamped.
  const long long percent =
      (static_cast<long long>(cursor.Current()) - span.First()) * 100 / n;
  return static_cast<int>(std::clamp<long long>(percent, INT32_MIN, INT32_MAX));
}

int AddComboString(Canvas& canvas, const CStr& text) {
  if (!canvas.window) return 0;
  SendMessageA(canvas.window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.data()));
  return 1;
}

SourceCanvas::SourceCanvas(HWND window_, ImageFilterInfo* filterInfo_, Bitmap* bitmap_)
    : Canvas(window_, filterInfo_, bitmap_), sourcePixels(nullptr), aborted(0) {
  if (!pixels) return;
  sourcePixels = ReadBitmap();
  if (!sourcePixels) DropPixels();
}

SourceCanvas::~SourceCanvas() { std::free(sourcePixels); }

bool SourceCanvas::QueryAbort(int y) {
  if (window) {
    SendMessageA(window, CANVAS_PROGRESS, static_cast<WPARAM>(y), static_cast<LPARAM>(height - 1));
    SendMessageA(window, CANVAS_QUERY_ABORT, 0, reinterpret_cast<LPARAM>(&aborted));
  }
  return aborted != 0;
}

TurtleCanvas::TurtleCanvas(HWND window_, ImageFilterInfo* filterInfo_, Bitmap* bitmap_)
    : Canvas(window_, filterInfo_, bitmap_), heading(0.0f) {}

TreeCanvas::TreeCanvas(HWND window_, ImageFilterInfo* filterInfo_, Bitmap* bitmap_)
    : TurtleCanvas(window_, filterInfo_, bitmap_),
      spreadScale(1.2f),
      lengthScale(0.4f),
      branchCount(3) {}
