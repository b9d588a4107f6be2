#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "canvas/canvas.h"

namespace {

struct CellSum {
  std::uint64_t r, g, b, n;
};

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
  auto* sums = static_cast<CellSum*>(std::malloc(static_cast<std::size_t>(cols) * sizeof(CellSum)));
  auto* means = static_cast<BMM_Color_64*>(
      std::malloc(static_cast<std::size_t>(cols) * sizeof(BMM_Color_64)));
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
        std::uint64_t r = 0, g = 0, b = 0, n = 0;
        for (; x < x1; ++x) {
          // Branch-free: a transparent pixel adds zero.
          const std::uint64_t on = p[x].a != 0;
          r += p[x].r * on;
          g += p[x].g * on;
          b += p[x].b * on;
          n += on;
        }
        sums[c].r += r;
        sums[c].g += g;
        sums[c].b += b;
        sums[c].n += n;
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
