// Small host bitmaps for tests, with values that name their position.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "hostsdk/bitmap.h"

namespace zarntest {

// Pixel (x, y) of the position fixture: r = x + 10 * y, g = 1000 + x,
// b = 2000 + y, a = 3000 + x + 10 * y, so a misplaced pixel names its source.
BMM_Color_64 PositionColor(int x, int y);

// A bitmap of the given size holding the position fixture.
std::unique_ptr<Bitmap> PositionBitmap(int width, int height, std::uint32_t channels = 0);

// Storage that reports a size but holds no pixels: every row fetch and
// write answers 0, and writes are counted. Lets tests ask for buffers too
// large to exist.
class HollowStorage final : public BitmapStorage {
 public:
  HollowStorage(int width, int height);
  int GetPixels(int, int, int, BMM_Color_64*) override { return 0; }
  int PutPixels(int, int, int, const BMM_Color_64*) override {
    ++writes;
    return 0;
  }
  void* GetChannel(std::uint32_t, std::uint32_t& typeOut) override {
    typeOut = 0;
    return nullptr;
  }
  int writes = 0;
};
std::unique_ptr<Bitmap> HollowBitmap(int width, int height);

// Seeded random opaque colours with a depth (10 + x + y) and an object-id
// channel ((x / 32 + y / 32) % 3), so every operation, including those that
// select by id, has something to do.
std::unique_ptr<Bitmap> SampleBitmap(int width, int height);

// All pixels of a bitmap, row 0 first.
std::vector<BMM_Color_64> Pixels(Bitmap& bitmap);

// Storage that counts the host calls made on it, and fails on purpose when
// asked to: a refused row, or a call that throws as a faulty host might.
class CountingStorage final : public BitmapStorage {
 public:
  CountingStorage(int width, int height);
  int GetPixels(int x, int y, int count, BMM_Color_64* destination) override;
  int PutPixels(int x, int y, int count, const BMM_Color_64* source) override;
  void* GetChannel(std::uint32_t typeBit, std::uint32_t& typeOut) override;

  struct Call {
    int x, y, count;
  };
  std::vector<Call> gets;
  std::vector<Call> puts;
  std::vector<BMM_Color_64> pixels;
  int refuseGetRow = -1;  // fetches of this row answer 0 and copy nothing
  int refusePutRow = -1;  // writes of this row answer 0 and change nothing
  int throwOnGet = -1;    // the fetch call with this index (from 0) throws
  int throwOnPut = -1;    // the write call with this index (from 0) throws
};

}  // namespace zarntest

std::ostream& operator<<(std::ostream& os, const BMM_Color_64& c);
