#include "made_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

namespace zarntest {
namespace {

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

}  // namespace

std::vector<std::uint8_t> PngChunk(const char* type, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  out.reserve(data.size() + 12);
  PutBig32(out, static_cast<std::uint32_t>(data.size()));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(type[i]));
  for (std::uint8_t byte : data) out.push_back(byte);
  const uLong crc = crc32(crc32(0, nullptr, 0), out.data() + 4, static_cast<uInt>(4 + data.size()));
  PutBig32(out, static_cast<std::uint32_t>(crc));
  return out;
}

std::vector<std::uint8_t> MadePng(std::uint32_t width, std::uint32_t height, int depth, int colorType,
                                  const std::vector<std::uint8_t>& idat) {
  std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<std::uint8_t> header;
  PutBig32(header, width);
  PutBig32(header, height);
  header.insert(header.end(),
                {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colorType), 0, 0, 0});
  for (const auto& chunk : {PngChunk("IHDR", header), PngChunk("IDAT", idat), PngChunk("IEND", {})})
    file.insert(file.end(), chunk.begin(), chunk.end());
  return file;
}

std::vector<std::uint8_t> Deflated(const std::vector<std::uint8_t>& raw, std::size_t zeros) {
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, 9), Z_OK);
  std::vector<std::uint8_t> out;
  std::vector<Bytef> buffer(1 << 16);
  const std::vector<std::uint8_t> block(1 << 20, 0);
  auto feed = [&](const Bytef* data, std::size_t size, int flush) {
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    do {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      deflate(&z, flush);
      out.insert(out.end(), buffer.begin(), buffer.end() - z.avail_out);
    } while (z.avail_out == 0);
  };
  feed(raw.data(), raw.size(), Z_NO_FLUSH);
  for (std::size_t left = zeros; left > 0; left -= std::min(left, block.size()))
    feed(block.data(), std::min(left, block.size()), Z_NO_FLUSH);
  feed(nullptr, 0, Z_FINISH);
  deflateEnd(&z);
  return out;
}

}  // namespace zarntest
