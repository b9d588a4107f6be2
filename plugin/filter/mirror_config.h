// The 12 bytes the host stores for a mirror filter: three little-endian
// 32-bit words. Flags mean "yes" only when exactly 1.
#pragma once
#include <cstdint>

struct MirrorConfig {
  std::uint32_t ident;
  std::int32_t horizontal;
  std::int32_t vertical;
};

static_assert(sizeof(MirrorConfig) == 12, "the stored block is exactly 12 bytes");
