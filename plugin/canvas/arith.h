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
