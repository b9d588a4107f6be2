#include "support/bitmaps.h"

#include <cstring>
#include <ostream>
#include <random>
#include <stdexcept>

namespace zarntest {

BMM_Color_64 PositionColor(int x, int y) {
  return BMM_Color_64{static_cast<std::uint16_t>(x + 10 * y), static_cast<std::uint16_t>(1000 + x),
                      static_cast<std::uint16_t>(2000 + y),
                      static_cast<std::uint16_t>(3000 + x + 10 * y)};
}

std::unique_ptr<Bitmap> PositionBitmap(int width, int height, std::uint32_t channels) {
  auto storage = MemoryStorage::Create(width, height, channels);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) storage->Pixels()[y * width + x] = PositionColor(x, y);
  return std::make_unique<Bitmap>(std::move(storage));
}

HollowStorage::HollowStorage(int w, int h)
    : BitmapStorage(BitmapInfo(static_cast<std::uint16_t>(w), static_cast<std::uint16_t>(h))) {}

std::unique_ptr<Bitmap> HollowBitmap(int width, int height) {
  return std::make_unique<Bitmap>(std::make_unique<HollowStorage>(width, height));
}

std::vector<BMM_Color_64> Pixels(Bitmap& bitmap) {
  std::vector<BMM_Color_64> out(static_cast<std::size_t>(bitmap.Width()) * bitmap.Height());
  for (int y = 0; y < bitmap.Height(); ++y)
    bitmap.FetchRow(0, y, bitmap.Width(), out.data() + static_cast<std::size_t>(y) * bitmap.Width());
  return out;
}

std::unique_ptr<Bitmap> SampleBitmap(int width, int height) {
  auto storage = MemoryStorage::Create(width, height, BMM_CHAN_FLOAT | BMM_CHAN_U16);
  if (!storage) return nullptr;
  std::mt19937 random(12);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      storage->Pixels()[i] = {static_cast<std::uint16_t>(random()), static_cast<std::uint16_t>(random()),
                              static_cast<std::uint16_t>(random()), 65535};
      storage->FloatChannel()[i] = 10.0f + static_cast<float>(x + y);
      storage->U16Channel()[i] = static_cast<std::uint16_t>((x / 32 + y / 32) % 3);
    }
  return std::make_unique<Bitmap>(std::move(storage));
}

CountingStorage::CountingStorage(int width, int height)
    : BitmapStorage(
          BitmapInfo(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height))),
      pixels(static_cast<std::size_t>(width) * height) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels[static_cast<std::size_t>(y) * width + x] = PositionColor(x, y);
}

int CountingStorage::GetPixels(int x, int y, int count, BMM_Color_64* destination) {
  gets.push_back({x, y, count});
  if (static_cast<int>(gets.size()) - 1 == throwOnGet) throw std::runtime_error("host fault");
  if (y == refuseGetRow) return 0;
  if (x < 0 || y < 0 || y >= Info().Height() || count < 1 || x + count > Info().Width()) return 0;
  std::memcpy(destination, &pixels[static_cast<std::size_t>(y) * Info().Width() + x],
              sizeof(BMM_Color_64) * count);
  return 1;
}

int CountingStorage::PutPixels(int x, int y, int count, const BMM_Color_64* source) {
  puts.push_back({x, y, count});
  if (static_cast<int>(puts.size()) - 1 == throwOnPut) throw std::runtime_error("host fault");
  if (y == refusePutRow) return 0;
  if (x < 0 || y < 0 || y >= Info().Height() || count < 1 || x + count > Info().Width()) return 0;
  std::memcpy(&pixels[static_cast<std::size_t>(y) * Info().Width() + x], source,
              sizeof(BMM_Color_64) * count);
  return 1;
}

void* CountingStorage::GetChannel(std::uint32_t, std::uint32_t& typeOut) {
  typeOut = 0;
  return nullptr;
}

}  // namespace zarntest

std::ostream& operator<<(std::ostream& os, const BMM_Color_64& c) {
  return os << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}
