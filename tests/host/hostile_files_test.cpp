// Damaged and hostile frames: a header that claims more than the file
// holds or than the runner will allocate, image data that never ends, files
// cut short. Each is refused with its reason before the memory it claims is
// asked for; files that only look odd are still read.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfMultiPartOutputFile.h>
#include <ImfOutputFile.h>
#include <ImfOutputPart.h>
#include <ImfPartType.h>
#include <ImfTiledOutputFile.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/image_io.h"
#include "made_files.h"
#include "runner.h"

using namespace zarn::io;
using namespace zarntest;

namespace {

using Bytes_ = std::vector<std::uint8_t>;

void PutLittle32(Bytes_& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// ---- PNG pictures -------------------------------------------------------------

// The filtered rows (filter byte 0) of a 2 x 2 RGBA8 picture whose samples
// are 10, 20, 30 ... 160, row by row.
Bytes_ Rows2x2() {
  Bytes_ rows;
  std::uint8_t v = 10;
  for (int y = 0; y < 2; ++y) {
    rows.push_back(0);
    for (int i = 0; i < 8; ++i, v = static_cast<std::uint8_t>(v + 10)) rows.push_back(v);
  }
  return rows;
}

// What Rows2x2 reads as: 8-bit samples widened by 257.
std::vector<BMM_Color_64> Pixels2x2() {
  std::vector<BMM_Color_64> pixels;
  for (int i = 0; i < 4; ++i) {
    const auto s = [&](int c) { return static_cast<std::uint16_t>((10 + 10 * (4 * i + c)) * 257); };
    pixels.push_back({s(0), s(1), s(2), s(3)});
  }
  return pixels;
}

Bytes_ Cut(Bytes_ bytes, std::size_t keep) {
  bytes.resize(keep);
  return bytes;
}

// ---- EXR headers made attribute by attribute ----------------------------------

struct Attribute {
  std::string name;
  std::string type;
  Bytes_ value;
  std::int64_t size = -1;  // the size written; -1: the value's own
};

Bytes_ Box(int xMin, int yMin, int xMax, int yMax) {
  Bytes_ out;
  for (int v : {xMin, yMin, xMax, yMax}) PutLittle32(out, static_cast<std::uint32_t>(v));
  return out;
}

Bytes_ Tiles(std::uint32_t w, std::uint32_t h, std::uint8_t mode) {
  Bytes_ out;
  PutLittle32(out, w);
  PutLittle32(out, h);
  out.push_back(mode);
  return out;
}

// Half R, G, B, as OpenEXR lists channels.
Bytes_ Channels() {
  Bytes_ out;
  for (const char* name : {"B", "G", "R"}) {
    out.insert(out.end(), name, name + 2);
    PutLittle32(out, 1);  // half
    PutLittle32(out, 0);  // linear and reserved
    PutLittle32(out, 1);
    PutLittle32(out, 1);
  }
  out.push_back(0);
  return out;
}

// Magic number, version 2 with the flags, the attributes, the header's end,
// then `tail` bytes of zeros.
Bytes_ ExrHeader(std::uint32_t flags, const std::vector<Attribute>& attributes, std::size_t tail) {
  Bytes_ out = {0x76, 0x2F, 0x31, 0x01};
  PutLittle32(out, 2 | flags);
  for (const Attribute& a : attributes) {
    out.insert(out.end(), a.name.begin(), a.name.end());
    out.push_back(0);
    out.insert(out.end(), a.type.begin(), a.type.end());
    out.push_back(0);
    PutLittle32(out,
                static_cast<std::uint32_t>(a.size >= 0 ? a.size : static_cast<std::int64_t>(a.value.size())));
    out.insert(out.end(), a.value.begin(), a.value.end());
  }
  out.push_back(0);
  out.insert(out.end(), tail, 0);
  return out;
}

constexpr std::uint32_t kTiledFlag = 0x200;

// The attributes every scan-line header has, around the windows given.
std::vector<Attribute> ScanLineAttributes(const Bytes_& window) {
  return {{"channels", "chlist", Channels()},
          {"compression", "compression", {0}},
          {"dataWindow", "box2i", window},
          {"displayWindow", "box2i", window},
          {"lineOrder", "lineOrder", {0}},
          {"pixelAspectRatio", "float", {0, 0, 0x80, 0x3F}},
          {"screenWindowCenter", "v2f", Bytes_(8, 0)},
          {"screenWindowWidth", "float", {0, 0, 0x80, 0x3F}}};
}

// ---- EXR files written by OpenEXR itself ----------------------------------------

// Half R, G, B of w x h pixels, each sample (x + 10 * y) / 256, scan-line,
// or tiled (tile > 0) with the level mode.
Bytes_ OpenExrFile(int w, int h, int tile = 0, Imf::LevelMode mode = Imf::ONE_LEVEL, int parts = 1) {
  Scratch s;
  const std::string path = s.Path("f.exr");
  Imf::Header header(w, h);
  for (const char* name : {"R", "G", "B"}) header.channels().insert(name, Imf::Channel(Imf::HALF));
  if (tile > 0) header.setTileDescription(Imf::TileDescription(tile, tile, mode));
  std::vector<Imath::half> samples;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) samples.push_back(Imath::half((x + 10 * y) / 256.0f));
  std::vector<std::vector<Imath::half>> levels;
  auto buffer = [&](const Imath::Box2i& window, const std::vector<Imath::half>& plane) {
    Imf::FrameBuffer fb;
    const std::size_t width = static_cast<std::size_t>(window.max.x - window.min.x + 1);
    for (const char* name : {"R", "G", "B"})
      fb.insert(name, Imf::Slice::Make(Imf::HALF, plane.data(), window, sizeof(Imath::half),
                                       sizeof(Imath::half) * width));
    return fb;
  };
  if (parts > 1) {
    std::vector<Imf::Header> headers(static_cast<std::size_t>(parts), header);
    for (int p = 0; p < parts; ++p) {
      headers[static_cast<std::size_t>(p)].setName("part" + std::to_string(p));
      headers[static_cast<std::size_t>(p)].setType(Imf::SCANLINEIMAGE);
    }
    Imf::MultiPartOutputFile file(path.c_str(), headers.data(), parts);
    for (int p = 0; p < parts; ++p) {
      Imf::OutputPart part(file, p);
      part.setFrameBuffer(buffer(header.dataWindow(), samples));
      part.writePixels(h);
    }
  } else if (tile > 0) {
    Imf::TiledOutputFile file(path.c_str(), header);
    for (int ly = 0; ly < file.numYLevels(); ++ly)
      for (int lx = 0; lx < file.numXLevels(); ++lx) {
        if (!file.isValidLevel(lx, ly)) continue;
        const Imath::Box2i window = file.dataWindowForLevel(lx, ly);
        const std::size_t n = static_cast<std::size_t>(window.max.x - window.min.x + 1) *
                              static_cast<std::size_t>(window.max.y - window.min.y + 1);
        levels.emplace_back(n, Imath::half(0.25f));
        file.setFrameBuffer(buffer(window, levels.back()));
        file.writeTiles(0, file.numXTiles(lx) - 1, 0, file.numYTiles(ly) - 1, lx, ly);
      }
  } else {
    Imf::OutputFile file(path.c_str(), header);
    file.setFrameBuffer(buffer(header.dataWindow(), samples));
    file.writePixels(h);
  }
  return Bytes(path);
}

// ---- The table --------------------------------------------------------------------

struct HostileCase {
  const char* name;
  std::function<Bytes_()> file;
  std::string error;  // empty: the file is read
  std::uint64_t maxPixels = kDefaultMaxPixels;
  int width = 0;  // of a file that is read
  int height = 0;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class HostileFileTest : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileFileTest, RefusedWithItsReasonOrRead) {
  const HostileCase& c = GetParam();
  const Bytes_ bytes = c.file();
  Image image;
  std::string error;
  ReadLimits limits;
  limits.maxPixels = c.maxPixels;
  const bool read = Decode(bytes, image, error, limits);
  EXPECT_EQ(error, c.error);
  EXPECT_EQ(read, c.error.empty());
  if (read) {
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
  } else {
    EXPECT_EQ(image.storage, nullptr);
  }
}

std::string OverLimit(const std::string& claim, std::uint64_t limit) {
  return claim + ", more than the limit of " + std::to_string(limit) +
         " pixels a frame (--max-pixels N raises it)";
}

constexpr char kDefaultLimit[] = "134217728";  // 16384 x 8192

INSTANTIATE_TEST_SUITE_P(
    Png, HostileFileTest,
    testing::Values(
        HostileCase{"Read", [] { return MadePng(2, 2, 8, 6, Deflated(Rows2x2())); }, "", kDefaultMaxPixels, 2,
                    2},
        HostileCase{"Claims100000x100000", [] { return MadePng(100000, 100000, 8, 6, Deflated(Rows2x2())); },
                    "unsupported PNG size (100000x100000); zarn reads 1 to 65535 pixels each way"},
        HostileCase{"Claims60000x60000", [] { return MadePng(60000, 60000, 8, 6, Deflated(Rows2x2())); },
                    OverLimit("the header claims 60000x60000 pixels", 134217728)},
        HostileCase{"OneMoreThanTheLimit", [] { return MadePng(2, 2, 8, 6, Deflated(Rows2x2())); },
                    OverLimit("the header claims 2x2 pixels", 3), 3},
        HostileCase{"AtTheLimit", [] { return MadePng(2, 2, 8, 6, Deflated(Rows2x2())); }, "", 4, 2, 2},
        // 16000 x 8000 (under the limit) in a 69-byte file: refused before
        // the picture's 1 GB is allocated, as no deflate stream of 12 bytes
        // holds 512 MB of samples.
        HostileCase{"TinyFileClaims16000x8000",
                    [] { return MadePng(16000, 8000, 8, 6, Deflated(Bytes_(100, 0))); },
                    "truncated PNG (12 bytes of image data cannot hold 16000x8000 pixels)"},
        // A decompression bomb: the 2 x 2 rows, then 100 MB of zeros in
        // 100 kB, which libpng would inflate to the end before the file's end.
        HostileCase{"DataGoesOnPastTheLastRow",
                    [] { return MadePng(2, 2, 8, 6, Deflated(Rows2x2(), 100 << 20)); },
                    "corrupt PNG (its image data goes on past the last row)"},
        // A little more data than the rows need is read (libpng's warning).
        HostileCase{"ALittleDataPastTheLastRow",
                    [] { return MadePng(2, 2, 8, 6, Deflated(Rows2x2(), 1 << 20)); }, "", kDefaultMaxPixels,
                    2, 2},
        HostileCase{"CutInTheSignature", [] { return Cut(MadePng(2, 2, 8, 6, Deflated(Rows2x2())), 5); },
                    "not a PNG or OpenEXR image"},
        HostileCase{"CutInTheHeader", [] { return Cut(MadePng(2, 2, 8, 6, Deflated(Rows2x2())), 20); },
                    "truncated PNG"},
        HostileCase{"CutInTheImageData", [] { return Cut(MadePng(2, 2, 8, 6, Deflated(Rows2x2())), 45); },
                    "truncated PNG"},
        HostileCase{"CutBeforeTheEnd",
                    [] {
                      const Bytes_ png = MadePng(2, 2, 8, 6, Deflated(Rows2x2()));
                      return Cut(png, png.size() - 6);
                    },
                    "truncated PNG"}),
    [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Exr, HostileFileTest,
    testing::Values(
        HostileCase{"Read", [] { return OpenExrFile(4, 3); }, "", kDefaultMaxPixels, 4, 3},
        // As the fuzzer found them: an attribute of a type OpenEXR does not
        // know claiming 1.97 GB and a string claiming 184 MB, each of which
        // OpenEXR would allocate before finding the file too short.
        HostileCase{
            "OpaqueAttributeClaims2GB",
            [] {
              return ExrHeader(0, {{"ring", "ringtype", {}, 1970470912}}, 633);
            },
            "corrupt OpenEXR (the header's 'ring' attribute claims 1970470912 bytes, and 634 follow)"},
        HostileCase{
            "StringAttributeClaims184MB",
            [] {
              std::vector<Attribute> a = ScanLineAttributes(Box(0, 0, 3, 2));
              a.push_back({"wrapmodes", "string", {}, 184596747});
              return ExrHeader(0, a, 144);
            },
            "corrupt OpenEXR (the header's 'wrapmodes' attribute claims 184596747 bytes, and 145 follow)"},
        // Tiles of 2 x 3801090 pixels for a 64 x 64 picture, behind a channel
        // list whose size field is wrong (OpenEXR reads channel lists to their
        // end whatever the size says): OpenEXR would size its tile buffers so.
        HostileCase{"TilesOf2x3801090",
                    [] {
                      return ExrHeader(kTiledFlag,
                                       {{"channels", "chlist", Channels(), 51},
                                        {"dataWindow", "box2i", Box(0, 0, 63, 63)},
                                        {"tiles", "tiledesc", Tiles(2, 3801090, 0)}},
                                       64);
                    },
                    "corrupt OpenEXR (tiles of 2x3801090 pixels for a 64x64 picture)"},
        // Tools write 64 x 64 tiles for pictures of a few pixels.
        HostileCase{"TilesLargerThanAStampSizedPicture", [] { return OpenExrFile(4, 3, 64); }, "",
                    kDefaultMaxPixels, 4, 3},
        // OpenEXR reads a float's four bytes whatever size the file gives it.
        HostileCase{"FloatWithAWrongSize",
                    [] {
                      Bytes_ file = OpenExrFile(4, 3);
                      const std::string mark("pixelAspectRatio\0float", 23);  // and the type's zero
                      const auto at = std::search(file.begin(), file.end(), mark.begin(), mark.end());
                      const Bytes_ size = {0xFF, 0xFF, 0xFF, 0x7F};
                      if (at != file.end()) std::copy(size.begin(), size.end(), at + 23);
                      return file;
                    },
                    "", kDefaultMaxPixels, 4, 3},
        HostileCase{"Claims100000x100000",
                    [] { return ExrHeader(0, ScanLineAttributes(Box(0, 0, 99999, 99999)), 64); },
                    "unsupported OpenEXR size (100000x100000); zarn reads 1 to 65535 pixels each way"},
        HostileCase{"Claims60000x60000",
                    [] { return ExrHeader(0, ScanLineAttributes(Box(-30000, 0, 29999, 59999)), 64); },
                    OverLimit("the header claims 60000x60000 pixels", 134217728)},
        HostileCase{"OneMoreThanTheLimit", [] { return OpenExrFile(4, 3); },
                    OverLimit("the header claims 4x3 pixels", 11), 11},
        HostileCase{"AtTheLimit", [] { return OpenExrFile(4, 3); }, "", 12, 4, 3},
        // MIP levels of 4 x 4, 2 x 2 and 1 x 1: 21 pixels.
        HostileCase{
            "LevelsCount", [] { return OpenExrFile(4, 4, 2, Imf::MIPMAP_LEVELS); },
            OverLimit("the header claims 4x4 pixels and more in other parts and levels, 21 in all", 20), 20},
        HostileCase{"LevelsAtTheLimit", [] { return OpenExrFile(4, 4, 2, Imf::MIPMAP_LEVELS); }, "", 21, 4,
                    4},
        HostileCase{
            "PartsCount", [] { return OpenExrFile(4, 3, 0, Imf::ONE_LEVEL, 2); },
            OverLimit("the header claims 4x3 pixels and more in other parts and levels, 24 in all", 23), 23},
        HostileCase{"CutInTheHeader", [] { return Cut(OpenExrFile(4, 3), 20); },
                    "corrupt OpenEXR (the file ends early)"},
        HostileCase{"CutInTheImageData",
                    [] {
                      const Bytes_ exr = OpenExrFile(4, 3);
                      return Cut(exr, exr.size() - 10);
                    },
                    "corrupt OpenEXR (the file ends early)"}),
    [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

// The picture of a file read past hostile checks is the file's own.
TEST(HostileFiles, PicturesReadPastTheChecksAreExact) {
  Image image;
  std::string error;
  ASSERT_TRUE(Decode(MadePng(2, 2, 8, 6, Deflated(Rows2x2(), 1 << 20)), image, error)) << error;
  EXPECT_EQ(PixelsOf(image), Pixels2x2());
}

}  // namespace
