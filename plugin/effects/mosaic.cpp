#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "canvas/canvas.h"
#include "platform/memory.h"

namespace {

struct CellSum {
  std::uint64_t r, g, b, n;
};

// Adds the pixels [x, x1) of a row with non-zero alpha to s and counts them.
// A row holds at most 65535 pixels, so one row's sums fit 32-bit lanes.
inline void AddOpaque(const BMM_Color_64* p, int x, int x1, CellSum& s) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  // Alpha replaced by 1, so the fourth lane counts the pixels taken.
  const __m128i keep = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
  const __m128i one = _mm_set_epi16(1, 0, 0, 0, 1, 0, 0, 0);
  __m128i acc = zero;
  for (; x + 1 < x1; x += 2) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
    __m128i clear = _mm_cmpeq_epi16(v, zero);
    clear = _mm_shufflehi_epi16(_mm_shufflelo_epi16(clear, 0xFF), 0xFF);
    const __m128i taken = _mm_andnot_si128(clear, _mm_or_si128(_mm_and_si128(v, keep), one));
    acc = _mm_add_epi32(acc, _mm_add_epi32(_mm_unpacklo_epi16(taken, zero),
                                           _mm_unpackhi_epi16(taken, zero)));
  }
  alignas(16) std::uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
  s.r += lanes[0];
  s.g += lanes[1];
  s.b += lanes[2];
  s.n += lanes[3];
#endif
  std::uint64_t r = 0, g = 0, b = 0, n = 0;
  for (; x < x1; ++x) {
    // Branch-free: a transparent pixel adds zero.
    const std::uint64_t on = p[x].a != 0;
    r += p[x].r * on;
    g += p[x].g * on;
    b += p[x].b * on;
    n += on;
  }
  s.r += r;
  s.g += g;
  s.b += b;
  s.n += n;
}

}  // namespace

void Canvas::Mosaic(int cellWidth, int cellHeight, int id) {
  if (!pixels) return;
  if (cellWidth < 1 || cellHeight < 1) return;
  if (cellWidth == 1 && cellHeight == 1) return;
  if (width < 1 || height < 1) return;
  // A band of cellHeight rows is summed row by row into one accumulator per
  // cell, then written back row by row: each pixel is read once and written
  // once, whatever the cell size.
  const int cols = static_cast<int>((static_cast<std::int64_t>(width) + cellWidth - 1) / cellWidth);
  auto* sums = static_cast<CellSum*>(platform::Allocate(static_cast<std::size_t>(cols) * sizeof(CellSum)));
  auto* means = static_cast<BMM_Color_64*>(
      platform::Allocate(static_cast<std::size_t>(cols) * sizeof(BMM_Color_64)));
  if (!sums || !means) {
    std::free(sums);
    std::free(means);
    return;
  }
  for (std::int64_t top = 0; top < height; top += cellHeight) {
    const int y1 = static_cast<int>(std::min<std::int64_t>(height, top + cellHeight));
    std::memset(sums, 0, static_cast<std::size_t>(cols) * sizeof(CellSum));
    for (int y = static_cast<int>(top); y < y1; ++y) {
      const BMM_Color_64* p = pixels + static_cast<std::size_t>(y) * width;
      int x = 0;
      for (int c = 0; c < cols; ++c) {
        const int x1 = static_cast<int>(std::min<std::int64_t>(width, static_cast<std::int64_t>(x) + cellWidth));
        AddOpaque(p, x, x1, sums[c]);
        x = x1;
      }
    }
    for (int c = 0; c < cols; ++c) {
      const CellSum& s = sums[c];
      if (s.n == 0) continue;
      means[c] = BMM_Color_64{static_cast<std::uint16_t>(s.r / s.n),
                              static_cast<std::uint16_t>(s.g / s.n),
                              static_cast<std::uint16_t>(s.b / s.n), 65535};
    }
    for (int y = static_cast<int>(top); y < y1; ++y) {
      BMM_Color_64* p = pixels + static_cast<std::size_t>(y) * width;
      int x = 0;
      for (int c = 0; c < cols; ++c) {
        const int x1 = static_cast<int>(std::min<std::int64_t>(width, static_cast<std::int64_t>(x) + cellWidth));
        // A cell with no opaque pixel has no mean and keeps its pixels.
        if (sums[c].n == 0) {
          x = x1;
          continue;
        }
        const BMM_Color_64 mean = means[c];
        if (id == -1) {
          for (; x < x1; ++x) p[x] = mean;
        } else {
          for (; x < x1; ++x)
            if (static_cast<std::int64_t>(ReadIdChannel(x, y)) == id) p[x] = mean;
        }
      }
    }
  }
  std::free(sums);
  std::free(means);
}
