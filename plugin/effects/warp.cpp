#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "canvas/arith.h"
#include "canvas/canvas.h"
#include "platform/memory.h"

namespace {

enum class Transform { Scale, Rotate, TiltVertical, TiltHorizontal };

// The fixed point of a transform for an anchor code; false for a code the
// transform has no row for.
bool AnchorPoint(Transform op, int anchor, float w, float h, Point2& a) {
  const float hw = w / 2.0f;
  const float hh = h / 2.0f;
  switch (anchor) {
    case 0:
      a = Point2(hw, hh);
      return true;
    case 1:
      if (op == Transform::TiltVertical) a = Point2(hw, 0.0f);
      else if (op == Transform::TiltHorizontal) a = Point2(w, hh);
      else a = Point2(w, 0.0f);
      return true;
    case -1:
      if (op == Transform::TiltVertical) a = Point2(hw, h);
      else if (op == Transform::TiltHorizontal) a = Point2(0.0f, hh);
      else a = Point2(0.0f, h);
      return true;
    case 2:
      if (op != Transform::Scale) return false;
      a = Point2(0.0f, 0.0f);
      return true;
    default:
      return false;
  }
}

// A ceil whose 2 x 2 splat can touch a column (row) of an n-wide canvas lies
// in [0, n]; anything else, NaN included, touches nothing and is dropped
// before it becomes an integer.
bool SplatOrigin(float v, int n, int& out) {
  const double c = std::ceil(static_cast<double>(v));
  if (!(c >= 0.0 && c <= static_cast<double>(n))) return false;
  out = static_cast<int>(c);
  return true;
}

}  // namespace

void Canvas::PutPixel(int x, int y, BMM_Color_64 colour) {
  if (x < 0 || x >= width || y < 0 || y >= height) return;
  pixels[static_cast<std::size_t>(y) * width + x] = colour;
}

void Canvas::BlendPixel(int x, int y, BMM_Color_64 colour, float weight) {
  BMM_Color_64 c = colour;
  c.r = static_cast<std::uint16_t>(zarn::TruncToInt32(static_cast<float>(colour.r) * weight));
  c.g = static_cast<std::uint16_t>(zarn::TruncToInt32(static_cast<float>(colour.g) * weight));
  c.b = static_cast<std::uint16_t>(zarn::TruncToInt32(static_cast<float>(colour.b) * weight));
  BMM_Color_64 o;
  if (ReadPixel(static_cast<float>(x), static_cast<float>(y), o)) {
    c.r = static_cast<std::uint16_t>((o.r + c.r) / 2);
    c.g = static_cast<std::uint16_t>((o.g + c.g) / 2);
    c.b = static_cast<std::uint16_t>((o.b + c.b) / 2);
    c.a = 65535;
  }
  PutPixel(x, y, c);
}

void Canvas::Splat(float x, float y, BMM_Color_64 colour) {
  int cx, cy;
  if (!SplatOrigin(x, width, cx) || !SplatOrigin(y, height, cy)) return;
  // BlendPixel at weight 1.0 (which leaves the colour as it is), in the
  // same order, without its float round trips: the warp's inner loop. The
  // halved sums are formed in all four 16-bit lanes of one word at once,
  // (a & b) + ((a ^ b) >> 1) being floor((a + b) / 2), and chosen without a
  // branch, since which pixels are covered already is unpredictable.
  static_assert(std::endian::native == std::endian::little, "alpha is the word's top lane");
  constexpr std::uint64_t kLow15 = 0x7FFF7FFF7FFF7FFFull;
  constexpr std::uint64_t kAlpha = 0xFFFF000000000000ull;
  std::uint64_t c;
  std::memcpy(&c, &colour, sizeof(c));
  const int xs[4] = {cx - 1, cx - 1, cx, cx};
  const int ys[4] = {cy - 1, cy, cy - 1, cy};
  for (int k = 0; k < 4; ++k) {
    if (xs[k] < 0 || xs[k] >= width || ys[k] < 0 || ys[k] >= height) continue;
    BMM_Color_64* target = pixels + static_cast<std::size_t>(ys[k]) * width + xs[k];
    std::uint64_t o;
    std::memcpy(&o, target, sizeof(o));
    const std::uint64_t half = ((o & c) + (((o ^ c) >> 1) & kLow15)) | kAlpha;
    const std::uint64_t covered = 0 - static_cast<std::uint64_t>((o & kAlpha) != 0);
    const std::uint64_t result = (half & covered) | (c & ~covered);
    std::memcpy(target, &result, sizeof(result));
  }
}

