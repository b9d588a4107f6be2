#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "canvas/arith.h"
#include "canvas/canvas.h"

namespace {

// The part of a w x h block at (x, y) that lies on a width x height canvas:
// block rows [i0, i1) map to canvas rows y + i, and n pixels of each row
// from block column skip to canvas column x0. Worked in 64 bits so that no
// sum of arguments can overflow.
struct BlockClip {
  std::int64_t i0 = 0, i1 = 0;
  std::int64_t skip = 0;
  std::int64_t n = 0;
  std::int64_t x0 = 0;
  bool Empty() const { return n <= 0 || i0 >= i1; }
};

BlockClip ClipBlock(int x, int y, int w, int h, int width, int height) {
  BlockClip c;
  std::int64_t n = w;
  std::int64_t bx = x;
  if (bx + w > width) n = width - bx;
  if (bx < 0) {
    n += bx;
    c.skip = -bx;
    bx = 0;
  }
  c.n = n;
  c.x0 = bx;
  c.i0 = std::max<std::int64_t>(0, -static_cast<std::int64_t>(y));
  c.i1 = std::min<std::int64_t>(h, static_cast<std::int64_t>(height) - y);
  if (w <= 0) c.n = 0;
  return c;
}

bool ValidFactor(float f) { return f > 0.0f && f <= 1.0f; }

}  // namespace

void Canvas::Clear() {
  if (!pixels) return;
  std::fill_n(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
              secondColor);
}

int Canvas::CopyBlock(int x, int y, int w, int h, BMM_Color_64* dst) {
  if (!pixels || !dst) return 1;
  const BlockClip c = ClipBlock(x, y, w, h, width, height);
  if (c.Empty()) return 1;
  for (std::int64_t i = c.i0; i < c.i1; ++i) {
    std::memcpy(dst + w * i + c.skip, pixels + (y + i) * width + c.x0,
                static_cast<std::size_t>(c.n) * sizeof(BMM_Color_64));
  }
  return 1;
}

void Canvas::PasteBlock(int x, int y, int w, int h, const BMM_Color_64* src) {
  if (!pixels || !src) return;
  const BlockClip c = ClipBlock(x, y, w, h, width, height);
  if (c.Empty()) return;
  for (std::int64_t i = c.i0; i < c.i1; ++i) {
    std::memcpy(pixels + (y + i) * width + c.x0, src + w * i + c.skip,
                static_cast<std::size_t>(c.n) * sizeof(BMM_Color_64));
  }
}

void Canvas::CellAverage(int col, int row, int cellWidth, int cellHeight,
                         BMM_Color_64* out) const {
  if (!out || cellWidth < 1 || cellHeight < 1) return;
  std::uint64_t r = 0, g = 0, b = 0;
  const std::int64_t top = static_cast<std::int64_t>(cellHeight) * row;
  const std::int64_t left = static_cast<std::int64_t>(cellWidth) * col;
  // Rows and columns off the canvas add nothing; skipping them up front
  // keeps a far-away cell from looping through its whole size.
  const std::int64_t i0 = std::max<std::int64_t>(0, -top);
  const std::int64_t i1 = std::min<std::int64_t>(cellHeight, height - top);
  const std::int64_t j0 = std::max<std::int64_t>(0, -left);
  const std::int64_t j1 = std::min<std::int64_t>(cellWidth, width - left);
  for (std::int64_t i = i0; i < i1; ++i) {
    const BMM_Color_64* p = pixels + (top + i) * width + left;
    for (std::int64_t j = j0; j < j1; ++j) {
      r += p[j].r;
      g += p[j].g;
      b += p[j].b;
    }
  }
  const std::uint64_t area = static_cast<std::uint64_t>(cellWidth) * cellHeight;
  out->r = static_cast<std::uint16_t>(r / area);
  out->g = static_cast<std::uint16_t>(g / area);
  out->b = static_cast<std::uint16_t>(b / area);
  out->a = 65535;
}

BMM_Color_64* Canvas::CellAverages(int cols, int rows) const {
  if (cols < 1 || rows < 1 || !pixels) return nullptr;
  const int cellWidth = zarn::TruncToInt32(static_cast<float>(width) / static_cast<float>(cols));
  const int cellHeight =
      zarn::TruncToInt32(static_cast<float>(height) / static_cast<float>(rows));
  if (cellWidth < 1 || cellHeight < 1) return nullptr;
  const std::uint64_t count = static_cast<std::uint64_t>(cols) * static_cast<std::uint64_t>(rows);
  if (count > SIZE_MAX / sizeof(BMM_Color_64)) return nullptr;
  auto* grid = static_cast<BMM_Color_64*>(std::malloc(static_cast<std::size_t>(count) *
                                                      sizeof(BMM_Color_64)));
  auto* sums = static_cast<std::uint64_t*>(std::malloc(static_cast<std::size_t>(cols) * 3 *
                                                       sizeof(std::uint64_t)));
  if (!grid || !sums) {
    std::free(grid);
    std::free(sums);
    return nullptr;
  }
  // The same sums as CellAverage cell by cell, gathered a whole grid row at
  // a time so that every canvas row is read once, front to back.
  const std::uint64_t area = static_cast<std::uint64_t>(cellWidth) * cellHeight;
  for (int row = 0; row < rows; ++row) {
    std::memset(sums, 0, static_cast<std::size_t>(cols) * 3 * sizeof(std::uint64_t));
    const std::int64_t top = static_cast<std::int64_t>(cellHeight) * row;
    for (int i = 0; i < cellHeight; ++i) {
      const BMM_Color_64* p = pixels + (top + i) * width;
      std::uint64_t* s = sums;
      for (int col = 0; col < cols; ++col, s += 3) {
        std::uint64_t r = 0, g = 0, b = 0;
        for (int j = 0; j < cellWidth; ++j, ++p) {
          r += p->r;
          g += p->g;
          b += p->b;
        }
        s[0] += r;
        s[1] += g;
        s[2] += b;
      }
    }
    BMM_Color_64* out = grid + static_cast<std::size_t>(row) * cols;
    for (int col = 0; col < cols; ++col) {
      out[col].r = static_cast<std::uint16_t>(sums[3 * col] / area);
      out[col].g = static_cast<std::uint16_t>(sums[3 * col + 1] / area);
      out[col].b = static_cast<std::uint16_t>(sums[3 * col + 2] / area);
      out[col].a = 65535;
    }
  }
  std::free(sums);
  return grid;
}

void Canvas::Reduce(int x, int y, float fx, float fy) {
  if (!pixels || !ValidFactor(fx) || !ValidFactor(fy)) return;
  const int cols = zarn::TruncToInt32(static_cast<float>(width) * fx);
  const int rows = zarn::TruncToInt32(static_cast<float>(height) * fy);
  if (cols < 1 || rows < 1) {
    Clear();
    return;
  }
  BMM_Color_64* grid = CellAverages(cols, rows);
  // Out of memory: keep the picture rather than leave a blank canvas.
  if (!grid) return;
  Clear();
  PasteBlock(x, y, cols, rows, grid);
  std::free(grid);
}

void Canvas::ReduceCentered(float fx, float fy) {
  if (!ValidFactor(fx) || !ValidFactor(fy)) return;
  const int x = (width - zarn::TruncToInt32(static_cast<float>(width) * fx)) / 2;
  const int y = (height - zarn::TruncToInt32(static_cast<float>(height) * fy)) / 2;
  Reduce(x, y, fx, fy);
}
