// Builds without a whole-buffer deflate library: zlib does all the work.
#include "host/zlib_stream.h"

namespace zarn::io {

bool DeflateWhole(const std::uint8_t*, std::size_t, int, std::vector<std::uint8_t>&) { return false; }

bool InflateWhole(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t) { return false; }

const char* WholeLibrary() { return nullptr; }

}  // namespace zarn::io
