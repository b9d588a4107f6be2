// Conversions shared by the toolkit. Float-to-integer conversion truncates
// toward zero; values the target cannot hold (NaN, infinities, out of range)
// give the integer-indefinite value INT_MIN, as the processor's own
// truncating conversion does, so both builds agree and nothing is undefined.
#pragma once
#include <cmath>
#include <cstdint>

namespace zarn {

inline std::int32_t TruncToInt32(float v) {
  if (!(v > -2147483904.0f && v < 2147483648.0f)) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

inline std::int32_t TruncToInt32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

}  // namespace zarn

namespace zarn {

// Degrees to radians as the toolkit converts them: value * pi / 180 with pi
// and 180 as 32-bit floats.
inline constexpr float kPi = 3.14159274f;
inline float DegToRad(float degrees) { return degrees * kPi / 180.0f; }

}  // namespace zarn

namespace zarn {

// v after `count` float additions of 1.0f (the unit steps of the drawing
// walks), found without taking them one by one: inside a binade the sums
// are exact and each crossing rounds once; from 2^24 on a step is soon lost.
inline float AdvanceByOnes(float v, std::int64_t count) {
  while (count > 0) {
    if (!std::isfinite(v)) return v;
    if (std::fabs(v) >= 16777216.0f) {
      const float next = v + 1.0f;
      if (next == v) return v;
      v = next;
      --count;
      continue;
    }
    std::int64_t exact = 0;
    if (v <= -1.0f) {
      // Sums up to 0 stay on v's grid with a smaller magnitude.
      exact = static_cast<std::int64_t>(std::floor(-static_cast<double>(v)));
    } else if (v >= 1.0f) {
      // Sums below the next power of two stay on v's grid.
      int p = 0;
      std::frexp(v, &p);
      exact = static_cast<std::int64_t>(std::ceil(std::ldexp(1.0, p) - v)) - 1;
    }
    const std::int64_t n = count < exact ? count : exact;
    v = static_cast<float>(static_cast<double>(v) + static_cast<double>(n));
    count -= n;
    if (count > 0) {
      v = v + 1.0f;
      --count;
    }
  }
  return v;
}

// The fewest float additions of 1.0f that take v to 0 or above; -1 when v
// never gets there (NaN, -inf, or a step lost below -2^24).
inline std::int64_t StepsToReachZero(float v) {
  if (std::isnan(v) || std::isinf(v)) return v > 0.0f ? 0 : -1;
  if (v >= 0.0f) return 0;
  std::int64_t k = 0;
  while (v <= -16777216.0f) {
    const float next = v + 1.0f;
    if (next == v) return -1;
    v = next;
    ++k;
  }
  return k + static_cast<std::int64_t>(std::ceil(-static_cast<double>(v)));
}

}  // namespace zarn
