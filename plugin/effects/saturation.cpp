#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "canvas/canvas.h"
#include "platform/memory.h"

namespace {

// c - grey lies in -65535 ... 65535.
constexpr int kSpan = 65535;

// trunc((c - grey) * percent / 100) for every difference, worked in 64 bits
// so no percent overflows. Entries beyond +-65535 are cut to it: grey lies
// in 0 ... 65535, so grey plus the cut entry clamps to the same channel.
// The table replaces three multiplications and signed divisions a pixel by
// three loads.
void FillSteps(std::int32_t* steps, std::int64_t percent) {
  // Truncation toward zero and the cut are both odd: one half gives the other.
  for (std::int64_t d = 0; d <= kSpan; ++d) {
    const auto v = static_cast<std::int32_t>(std::clamp<std::int64_t>(d * percent / 100, -kSpan, kSpan));
    steps[kSpan + d] = v;
    steps[kSpan - d] = -v;
  }
}

// For percent 0 ... 100 the result lies between c and grey and needs no
// clamp.
// mid points at the entry for a difference of 0.
template <bool Clamp>
inline std::uint16_t Channel(std::int32_t grey, std::int32_t c, const std::int32_t* mid) {
  const std::int32_t v = grey + mid[static_cast<std::ptrdiff_t>(c - grey)];
  return static_cast<std::uint16_t>(Clamp ? std::clamp(v, 0, 65535) : v);
}

template <bool Clamp>
inline void Saturate(BMM_Color_64& p, const std::int32_t* mid) {
  // Unsigned: the weighted sum is at most 6553500, and the division by a
  // constant becomes a multiplication.
  const auto grey = static_cast<std::int32_t>((59u * p.g + 11u * p.b + 30u * p.r) / 100u);
  p.r = Channel<Clamp>(grey, p.r, mid);
  p.g = Channel<Clamp>(grey, p.g, mid);
  p.b = Channel<Clamp>(grey, p.b, mid);
}

template <bool Clamp>
void SaturateAll(BMM_Color_64* pixels, std::size_t count, const std::int32_t* mid) {
  for (std::size_t i = 0; i < count; ++i) Saturate<Clamp>(pixels[i], mid);
}

}  // namespace

void Canvas::AdjustSaturation(int percent, int id) {
  if (!pixels || width < 1 || height < 1) return;
  auto* steps = static_cast<std::int32_t*>(platform::Allocate((2 * kSpan + 1) * sizeof(std::int32_t)));
  if (!steps) return;
  FillSteps(steps, percent);
  const std::int32_t* mid = steps + kSpan;
  if (id == -1) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (percent >= 0 && percent <= 100) SaturateAll<false>(pixels, count, mid);
    else SaturateAll<true>(pixels, count, mid);
  } else {
    for (int y = 0; y < height; ++y) {
      BMM_Color_64* row = pixels + static_cast<std::size_t>(y) * width;
      for (int x = 0; x < width; ++x)
        if (static_cast<std::int64_t>(ReadIdChannel(x, y)) == id) Saturate<true>(row[x], mid);
    }
  }
  std::free(steps);
}
