#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "canvas/arith.h"
#include "canvas/canvas.h"
#include "platform/memory.h"

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

// Exact floor(n / d) for n below 2^53 without a hardware division: the
// product with the reciprocal is off by at most one, and integer checks put
// it right. Small cells give one division per few pixels, where a divide
// instruction would cost more than the sums.
struct Divider {
  explicit Divider(std::uint64_t divisor)
      : d(divisor), inverse(1.0 / static_cast<double>(divisor)) {}
  std::uint64_t operator()(std::uint64_t n) const {
    auto q = static_cast<std::uint64_t>(static_cast<double>(n) * inverse);
    if (q * d > n) --q;
    else if ((q + 1) * d <= n) ++q;
    return q;
  }
  std::uint64_t d;
  double inverse;
};

#if defined(__SSE2__)
// The two pixels of a 128-bit load, widened to 32-bit lanes and added.
inline __m128i Widen(__m128i v, __m128i zero) {
  return _mm_add_epi32(_mm_unpacklo_epi16(v, zero), _mm_unpackhi_epi16(v, zero));
}
#endif

// Adds n pixels of row p, and of row q unless it is null, into lane sums
// s[0..3] (r, g, b, a) of 32 bits each; the caller keeps the sums below
// 2^32. Two rows a call halve the work spent per cell.
inline void AddPixels32(const BMM_Color_64* p, const BMM_Color_64* q, int n, std::uint32_t* s) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  __m128i acc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
  int j = 0;
  if (q) {
    for (; j + 1 < n; j += 2) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + j));
      acc = _mm_add_epi32(acc, _mm_add_epi32(Widen(a, zero), Widen(b, zero)));
    }
    if (j < n) {
      const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + j));
      const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + j));
      acc = _mm_add_epi32(acc, _mm_add_epi32(_mm_unpacklo_epi16(a, zero), _mm_unpacklo_epi16(b, zero)));
    }
  } else {
    for (; j + 1 < n; j += 2) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
      acc = _mm_add_epi32(acc, Widen(a, zero));
    }
    if (j < n) {
      const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + j));
      acc = _mm_add_epi32(acc, _mm_unpacklo_epi16(a, zero));
    }
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(s), acc);
#else
  for (const BMM_Color_64* row : {p, q}) {
    if (!row) continue;
    for (int j = 0; j < n; ++j) {
      s[0] += row[j].r;
      s[1] += row[j].g;
      s[2] += row[j].b;
      s[3] += row[j].a;
    }
  }
#endif
}

inline void AddPixels64(const BMM_Color_64* p, int n, std::uint64_t* s) {
  std::uint64_t r = 0, g = 0, b = 0;
  for (int j = 0; j < n; ++j) {
    r += p[j].r;
    g += p[j].g;
    b += p[j].b;
  }
  s[0] += r;
  s[1] += g;
  s[2] += b;
}

// n pixels of secondColor, copied from a row already filled with it: block
// copies beat a store per pixel.
inline void FillFrom(BMM_Color_64* dst, std::int64_t n, const BMM_Color_64* filled) {
  if (n > 0) std::memcpy(dst, filled, static_cast<std::size_t>(n) * sizeof(BMM_Color_64));
}

}  // namespace

void Canvas::Clear() {
  if (!pixels || width < 1 || height < 1) return;
  std::fill_n(pixels, width, secondColor);
  for (std::int64_t r = 1; r < height; ++r) FillFrom(pixels + r * width, width, pixels);
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
  const std::uint64_t area = static_cast<std::uint64_t>(cellWidth) * cellHeight;
  // Up to 65537 pixels a cell, a channel's sum fits 32 bits.
  const bool narrow = area <= 65537;
  const std::size_t sumBytes =
      static_cast<std::size_t>(cols) * 4 * (narrow ? sizeof(std::uint32_t) : sizeof(std::uint64_t));
  auto* grid = static_cast<BMM_Color_64*>(platform::Allocate(static_cast<std::size_t>(count) *
                                                      sizeof(BMM_Color_64)));
  void* sums = platform::Allocate(sumBytes);
  if (!grid || !sums) {
    std::free(grid);
    std::free(sums);
    return nullptr;
  }
  // The same sums as CellAverage cell by cell, gathered a whole grid row at
  // a time so that every canvas row is read once, front to back.
  const Divider divide(area);
  auto* sums32 = static_cast<std::uint32_t*>(sums);
  auto* sums64 = static_cast<std::uint64_t*>(sums);
  for (int row = 0; row < rows; ++row) {
    std::memset(sums, 0, sumBytes);
    const std::int64_t top = static_cast<std::int64_t>(cellHeight) * row;
    for (int i = 0; i < cellHeight; i += narrow ? 2 : 1) {
      const BMM_Color_64* p = pixels + (top + i) * width;
      if (narrow) {
        const BMM_Color_64* q = i + 1 < cellHeight ? p + width : nullptr;
        for (int col = 0; col < cols; ++col, p += cellWidth) {
          AddPixels32(p, q, cellWidth, sums32 + 4 * col);
          if (q) q += cellWidth;
        }
      } else {
        for (int col = 0; col < cols; ++col, p += cellWidth)
          AddPixels64(p, cellWidth, sums64 + 4 * col);
      }
    }
    BMM_Color_64* out = grid + static_cast<std::size_t>(row) * cols;
    for (int col = 0; col < cols; ++col) {
      const std::size_t k = 4 * static_cast<std::size_t>(col);
      const auto mean = [&](std::size_t lane) {
        return static_cast<std::uint16_t>(divide(narrow ? sums32[k + lane] : sums64[k + lane]));
      };
      out[col] = BMM_Color_64{mean(0), mean(1), mean(2), 65535};
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
  // Clear then paste, with the clearing kept off the pixels the paste
  // covers: each pixel is written once, the background runs copied from one
  // cleared row.
  const BlockClip c = ClipBlock(x, y, cols, rows, width, height);
  auto* back = static_cast<BMM_Color_64*>(platform::Allocate(static_cast<std::size_t>(width) *
                                                      sizeof(BMM_Color_64)));
  if (!back) {
    std::free(grid);
    return;
  }
  std::fill_n(back, width, secondColor);
  for (std::int64_t r = 0; r < height; ++r) {
    BMM_Color_64* line = pixels + r * width;
    const std::int64_t i = r - y;
    if (c.Empty() || i < c.i0 || i >= c.i1) {
      FillFrom(line, width, back);
      continue;
    }
    FillFrom(line, c.x0, back);
    std::memcpy(line + c.x0, grid + cols * i + c.skip,
                static_cast<std::size_t>(c.n) * sizeof(BMM_Color_64));
    FillFrom(line + c.x0 + c.n, width - c.x0 - c.n, back);
  }
  std::free(back);
  std::free(grid);
}

void Canvas::ReduceCentered(float fx, float fy) {
  if (!ValidFactor(fx) || !ValidFactor(fy)) return;
  const int x = (width - zarn::TruncToInt32(static_cast<float>(width) * fx)) / 2;
  const int y = (height - zarn::TruncToInt32(static_cast<float>(height) * fy)) / 2;
  Reduce(x, y, fx, fy);
}
