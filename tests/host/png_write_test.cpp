// The PNG writer's deflate paths and the zlib streams behind them: every
// layout under every way of deflating reads back to the same pixels, and the
// streams joined from bands inflate exactly, through zlib itself too.
#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "host/image_io.h"
#include "host/png_io.h"
#include "host/zlib_stream.h"
#include "runner.h"

using namespace zarn::io;
using zarntest::PixelsOf;

namespace {

// Seeded noise over flat patches, so both runs and matches have work.
Image NoisyImage(int width, int height, int channels, int depth, std::uint32_t seed) {
  Image image;
  std::string error;
  EXPECT_TRUE(Allocate(image, width, height, 0, error)) << error;
  image.type = FileType::Png;
  image.pngChannels = channels;
  image.pngDepth = depth;
  std::mt19937 bits(seed);
  BMM_Color_64* p = image.storage->Pixels();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool flat = (x / 64 + y / 16) % 3 == 0;
      std::uint16_t v[4];
      for (std::uint16_t& c : v) {
        c = flat ? static_cast<std::uint16_t>(x * 40 + y) : static_cast<std::uint16_t>(bits());
        if (depth == 8) c = static_cast<std::uint16_t>((c >> 8) * 257);
      }
      // What the layout can hold: grey repeats red, no alpha is opaque.
      if (channels <= 2) v[1] = v[2] = v[0];
      if (channels == 1 || channels == 3) v[3] = 65535;
      p[static_cast<std::size_t>(y) * width + x] = {v[0], v[1], v[2], v[3]};
    }
  }
  return image;
}

struct WriteRow {
  const char* name;
  PngWriteOptions options;
};

const WriteRow kWrites[] = {
    {"Default", {}},
    {"LibpngEveryFilter", {kPngFilterAll, 6, PngDeflate::Libpng, 1}},
    {"MatchesUpLevel1", {kPngFilterUp, 1, PngDeflate::Matches, 1}},
    {"MatchesEveryFilterThreeBands", {kPngFilterAll, 9, PngDeflate::Matches, 3}},
    {"RunsNoFilterOneBand", {kPngFilterNone, 6, PngDeflate::Runs, 1}},
    {"RunsPaethFiveBands", {kPngFilterPaeth, 6, PngDeflate::Runs, 5}},
    {"RunsSubAndAverageTwoBands", {kPngFilterSub | kPngFilterAverage, 6, PngDeflate::Runs, 2}},
};

struct Layout {
  const char* name;
  int channels;
  int depth;
};

const Layout kLayouts[] = {{"Grey8", 1, 8},   {"GreyAlpha8", 2, 8},   {"Rgb8", 3, 8},   {"Rgba8", 4, 8},
                           {"Grey16", 1, 16}, {"GreyAlpha16", 2, 16}, {"Rgb16", 3, 16}, {"Rgba16", 4, 16}};

class PngWrite : public ::testing::TestWithParam<std::tuple<WriteRow, Layout>> {};

// 1000 x 700 is 2.8 to 5.6 MB of rows at 16 bits, so several bands each get
// more than the megabyte a band needs; 8-bit layouts still get one or two.
TEST_P(PngWrite, ReadsBackToTheSamePixelsAndLayout) {
  const auto& [write, layout] = GetParam();
  const Image image = NoisyImage(1000, 700, layout.channels, layout.depth, 7);
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(EncodePng(image, bytes, error, write.options)) << error;
  Image back;
  ASSERT_TRUE(Decode(bytes, back, error)) << error;
  EXPECT_EQ(back.pngChannels, layout.channels);
  EXPECT_EQ(back.pngDepth, layout.depth);
  EXPECT_EQ(PixelsOf(back), PixelsOf(image));
}

INSTANTIATE_TEST_SUITE_P(EveryWay, PngWrite,
                         ::testing::Combine(::testing::ValuesIn(kWrites), ::testing::ValuesIn(kLayouts)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
                         });

