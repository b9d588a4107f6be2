// Whole-buffer zlib streams (RFC 1950) and CRC-32 for the PNG writer: large
// buffers deflated in bands on several threads into one stream, and the
// fastest deflate library the build has. Any inflater reads the result.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarn::io {

enum class DeflateMode {
  // Repeats at any distance (LZ77) at the level: for data that repeats
  // itself, such as 8-bit graphics. One pass of libdeflate where the build
  // has it (faster than zlib, and smaller at the same level), else zlib.
  Matches,
  // Runs of one byte and Huffman codes only (zlib's Z_RLE): for filtered
  // 16-bit samples, whose low bytes are noise that no match shortens. As
  // small there as zlib's level 6 at a tenth of the time.
  Runs,
};

// Compresses size bytes into one zlib stream. Where zlib does the work the
// data is cut into up to `bands` parts deflated on threads of their own and
// joined (each part byte-aligned by a sync flush, Adler-32 combined); a
// part never reaches back into the one before, which costs a little size
// in Matches mode and nothing in Runs mode. Level 1 fastest .. 9 smallest.
// False only when memory runs out.
bool ZlibCompress(const std::uint8_t* data, std::size_t size, DeflateMode mode, int level, int bands,
                  std::vector<std::uint8_t>& out);

// Inflates one zlib stream whose inflated size is exactly outSize; false for
// a damaged stream or any other size.
bool ZlibDecompress(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize);

// CRC-32 as PNG chunks use it, continued from crc (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// The library that deflates in Matches mode: "libdeflate" or "zlib".
const char* MatchesLibrary();

// The build's whole-buffer deflate library (deflate_whole_*.cpp): its
// name, or null when the build has none (then the two calls answer false).
const char* WholeLibrary();
bool DeflateWhole(const std::uint8_t* data, std::size_t size, int level, std::vector<std::uint8_t>& out);
bool InflateWhole(const std::uint8_t* data, std::size_t size, std::uint8_t* out, std::size_t outSize);

}  // namespace zarn::io
