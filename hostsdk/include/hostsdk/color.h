// The host's 64-bit colour: four 16-bit channels, full intensity 65535.
#pragma once
#include <cstdint>

struct BMM_Color_64 {
  std::uint16_t r;
  std::uint16_t g;
  std::uint16_t b;
  std::uint16_t a;

  friend bool operator==(const BMM_Color_64&, const BMM_Color_64&) = default;
};

static_assert(sizeof(BMM_Color_64) == 8, "the host moves colours as 8-byte records");
