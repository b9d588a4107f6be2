#include <algorithm>
#include <cstdint>

#include "canvas/canvas.h"

namespace {

// Worked in 64 bits and clamped: exact for percent 0..100, where the result
// stays in range anyway, and never wraps for percents beyond.
inline std::uint16_t Saturate(std::int64_t c, std::int64_t grey, std::int64_t percent) {
  const std::int64_t v = grey + (c - grey) * percent / 100;
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 65535));
}

inline BMM_Color_64 Saturated(BMM_Color_64 p, std::int64_t percent) {
  const std::int64_t grey = (59 * static_cast<std::int64_t>(p.g) + 11 * static_cast<std::int64_t>(p.b) +
                             30 * static_cast<std::int64_t>(p.r)) /
                            100;
  p.r = Saturate(p.r, grey, percent);
  p.g = Saturate(p.g, grey, percent);
  p.b = Saturate(p.b, grey, percent);
  return p;
}

}  // namespace

void Canvas::AdjustSaturation(int percent, int id) {
  if (!pixels) return;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (id == -1) {
    for (std::size_t i = 0; i < count; ++i) pixels[i] = Saturated(pixels[i], percent);
    return;
  }
  for (int y = 0; y < height; ++y) {
    BMM_Color_64* row = pixels + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (static_cast<std::int64_t>(ReadIdChannel(x, y)) == id) row[x] = Saturated(row[x], percent);
    }
  }
}
