// The runner's PNG road on any file: read, mirror, write back, read again.
#include "image_roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Roundtrip(data, size, zarn::io::FileType::Png);
  return 0;
}
