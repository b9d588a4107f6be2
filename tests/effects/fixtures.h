// Small canvases for the effect tests.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "canvas/canvas.h"
#include "support/bitmaps.h"

namespace fxtest {

// A bitmap of width x height whose red channel is red[y * width + x], green
// 1000 + x, blue 2000 + y and alpha the given value.
inline std::unique_ptr<Bitmap> RedBitmap(int width, int height, const std::vector<int>& red,
                                         std::uint16_t alpha = 65535) {
  auto storage = MemoryStorage::Create(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      storage->Pixels()[y * width + x] = BMM_Color_64{
          static_cast<std::uint16_t>(red[y * width + x]), static_cast<std::uint16_t>(1000 + x),
          static_cast<std::uint16_t>(2000 + y), alpha};
  return std::make_unique<Bitmap>(std::move(storage));
}

inline std::vector<BMM_Color_64> CanvasPixels(const Canvas& canvas) {
  if (!canvas.pixels) return {};
  return std::vector<BMM_Color_64>(
      canvas.pixels, canvas.pixels + static_cast<std::size_t>(canvas.width) * canvas.height);
}

inline std::vector<int> Reds(const Canvas& canvas) {
  std::vector<int> out;
  for (const BMM_Color_64& c : CanvasPixels(canvas)) out.push_back(c.r);
  return out;
}

inline BMM_Color_64& At(Canvas& canvas, int x, int y) {
  return canvas.pixels[static_cast<std::size_t>(y) * canvas.width + x];
}

}  // namespace fxtest