// The default writes image data in chunks of at most 1 MiB, each with the
// right CRC, and as many rows as libpng would.
TEST(PngWriteChunks, IdatChunksAreBoundedAndChecked) {
  const Image image = NoisyImage(1200, 600, 4, 16, 3);
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(EncodePng(image, bytes, error)) << error;
  std::vector<std::size_t> idat;
  std::vector<std::string> names;
  for (std::size_t at = 8; at + 12 <= bytes.size();) {
    const std::size_t length =
        static_cast<std::size_t>(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
    ASSERT_LE(length, bytes.size() - at - 12);
    const std::string name(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (names.empty() || names.back() != name) names.push_back(name);
    const std::uint32_t stored = static_cast<std::uint32_t>(bytes[at + 8 + length]) << 24 |
                                 bytes[at + 9 + length] << 16 | bytes[at + 10 + length] << 8 |
                                 bytes[at + 11 + length];
    EXPECT_EQ(stored, static_cast<std::uint32_t>(crc32(0, &bytes[at + 4], static_cast<uInt>(length + 4))))
        << name;
    if (name == "IDAT") idat.push_back(length);
    at += 12 + length;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  ASSERT_GE(idat.size(), 2u);
  for (std::size_t i = 0; i + 1 < idat.size(); ++i) EXPECT_EQ(idat[i], std::size_t{1} << 20);
  EXPECT_LE(idat.back(), std::size_t{1} << 20);
}

// ---- zlib streams -------------------------------------------------------------

struct StreamRow {
  const char* name;
  DeflateMode mode;
  int level;
  int bands;
  std::size_t size;
};

class ZlibStream : public ::testing::TestWithParam<StreamRow> {};

std::vector<std::uint8_t> MixedData(std::size_t size) {
  std::mt19937 bits(11);
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i)
    data[i] = (i / 4096) % 2 ? static_cast<std::uint8_t>(bits()) : static_cast<std::uint8_t>(i / 700);
  return data;
}

// Inflates through zlib's own uncompress, apart from the code under test.
std::vector<std::uint8_t> Uncompress(const std::vector<std::uint8_t>& stream, std::size_t size) {
  std::vector<std::uint8_t> out(size + 1);
  uLongf length = static_cast<uLongf>(out.size());
  if (uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size())) != Z_OK) return {};
  out.resize(length);
  return out;
}

TEST_P(ZlibStream, InflatesToTheInputExactly) {
  const StreamRow& row = GetParam();
  const std::vector<std::uint8_t> data = MixedData(row.size);
  std::vector<std::uint8_t> stream;
  ASSERT_TRUE(ZlibCompress(data.data(), data.size(), row.mode, row.level, row.bands, stream));
  EXPECT_EQ(Uncompress(stream, data.size()), data);
  std::vector<std::uint8_t> back(data.size());
  EXPECT_TRUE(ZlibDecompress(stream.data(), stream.size(), back.data(), back.size()));
  EXPECT_EQ(back, data);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ZlibStream,
    ::testing::Values(StreamRow{"RunsOneBand", DeflateMode::Runs, 6, 1, 3000000},
                      StreamRow{"RunsThreeBands", DeflateMode::Runs, 6, 3, 3000001},
                      StreamRow{"RunsMoreBandsThanMegabytes", DeflateMode::Runs, 6, 16, 2500000},
                      StreamRow{"MatchesLevel1", DeflateMode::Matches, 1, 2, 2100000},
                      StreamRow{"MatchesLevel9FourBands", DeflateMode::Matches, 9, 4, 4200000},
                      StreamRow{"LevelsOutsideClamp", DeflateMode::Matches, 99, -3, 100000},
                      StreamRow{"Empty", DeflateMode::Runs, 6, 4, 0},
                      StreamRow{"EmptyMatches", DeflateMode::Matches, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ZlibStreamErrors, DamageAndWrongSizesAreRefused) {
  const std::vector<std::uint8_t> data = MixedData(1500000);
  std::vector<std::uint8_t> stream;
  ASSERT_TRUE(ZlibCompress(data.data(), data.size(), DeflateMode::Runs, 6, 2, stream));
  std::vector<std::uint8_t> out(data.size() + 1);
  struct Case {
    const char* name;
    std::size_t cut;      // bytes taken off the end
    std::size_t flip;     // byte flipped, or npos
    std::size_t outSize;  // size asked for
  };
  const std::size_t none = std::string::npos;
  for (const Case& c :
       {Case{"adler", 0, stream.size() - 1, data.size()}, Case{"header", 0, 1, data.size()},
        Case{"truncated", 10, none, data.size()}, Case{"short size", 0, none, data.size() - 1},
        Case{"long size", 0, none, data.size() + 1}, Case{"empty stream", stream.size(), none, 0}}) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> damaged(stream.begin(), stream.end() - static_cast<std::ptrdiff_t>(c.cut));
    if (c.flip != none) damaged[c.flip] ^= 0x40;
    EXPECT_FALSE(ZlibDecompress(damaged.data(), damaged.size(), out.data(), c.outSize));
  }
}

}  // namespace
