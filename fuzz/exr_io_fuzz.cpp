// The runner's EXR road on any file: every part and level read, mirrored
// with their channels, written back with their headers and read again.
#include "image_roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Roundtrip(data, size, zarn::io::FileType::Exr);
  return 0;
}
