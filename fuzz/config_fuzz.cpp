// Any 12 bytes handed to LoadConfigure, then a render of a small frame:
// refused blocks change nothing, accepted ones render without fault.
#include <cstdint>
#include <cstring>

#include "filter/mirror_filter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12) return 0;
  unsigned char block[12];
  std::memcpy(block, data, 12);
  MirrorFilter filter;
  const MirrorConfig before = filter.config;
  const int accepted = filter.LoadConfigure(block);
  if (!accepted && std::memcmp(&before, &filter.config, sizeof(before)) != 0) __builtin_trap();
  const int w = 1 + data[size - 1] % 7;
  const int h = 1 + data[size / 2] % 5;
  Bitmap bitmap(MemoryStorage::Create(w, h));
  filter.SetSource(&bitmap);
  if (filter.Render(nullptr) != 1) __builtin_trap();
  unsigned char saved[12];
  filter.SaveConfigure(saved);
  if (accepted && std::memcmp(saved, block, 12) != 0) __builtin_trap();
  return 0;
}
