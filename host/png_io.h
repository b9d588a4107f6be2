// The PNG codec behind io::Decode and io::Encode.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/image_io.h"

namespace zarn::io {

// libpng's row filters (the values of its PNG_FILTER_* masks); several
// together let libpng pick one per row by trying each.
enum PngFilters : int {
  kPngFilterNone = 0x08,
  kPngFilterSub = 0x10,
  kPngFilterUp = 0x20,
  kPngFilterAverage = 0x40,
  kPngFilterPaeth = 0x80,
  kPngFilterAll = 0xF8,
};

// How the image data is deflated.
enum class PngDeflate {
  // Runs for 16-bit layouts, Matches for 8-bit ones.
  Automatic,
  // zlib_stream.h's two modes, on the filtered rows held whole.
  Matches,
  Runs,
  // libpng's own zlib calls, row by row, at the level (libpng's way).
  Libpng,
};

// How a PNG is written. The defaults are what the runner writes; the other
// settings are there to be measured against them (bench/image_io_bench).
struct PngWriteOptions {
  // libpng's row filters; 0 chooses: Up for 16-bit layouts (one subtraction
  // a byte, and on renders and photographs as small as trying every filter
  // per row), every filter for 8-bit ones, whose flat areas repay the search.
  int filters = 0;
  // 1 fastest .. 9 smallest (Matches and Libpng).
  int level = 6;
  PngDeflate deflate = PngDeflate::Automatic;
  // Parts deflated at once where zlib does the work; 0: one per core.
  int bands = 0;
};

// Refuses a header over limits before anything is allocated, and image
// data that goes on far past the last row before it is all inflated.
bool DecodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error,
               const ReadLimits& limits = {});
bool EncodePng(const Image& image, std::vector<std::uint8_t>& bytes, std::string& error,
               const PngWriteOptions& options = {});

}  // namespace zarn::io