void Canvas::Warp(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
  TryWarp(x0, y0, x1, y1, x2, y2, x3, y3);
}

bool Canvas::TryWarp(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
  if (!pixels) return true;
  const bool empty = width < 1 || height < 1;
  // One host fetch per row; the per-pixel reads the warp is defined by take
  // the same values from this buffer. Had before the canvas is cleared, so a
  // shortage of memory leaves the picture as it was, not blank.
  BMM_Color_64* row = nullptr;
  if (!empty) {
    row = static_cast<BMM_Color_64*>(platform::Allocate(static_cast<std::size_t>(width) * sizeof(BMM_Color_64)));
    if (!row) return false;
  }
  Clear();
  if (empty) return true;
  const float W = static_cast<float>(width);
  const float H = static_cast<float>(height);
  const float area = static_cast<float>(static_cast<std::int64_t>(width) * height);
  const float ax = (x2 - x0) / H;
  const float ay = (y2 - y0) / H;
  const float bx = (x3 - x0) / W;
  const float by = (y3 - y0) / W;
  const float cx = (((x1 + x0) - x2) - x3) / area;
  const float cy = (((y1 + y0) - y2) - y3) / area;

  int yi = 0;
  for (float y = 0.0f; y < H; y += 1.0f, ++yi) {
    if (!bitmap->FetchRow(0, yi, width, row)) {
      // A row the host cannot give is transparent black.
      std::memset(row, 0, static_cast<std::size_t>(width) * sizeof(BMM_Color_64));
    } else {
      for (int i = 0; i < width; ++i) row[i].a = 65535;
    }
    int xi = 0;
    for (float x = 0.0f; x < W; x += 1.0f, ++xi) {
      const float X = (y * x) * cx + x * bx + y * ax + x0;
      const float Y = (y * x) * cy + y * ay + x * by + y0;
      Splat(X, Y, row[xi]);
    }
  }
  std::free(row);
  return true;
}

namespace {
// Warps the picture with its corners, in the order Warp takes them, sent to
// move(d, a): d is the corner less the anchor a.
// move(d, a): d is the corner less the anchor a. False when memory was short
// and the picture is untouched.
template <typename Move>
bool WarpCorners(Canvas& canvas, Transform op, int anchor, Move move) {
  const float W = static_cast<float>(canvas.width);
  const float H = static_cast<float>(canvas.height);
  Point2 a(0.0f, 0.0f);
  if (!AnchorPoint(op, anchor, W, H, a)) return true;
  const Point2 q[4] = {{0.0f, 0.0f}, {W, H}, {0.0f, H}, {W, 0.0f}};
  Point2 p[4];
  for (int i = 0; i < 4; ++i) p[i] = move(q[i].x - a.x, q[i].y - a.y, a);
  return canvas.TryWarp(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y, p[3].x, p[3].y);
}

bool Scale(Canvas& canvas, int anchor, float sx, float sy) {
  return WarpCorners(canvas, Transform::Scale, anchor,
                     [&](float dx, float dy, Point2 a) { return Point2(dx * sx + a.x, dy * sy + a.y); });
}
}  // namespace

void Canvas::ScaleImage(int anchor, float sx, float sy) { Scale(*this, anchor, sx, sy); }

