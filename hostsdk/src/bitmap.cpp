#include "hostsdk/bitmap.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/memory.h"

std::unique_ptr<MemoryStorage> MemoryStorage::Create(int width, int height, std::uint32_t channels,
                                                     float aspect) {
  if (width < 0 || height < 0 || width > 65535 || height > 65535) return nullptr;
  std::unique_ptr<MemoryStorage> storage(new (std::nothrow) MemoryStorage(
      BitmapInfo(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), aspect)));
  if (!storage) return nullptr;
  // calloc checks the multiplication, which matters on 32-bit hosts.
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::size_t count = n ? n : 1;
  storage->pixels_ = static_cast<BMM_Color_64*>(platform::AllocateZeroed(count, sizeof(BMM_Color_64)));
  if (!storage->pixels_) return nullptr;
  if (channels & BMM_CHAN_FLOAT) {
    storage->floatChannel_ = static_cast<float*>(platform::AllocateZeroed(count, sizeof(float)));
    if (!storage->floatChannel_) return nullptr;
  }
  if (channels & BMM_CHAN_BYTE) {
    storage->byteChannel_ = static_cast<std::uint8_t*>(platform::AllocateZeroed(count, 1));
    if (!storage->byteChannel_) return nullptr;
  }
  if (channels & BMM_CHAN_U16) {
    storage->u16Channel_ = static_cast<std::uint16_t*>(platform::AllocateZeroed(count, sizeof(std::uint16_t)));
    if (!storage->u16Channel_) return nullptr;
  }
  storage->channels_ = channels & (BMM_CHAN_FLOAT | BMM_CHAN_BYTE | BMM_CHAN_U16);
  return storage;
}

MemoryStorage::~MemoryStorage() {
  std::free(pixels_);
  std::free(floatChannel_);
  std::free(byteChannel_);
  std::free(u16Channel_);
}

bool MemoryStorage::InRange(int x, int y, int count) const {
  const long long w = info_.Width();
  const long long h = info_.Height();
  return count > 0 && x >= 0 && y >= 0 && y < h && static_cast<long long>(x) + count <= w;
}

int MemoryStorage::GetPixels(int x, int y, int count, BMM_Color_64* destination) {
  if (!destination || !InRange(x, y, count)) return 0;
  std::memcpy(destination, pixels_ + static_cast<std::size_t>(y) * info_.Width() + x,
              static_cast<std::size_t>(count) * sizeof(BMM_Color_64));
  return 1;
}

int MemoryStorage::PutPixels(int x, int y, int count, const BMM_Color_64* source) {
  if (!source || !InRange(x, y, count)) return 0;
  std::memcpy(pixels_ + static_cast<std::size_t>(y) * info_.Width() + x, source,
              static_cast<std::size_t>(count) * sizeof(BMM_Color_64));
  return 1;
}

void* MemoryStorage::GetChannel(std::uint32_t typeBit, std::uint32_t& typeOut) {
  typeOut = 0;
  void* data = nullptr;
  switch (typeBit) {
    case BMM_CHAN_FLOAT: data = floatChannel_; break;
    case BMM_CHAN_BYTE: data = byteChannel_; break;
    case BMM_CHAN_U16: data = u16Channel_; break;
    default: return nullptr;
  }
  if (data) typeOut = typeBit;
  return data;
}
