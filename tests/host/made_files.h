// Image files made byte by byte, for readers to refuse or take.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zarntest {

// A PNG chunk: length, type, data and CRC.
std::vector<std::uint8_t> PngChunk(const char* type, const std::vector<std::uint8_t>& data);

// Signature, IHDR (non-interlaced) of the size, depth and colour type, one
// IDAT holding idat, and IEND. The header need not match the data.
std::vector<std::uint8_t> MadePng(std::uint32_t width, std::uint32_t height, int depth, int colorType,
                                  const std::vector<std::uint8_t>& idat);

// A zlib stream of raw followed by `zeros` zero bytes, deflated as tightly
// as zlib can (a thousand zeros to a byte).
std::vector<std::uint8_t> Deflated(const std::vector<std::uint8_t>& raw, std::size_t zeros = 0);

}  // namespace zarntest
