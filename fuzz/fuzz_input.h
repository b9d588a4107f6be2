// Decoding fuzz bytes into toolkit arguments: floats and ints drawn from
// the values that break geometry and sizes (NaN, infinities, huge, tiny,
// negative, the canvas's own edges) as often as from plain ones, and a
// small bitmap with random size, channels and contents.
//
// Work is bounded here by what the canvas can show, not by caps inside the
// library: a decoder that picks a depth, count or resolution the library
// would accept but that costs far more than the canvas has pixels brings it
// back into a cheap range, so every input ends quickly and a slow one is a
// finding.
#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "canvas/canvas.h"
#include "hostsdk/bitmap.h"
#include "platform/win.h"

namespace zarnfuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : p_(data, size) {}

  FuzzedDataProvider& Provider() { return p_; }
  bool Empty() { return p_.remaining_bytes() == 0; }
  template <typename T>
  T Pick(T lo, T hi) {
    return p_.ConsumeIntegralInRange<T>(lo, hi);
  }
  bool Bool() { return p_.ConsumeBool(); }

  // Any float: a raw bit pattern, a value from the table of hard ones, or a
  // plain value within a few extents of the canvas (extent 0: of 32).
  float AnyFloat(int extent = 32) {
    static constexpr float kHard[] = {std::numeric_limits<float>::quiet_NaN(),
                                      -std::numeric_limits<float>::quiet_NaN(),
                                      std::numeric_limits<float>::infinity(),
                                      -std::numeric_limits<float>::infinity(),
                                      0.0f,
                                      -0.0f,
                                      FLT_MIN,
                                      -FLT_MIN,
                                      std::numeric_limits<float>::denorm_min(),
                                      FLT_MAX,
                                      -FLT_MAX,
                                      1e20f,
                                      -1e20f,
                                      1e30f,
                                      16777216.0f,
                                      -16777216.0f,
                                      16777217.0f,
                                      2147483648.0f,
                                      -2147483648.0f,
                                      4294967296.0f,
                                      0.5f,
                                      -0.5f,
                                      0.49999997f,
                                      1.0f,
                                      -1.0f,
                                      1e-7f,
                                      360.0f,
                                      -360.0f,
                                      90.0f,
                                      45.0f,
                                      180.0f,
                                      3.14159274f,
                                      0.99999994f,
                                      1.00000012f,
                                      46341.0f,
                                      1048577.0f,
                                      65535.0f,
                                      65536.0f};
    if (extent <= 0) extent = 32;
    switch (p_.ConsumeIntegralInRange<int>(0, 7)) {
      case 0: {
        const std::uint32_t bits = p_.ConsumeIntegral<std::uint32_t>();
        float v;
        static_assert(sizeof(v) == sizeof(bits));
        __builtin_memcpy(&v, &bits, sizeof(v));
        return v;
      }
      case 1:
      case 2: return kHard[p_.ConsumeIntegralInRange<std::size_t>(0, std::size(kHard) - 1)];
      case 3:  // whole and half pixels near and on the canvas
        return static_cast<float>(p_.ConsumeIntegralInRange<int>(-4 * extent, 8 * extent)) * 0.5f;
      default: return p_.ConsumeFloatingPointInRange<float>(-2.0f * extent, 3.0f * extent);
    }
  }

  // Any int: raw, from the table of hard ones, or small.
  int AnyInt(int lo = -8, int hi = 40) {
    static constexpr int kHard[] = {
        INT_MIN, INT_MIN + 1,   INT_MAX, INT_MAX - 1, -1,    0,       1,
        2,       46340,         46341,   65535,       65536, 1 << 19, (1 << 19) + 1,
        1 << 24, (1 << 24) + 1, 1 << 20, 4096,        4097,  -65536};
    switch (p_.ConsumeIntegralInRange<int>(0, 5)) {
      case 0: return p_.ConsumeIntegral<int>();
      case 1: return kHard[p_.ConsumeIntegralInRange<std::size_t>(0, std::size(kHard) - 1)];
      default: return p_.ConsumeIntegralInRange<int>(lo, hi);
    }
  }

  // v, unless it lies in (cap, libraryCap], where the library would accept
  // it but the work would dwarf the canvas: then brought back below cap.
  static int Cheap(int v, int cap, long long libraryCap) {
    if (v > cap && v <= libraryCap) return cap - v % 4;
    return v;
  }
  // The same for a float count or magnitude.
  static float Cheap(float v, float cap) {
    if (std::isfinite(v) && std::fabs(v) > cap) return std::copysign(cap, v);
    return v;
  }

  BMM_Color_64 Color() {
    BMM_Color_64 c;
    c.r = p_.ConsumeIntegral<std::uint16_t>();
    c.g = p_.ConsumeIntegral<std::uint16_t>();
    c.b = p_.ConsumeIntegral<std::uint16_t>();
    c.a = Pick<int>(0, 3) == 0 ? 0 : p_.ConsumeIntegral<std::uint16_t>();
    return c;
  }

  // A bitmap from 0 x 0 up to maxSide, with a random set of extra channels,
  // pixel aspect and contents; pixels without bytes left keep x + 10 y.
  std::unique_ptr<Bitmap> MakeBitmap(int maxSide = 24) {
    const int w = Pick<int>(0, maxSide);
    const int h = Pick<int>(0, maxSide);
    const std::uint32_t channels = Pick<std::uint32_t>(0, 7);
    const float aspect = Pick<int>(0, 3) == 0 ? AnyFloat(2) : 1.0f;
    auto storage = MemoryStorage::Create(w, h, channels, aspect);
    if (!storage) return std::make_unique<Bitmap>();
    const bool random = Bool();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        BMM_Color_64& px = storage->Pixels()[y * w + x];
        if (random && !Empty()) px = Color();
        else
          px = {static_cast<std::uint16_t>(x * 4000), static_cast<std::uint16_t>(y * 4000),
                static_cast<std::uint16_t>((x + 10 * y) * 97), 65535};
        if (storage->FloatChannel()) storage->FloatChannel()[y * w + x] = Bool() ? AnyFloat(8) : -1.0f - x;
        if (storage->ByteChannel()) storage->ByteChannel()[y * w + x] = Pick<std::uint8_t>(0, 3);
        if (storage->U16Channel()) storage->U16Channel()[y * w + x] = Pick<std::uint16_t>(0, 3);
      }
    return std::make_unique<Bitmap>(std::move(storage));
  }

  // Random drawing state: colours, pen, arc resolution, channels asked for.
  void SetUp(Canvas& c) {
    c.drawColor = Color();
    c.secondColor = Color();
    c.penPos = Point2(AnyFloat(c.width), AnyFloat(c.height));
    c.arcSegments = Cheap(AnyInt(-2, 72), 720, 1 << 24);
    const int request = Pick<int>(0, 7);
    for (int bit : {1, 2, 4})
      if (request & bit) c.RequestChannel(bit);
  }

 private:
  FuzzedDataProvider p_;
};

// A message window that asks the long effects to stop at a chosen row
// (never when the row is negative), so the abort paths are fuzzed too.
class AbortWindow {
 public:
  explicit AbortWindow(long long abortAt) : window_(platform::CreateMessageWindow(&Proc)) {
    abortAt_ = abortAt;
    row_ = -1;
  }
  ~AbortWindow() { platform::DestroyMessageWindow(window_); }
  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CANVAS_PROGRESS) row_ = static_cast<long long>(wParam);
    if (message == CANVAS_QUERY_ABORT && abortAt_ >= 0 && row_ == abortAt_)
      *reinterpret_cast<std::int32_t*>(lParam) = 1;
    return 0;
  }
  static inline long long abortAt_ = -1;
  static inline long long row_ = -1;
  HWND window_;
};

}  // namespace zarnfuzz