void Canvas::RotateImage(int anchor, float degrees) {
  const float t = zarn::DegToRad(-degrees);
  const double c = std::cos(static_cast<double>(t));
  const double s = std::sin(static_cast<double>(t));
  WarpCorners(*this, Transform::Rotate, anchor, [&](float dx, float dy, Point2 a) {
    // The turn is one double expression, rounded once before the anchor
    // goes back on.
    return Point2(static_cast<float>(c * dx - s * dy) + a.x, static_cast<float>(s * dx + c * dy) + a.y);
  });
}

void Canvas::TiltVertical(int anchor, float degrees, float k) {
  const float H = static_cast<float>(height);
  if (anchor == 0) k = k / 2.0f;
  const float t = zarn::DegToRad(degrees);
  const float s = static_cast<float>(std::sin(static_cast<double>(t)));
  const float c = static_cast<float>(std::cos(static_cast<double>(t)));
  WarpCorners(*this, Transform::TiltVertical, anchor, [&](float dx, float dy, Point2 a) {
    return Point2(dx - ((s * dy * 2.0f) / H) * dx * k + a.x, c * dy + a.y);
  });
}

void Canvas::TiltHorizontal(int anchor, float degrees, float k) {
  const float W = static_cast<float>(width);
  if (anchor == 0) k = k / 2.0f;
  const float t = zarn::DegToRad(degrees);
  const float s = static_cast<float>(std::sin(static_cast<double>(t)));
  const float c = static_cast<float>(std::cos(static_cast<double>(t)));
  WarpCorners(*this, Transform::TiltHorizontal, anchor, [&](float dx, float dy, Point2 a) {
    return Point2(c * dx + a.x, dy - ((s * dx * 2.0f) / W) * dy * k + a.y);
  });
}

void Canvas::TileImage(int mode, float fx, float fy) {
  // NaN fails these tests too.
  if (!(fx >= 1.0f) || !(fy >= 1.0f)) return;
  if (fx == 1.0f && fy == 1.0f) return;
  const float W = static_cast<float>(width);
  const float H = static_cast<float>(height);
  const int tw = zarn::TruncToInt32(W / fx);
  const int th = zarn::TruncToInt32(H / fy);
  // The tile's memory comes first: short of it, or of the warp's, the
  // picture is left as it was rather than shrunk and not tiled.
  BMM_Color_64* tile = nullptr;
  if (tw >= 1 && th >= 1) {
    tile = static_cast<BMM_Color_64*>(platform::AllocateZeroed(
        static_cast<std::size_t>(tw) * static_cast<std::size_t>(th), sizeof(BMM_Color_64)));
    if (!tile) return;
  }
  if (!Scale(*this, 2, 1.0f / fx, 1.0f / fy)) {
    std::free(tile);
    return;
  }
  // An empty tile pastes nothing; stopping here also bounds the tile counts
  // below by the canvas size (fx <= W, fy <= H).
  if (!tile) return;
  CopyBlock(0, 0, tw, th, tile);
  const double nx = std::ceil(static_cast<double>(fx));
  const double ny = std::ceil(static_cast<double>(fy));
  switch (mode) {
    case 0:
      for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j) PasteBlock(i * tw, j * th, tw, th, tile);
      break;
    case 1:
      for (int i = 1; i < nx + 1; ++i)
        for (int j = 1; j < ny + 1; ++j) PasteBlock(width - i * tw, height - j * th, tw, th, tile);
      break;
    case 2:
      for (int i = 0; i < nx; ++i)
        for (int j = 1; j < ny + 1; ++j) PasteBlock(i * tw, height - j * th, tw, th, tile);
      break;
    case 3:
      for (int i = 1; i < nx + 1; ++i)
        for (int j = 0; j < ny; ++j) PasteBlock(width - i * tw, j * th, tw, th, tile);
      break;
    default:
      break;
  }
  std::free(tile);
}
