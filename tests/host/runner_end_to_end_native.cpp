// The runner end to end: files written here, run through the built zarn and
// its plug-in module, read back and compared pixel for pixel. Natively only:
// under Wine every process start costs seconds, so the Windows build runs
// the few cases of runner_test.cpp.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "canvas/canvas.h"
#include "host/ops/registry.h"
#include "made_files.h"
#include "platform/gdi.h"
#include "platform/module.h"
#include "platform/win.h"
#include "runner.h"
#include "support/bitmaps.h"
#include "support/fonts.h"

namespace fs = std::filesystem;
using zarn::io::ExrChannel;
using zarn::io::FileType;
using zarn::io::Image;
using namespace zarntest;

namespace {

std::vector<std::uint8_t> TextBytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string TextOf(const std::string& path) {
  const std::vector<std::uint8_t> bytes = Bytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// ---- PNG16 RGBA sequences, every flag combination -------------------------

struct FlagCase {
  const char* name;
  std::vector<std::string> flags;
  bool horizontal;
  bool vertical;
};

class FlagTest : public testing::TestWithParam<FlagCase> {};

TEST_P(FlagTest, SequenceMirroredExactly) {
  const FlagCase& c = GetParam();
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  const int w = 7, h = 5;
  std::vector<std::vector<BMM_Color_64>> frames;
  for (int f = 1; f <= 3; ++f) {
    Image image = PositionImage(w, h);
    image.storage->Pixels()[0].b = static_cast<std::uint16_t>(f);  // frames differ
    Save(s.Path("in/shot." + std::string("000") + std::to_string(f) + ".png"), image);
    frames.push_back(PixelsOf(image));
  }
  std::vector<std::string> words = {"run", "in/shot.%04d.png", "out/shot.%04d.png"};
  words.insert(words.end(), c.flags.begin(), c.flags.end());
  const Result r = s.Zarn(words);
  ASSERT_EQ(r.code, 0) << r.err;
  for (int f = 1; f <= 3; ++f) {
    SCOPED_TRACE(f);
    Image out = Load(s.Path("out/shot.000" + std::to_string(f) + ".png"));
    EXPECT_EQ(out.pngChannels, 4);
    EXPECT_EQ(out.pngDepth, 16);
    ExpectMirrored(frames[f - 1], PixelsOf(out), w, h, c.horizontal, c.vertical);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Flags, FlagTest,
    testing::Values(FlagCase{"Default", {}, true, false},
                    FlagCase{"HorizontalOff", {"--horizontal", "off"}, false, false},
                    FlagCase{"VerticalOn", {"--vertical", "on"}, true, true},
                    FlagCase{"VerticalOnly", {"--horizontal", "off", "--vertical", "on"}, false, true}),
    [](const testing::TestParamInfo<FlagCase>& info) { return std::string(info.param.name); });

// ---- PNG layouts come back in their own layout ------------------------------

struct LayoutCase {
  const char* name;
  int channels;
  int depth;
};

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, WrittenBackInTheInputLayout) {
  const LayoutCase& c = GetParam();
  Scratch s;
  const int w = 6, h = 4;
  Image in = PositionImage(w, h);
  in.type = FileType::Png;
  in.pngChannels = c.channels;
  in.pngDepth = c.depth;
  // Values the layout holds exactly: equal r, g, b for gray, 8-bit steps
  // widened by 257 for 8-bit files, opaque where there is no alpha.
  BMM_Color_64* p = in.storage->Pixels();
  for (int i = 0; i < w * h; ++i) {
    std::uint16_t v[4] = {static_cast<std::uint16_t>(i * 2311 + 5), static_cast<std::uint16_t>(i * 977 + 100),
                          static_cast<std::uint16_t>(65535 - i * 1500), static_cast<std::uint16_t>(i * 2000 + 7)};
    if (c.depth == 8)
      for (auto& x : v) x = static_cast<std::uint16_t>((x >> 8) * 257);
    if (c.channels <= 2) v[1] = v[2] = v[0];
    if (c.channels == 1 || c.channels == 3) v[3] = 65535;
    p[i] = {v[0], v[1], v[2], v[3]};
  }
  Save(s.Path("in.png"), in);
  const Result r = s.Zarn({"run", "in.png", "out.png", "--vertical", "on"});
  ASSERT_EQ(r.code, 0) << r.err;
  Image out = Load(s.Path("out.png"));
  EXPECT_EQ(out.pngChannels, c.channels);
  EXPECT_EQ(out.pngDepth, c.depth);
  ExpectMirrored(PixelsOf(in), PixelsOf(out), w, h, true, true);
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTest,
                         testing::Values(LayoutCase{"Gray8", 1, 8}, LayoutCase{"GrayAlpha8", 2, 8},
                                         LayoutCase{"Rgb8", 3, 8}, LayoutCase{"Rgba8", 4, 8},
                                         LayoutCase{"Gray16", 1, 16}, LayoutCase{"Rgb16", 3, 16}),
                         [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// ---- OpenEXR: full precision, depth and id move with their pixel ------------

Image ExrFixture(int w, int h) {
  Image image = PositionImage(w, h, BMM_CHAN_FLOAT | BMM_CHAN_U16);
  image.type = FileType::Exr;
  image.dataWindow[2] = image.displayWindow[2] = w - 1;
  image.dataWindow[3] = image.displayWindow[3] = h - 1;
  const std::size_t n = static_cast<std::size_t>(w) * h;
  auto channel = [&](const char* name, int type) {
    ExrChannel c;
    c.name = name;
    c.pixelType = type;
    if (type == zarn::io::kPixelUint) c.u.resize(n);
    else c.f.resize(n);
    return c;
  };
  ExrChannel r = channel("R", zarn::io::kPixelHalf), g = channel("G", zarn::io::kPixelHalf),
             b = channel("B", zarn::io::kPixelFloat), a = channel("A", zarn::io::kPixelHalf),
             z = channel("Z", zarn::io::kPixelFloat), id = channel("id", zarn::io::kPixelUint);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      // HDR and tiny values that no 16-bit colour holds, all exact in half.
      r.f[i] = 0.5f + x;       // 0.5, 1.5, 2.5 ...
      g.f[i] = 0.0009765625f * (y + 1);
      b.f[i] = 0.1f * x + 0.01f * y;
      a.f[i] = y == 0 ? 0.0f : 1.0f;
      z.f[i] = 100.0f + x + 1000.0f * y;
      id.u[i] = 70000u + static_cast<std::uint32_t>(i);  // beyond 16 bits too
    }
  image.exr = {r, g, b, a, z, id};
  return image;
}

TEST(Runner, ExrKeepsFullPrecisionAndMovesDepthAndId) {
  for (const char* idName : {"id", "objectId"}) {
    SCOPED_TRACE(idName);
    Scratch s;
    const int w = 5, h = 4;
    Image in = ExrFixture(w, h);
    in.exr[5].name = idName;
    Save(s.Path("in.exr"), in);
    const Image stored = Load(s.Path("in.exr"));
    const Result r = s.Zarn({"run", "in.exr", "out.exr", "--vertical", "on"});
    ASSERT_EQ(r.code, 0) << r.err;
    const Image out = Load(s.Path("out.exr"));
    ASSERT_EQ(out.exr.size(), stored.exr.size());
    for (std::size_t c = 0; c < stored.exr.size(); ++c) {
      const ExrChannel& a = stored.exr[c];
      const ExrChannel& b = out.exr[c];
      SCOPED_TRACE(a.name);
      EXPECT_EQ(b.name, a.name);
      EXPECT_EQ(b.pixelType, a.pixelType);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * w + x;
          const std::size_t from = Source(x, y, w, h, true, true);
          if (a.pixelType == zarn::io::kPixelUint) ASSERT_EQ(b.u[i], a.u[from]) << x << "," << y;
          else ASSERT_EQ(b.f[i], a.f[from]) << x << "," << y;
        }
    }
    // The bitmap's extra channels as the filter saw them moved too.
    EXPECT_EQ(out.storage->FloatChannel()[0], 100.0f + (w - 1) + 1000.0f * (h - 1));
    EXPECT_EQ(out.storage->U16Channel()[0], 65535);
  }
}

TEST(Runner, PngToExrAndBack) {
  Scratch s;
  // 16-bit values a half-float channel holds exactly: small whole numbers
  // over 65535 and 65535 itself.
  Image in = PositionImage(4, 3);
  for (int i = 0; i < 12; ++i)
    in.storage->Pixels()[i] = {static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(2 * i), 65535,
                               static_cast<std::uint16_t>(i % 2 ? 65535 : 0)};
  Save(s.Path("in.png"), in);
  ASSERT_EQ(s.Zarn({"run", "in.png", "mid.exr", "--horizontal", "off"}).code, 0);
  const Image mid = Load(s.Path("mid.exr"));
  ASSERT_EQ(mid.exr.size(), 4u);  // A, B, G, R
  EXPECT_EQ(mid.exr[0].name, "A");
  EXPECT_EQ(mid.exr[0].pixelType, zarn::io::kPixelHalf);
  const Result r = s.Zarn({"run", "mid.exr", "back.png", "--horizontal", "off"});
  ASSERT_EQ(r.code, 0) << r.err;
  const Image back = Load(s.Path("back.png"));
  EXPECT_EQ(back.pngChannels, 4);
  EXPECT_EQ(back.pngDepth, 16);
  EXPECT_EQ(PixelsOf(back), PixelsOf(in));
}

// A one-part file whose scan-line part also carries a tile description (as
// the EXR fuzzer made it): what zarn writes must read back, which it did
// not while the stray description went along and marked the file tiled.
TEST(Runner, ScanLinePartWithAStrayTileDescriptionIsWrittenReadably) {
  Scratch s;
  const char* source = std::getenv("ZARN_SOURCE");
  ASSERT_NE(source, nullptr);
  // The fuzz input's first byte is the target's mirror flags.
  const std::vector<std::uint8_t> input =
      Bytes(std::string(source) + "/fuzz/corpus/exr_io_fuzz/scanline-part-with-tiles.exr");
  ASSERT_GT(input.size(), 1u);
  WriteBytes(s.Path("in.exr"), std::vector<std::uint8_t>(input.begin() + 1, input.end()));
  Result r = s.Zarn({"run", "in.exr", "once.exr"});
  ASSERT_EQ(r.code, 0) << r.err;
  r = s.Zarn({"run", "once.exr", "twice.exr"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  ExpectMirrored(PixelsOf(Load(s.Path("in.exr"))), PixelsOf(Load(s.Path("twice.exr"))), 2, 2, false, false);
}

// ---- Configuration blocks -----------------------------------------------------

TEST(Runner, ConfigBlockRestoredAsTheHostDoes) {
  struct Row {
    std::vector<std::uint8_t> block;
    std::vector<std::string> flags;
    bool horizontal, vertical;
  };
  const std::vector<Row> rows = {
      {{0x78, 0x41, 0xFD, 0x43, 1, 0, 0, 0, 0, 0, 0, 0}, {}, true, false},
      {{0x78, 0x41, 0xFD, 0x43, 0, 0, 0, 0, 1, 0, 0, 0}, {}, false, true},
      // A flag of 2 is taken as it is and means no.
      {{0x78, 0x41, 0xFD, 0x43, 2, 0, 0, 0, 1, 0, 0, 0}, {}, false, true},
      // Flags given on the command line override the file.
      {{0x78, 0x41, 0xFD, 0x43, 0, 0, 0, 0, 0, 0, 0, 0}, {"--horizontal", "on"}, true, false},
      {{0x78, 0x41, 0xFD, 0x43, 1, 0, 0, 0, 1, 0, 0, 0}, {"--vertical", "off"}, true, false},
  };
  Scratch s;
  Image in = PositionImage(4, 3);
  Save(s.Path("in.png"), in);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    SCOPED_TRACE(k);
    WriteBytes(s.Path("m.cfg"), rows[k].block);
    std::vector<std::string> words = {"run", "in.png", "out.png", "--config", "m.cfg"};
    words.insert(words.end(), rows[k].flags.begin(), rows[k].flags.end());
    const Result r = s.Zarn(words);
    ASSERT_EQ(r.code, 0) << r.err;
    ExpectMirrored(PixelsOf(in), PixelsOf(Load(s.Path("out.png"))), 4, 3, rows[k].horizontal, rows[k].vertical);
  }
}

TEST(Runner, ConfigureWithoutDialogsIsAnErrorAndWritesNothing) {
  Scratch s;
  const Result r = s.Zarn({"configure", "--config", "m.cfg"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "zarn: this build of the filter has no dialogs; use the Windows runner (./zarn configure forwards "
            "there)\n");
  EXPECT_FALSE(fs::exists(s.Dir() / "m.cfg"));
}

// ---- Bad input: one exact line and the exit code ------------------------------

struct BadCase {
  const char* name;
  std::vector<std::string> words;
  std::string message;
  int code;
};

class BadInputTest : public testing::TestWithParam<BadCase> {
 protected:
  void SetUp() override {
    Save(s.Path("good.png"), PositionImage(4, 3));
    const std::vector<std::uint8_t> good = Bytes(s.Path("good.png"));
    WriteBytes(s.Path("junk.png"), {'h', 'e', 'l', 'l', 'o'});
    WriteBytes(s.Path("empty.png"), {});
    WriteBytes(s.Path("cut.png"), std::vector<std::uint8_t>(good.begin(), good.begin() + 50));
    std::vector<std::uint8_t> crc = good;
    crc[30] ^= 0xFF;  // inside the header chunk, so its CRC no longer matches
    WriteBytes(s.Path("crc.png"), crc);
    WritePalettePng(s.Path("palette.png"));
    Save(s.Path("good.exr"), ExrFixture(3, 2));
    const std::vector<std::uint8_t> exr = Bytes(s.Path("good.exr"));
    WriteBytes(s.Path("cut.exr"), std::vector<std::uint8_t>(exr.begin(), exr.begin() + exr.size() / 2));
    // 60000 x 60000 RGBA8 claimed in a 69-byte file: its 12 bytes of image
    // data cannot hold the rows, which is what shows once the limit is raised.
    WriteBytes(s.Path("sixty.png"), MadePng(60000, 60000, 8, 6, Deflated(std::vector<std::uint8_t>(100, 0))));
    WriteBytes(s.Path("short.cfg"), {0x78, 0x41, 0xFD, 0x43, 1, 0, 0});
    WriteBytes(s.Path("zero.cfg"), std::vector<std::uint8_t>(12, 0));
    fs::create_directory(s.Dir() / "seq");
    for (int f : {1, 2, 4}) fs::copy_file(s.Path("good.png"), s.Path("seq/f." + std::to_string(f) + ".png"));
  }

  static void WritePalettePng(const std::string& path);
  Scratch s;
};

void BadInputTest::WritePalettePng(const std::string& path) {
  // libpng straight, since the runner itself never writes palettes.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, 2, 1, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[2] = {{0, 0, 0}, {255, 255, 255}};
  png_set_PLTE(png, info, palette, 2);
  png_write_info(png, info);
  png_byte row[2] = {0, 1};
  png_write_row(png, row);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

// A palette file is read (it was once refused) and comes back as 8-bit RGB.
class PaletteTest : public BadInputTest {};

TEST_F(PaletteTest, MirroredAsEightBitRgb) {
  const Result r = s.Zarn({"run", "palette.png", "out.png"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const Image out = Load(s.Path("out.png"));
  EXPECT_EQ(out.pngChannels, 3);
  EXPECT_EQ(out.pngDepth, 8);
  EXPECT_EQ(PixelsOf(out), (std::vector<BMM_Color_64>{{65535, 65535, 65535, 65535}, {0, 0, 0, 65535}}));
}

TEST_P(BadInputTest, ExactMessageAndExitCode) {
  const BadCase& c = GetParam();
  const Result r = s.Zarn(c.words);
  EXPECT_EQ(r.err, c.message);
  EXPECT_EQ(r.code, c.code);
  // Nothing half-written is left behind.
  for (const std::string& name : FilesIn(s.Dir())) {
    EXPECT_EQ(name.find(".zarn-"), std::string::npos) << name;
    EXPECT_NE(name, "out.png");
    EXPECT_NE(name, "out.exr");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInputTest,
    testing::Values(
        BadCase{"MissingFile", {"run", "nothing.png", "out.png"}, "zarn: no such file or folder: nothing.png\n", 2},
        BadCase{"NotAnImage",
                {"run", "junk.png", "out.png"},
                "zarn: junk.png: not a PNG or OpenEXR image\nzarn: 1 of 1 frames failed\n",
                1},
        BadCase{"EmptyFile", {"run", "empty.png", "out.png"}, "zarn: empty.png: empty file\nzarn: 1 of 1 frames failed\n", 1},
        BadCase{"TruncatedPng",
                {"run", "cut.png", "out.png"},
                "zarn: cut.png: truncated PNG\nzarn: 1 of 1 frames failed\n",
                1},
        BadCase{"CorruptPng",
                {"run", "crc.png", "out.png"},
                "zarn: crc.png: corrupt PNG (IHDR: CRC error)\nzarn: 1 of 1 frames failed\n",
                1},
        BadCase{"TruncatedExr",
                {"run", "cut.exr", "out.exr"},
                "zarn: cut.exr: corrupt OpenEXR (the file ends early)\n"
                "zarn: 1 of 1 frames failed\n",
                1},
        BadCase{"ConfigWrongSize",
                {"run", "good.png", "out.png", "--config", "short.cfg"},
                "zarn: short.cfg: a configuration is 12 bytes, this file has 7\n",
                2},
        BadCase{"ConfigWrongIdentifier",
                {"run", "good.png", "out.png", "--config", "zero.cfg"},
                "zarn: zero.cfg: the filter refuses this configuration (00 00 00 00 is not its identifier)\n",
                2},
        BadCase{"ConfigMissing",
                {"run", "good.png", "out.png", "--config", "none.cfg"},
                "zarn: none.cfg: no such file\n",
                2},
        BadCase{"MissingFrames",
                {"run", "seq/f.%d.png", "out.%d.png", "--frames", "1-5"},
                "zarn: missing frames in 1-5: seq/f.3.png, seq/f.5.png\n",
                2},
        BadCase{"ManyMissingFrames",
                {"run", "seq/f.%d.png", "out.%d.png", "--frames", "1-20"},
                "zarn: missing frames in 1-20: seq/f.3.png, seq/f.5.png, seq/f.6.png, seq/f.7.png, seq/f.8.png "
                "and 12 more\n",
                2},
        BadCase{"HugeRange",
                {"run", "seq/f.%d.png", "out.%d.png", "--frames", "1-100000000000"},
                "zarn: --frames 1-100000000000: at most 10000000 frames at once\n",
                2},
        BadCase{"BadRange",
                {"run", "seq/f.%d.png", "out.%d.png", "--frames", "5-1"},
                "zarn: --frames '5-1': expected A-B with A <= B\n",
                2},
        BadCase{"ManyFramesOneFile",
                {"run", "seq/f.%d.png", "out.png"},
                "zarn: OUT must be a folder or a pattern (like out.%04d.png) for 3 frames\n",
                2},
        BadCase{"UnknownOutputType",
                {"run", "good.png", "out.tif"},
                "zarn: out.tif: cannot tell the image type from the name (use .png or .exr)\n",
                2},
        BadCase{"FrameOverThePixelLimit",
                {"run", "sixty.png", "out.png"},
                "zarn: sixty.png: the header claims 60000x60000 pixels, more than the limit of 134217728 "
                "pixels a frame (--max-pixels N raises it)\nzarn: 1 of 1 frames failed\n",
                1},
        BadCase{"MaxPixelsRefusesASmallFrame",
                {"run", "good.png", "out.png", "--max-pixels", "11"},
                "zarn: good.png: the header claims 4x3 pixels, more than the limit of 11 pixels a frame "
                "(--max-pixels N raises it)\nzarn: 1 of 1 frames failed\n",
                1},
        BadCase{"MaxPixelsRaised",
                {"run", "sixty.png", "out.png", "--max-pixels", "3600000000"},
                "zarn: sixty.png: truncated PNG (12 bytes of image data cannot hold 60000x60000 pixels)\n"
                "zarn: 1 of 1 frames failed\n",
                1},
        BadCase{"ApplyOverThePixelLimit",
                {"apply", "mirror-horizontal", "--max-pixels", "11", "good.png", "out.png"},
                "zarn: good.png: the header claims 4x3 pixels, more than the limit of 11 pixels a frame "
                "(--max-pixels N raises it)\n",
                1},
        BadCase{"MaxPixelsZero",
                {"run", "good.png", "out.png", "--max-pixels", "0"},
                "zarn: --max-pixels '0': expected a whole number of pixels, 1 or more\n",
                2},
        BadCase{"MaxPixelsNegative",
                {"run", "good.png", "out.png", "--max-pixels=-12"},
                "zarn: --max-pixels '-12': expected a whole number of pixels, 1 or more\n",
                2},
        BadCase{"MaxPixelsText",
                {"apply", "mirror-horizontal", "--max-pixels", "4k", "good.png", "out.png"},
                "zarn: --max-pixels '4k': expected a whole number of pixels, 1 or more\n",
                2},
        BadCase{"MaxPixelsOverflow",
                {"run", "good.png", "out.png", "--max-pixels", "18446744073709551616"},
                "zarn: --max-pixels '18446744073709551616': too large (at most 18446744073709551615)\n",
                2},
        BadCase{"OverwritesAnInput",
                {"run", "seq", "seq"},
                "zarn: seq/f.1.png is an input frame and would be overwritten; name it as the output to replace it\n",
                2}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

// ---- Sequences: failures, resume, jobs ------------------------------------------

TEST(Runner, FailedFrameLeavesNoFileAndOthersAreKept) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  Save(s.Path("in/f.0001.png"), PositionImage(3, 2));
  WriteBytes(s.Path("in/f.0002.png"), {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0});
  Save(s.Path("in/f.0003.png"), PositionImage(3, 2));
  const Result r = s.Zarn({"run", "in/f.%04d.png", "out/f.%04d.png", "--jobs", "2"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "zarn: in/f.0002.png: truncated PNG\nzarn: 1 of 3 frames failed\n");
  EXPECT_EQ(FilesIn(s.Dir() / "out"), (std::vector<std::string>{"f.0001.png", "f.0003.png"}));
}

// Hostile frames in a sequence fail one by one, each with its reason, before
// their claims are allocated; the frames around them are written.
TEST(Runner, HostileFramesFailAloneAndTheOthersAreWritten) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  Save(s.Path("in/f.1.png"), PositionImage(3, 2));
  WriteBytes(s.Path("in/f.2.png"), MadePng(100000, 100000, 8, 6, Deflated({0, 1, 2, 3, 4})));
  WriteBytes(s.Path("in/f.3.png"), MadePng(60000, 60000, 8, 6, Deflated({0, 1, 2, 3, 4})));
  // Two rows of one pixel, then 100 MB of zeros in the same stream.
  WriteBytes(s.Path("in/f.4.png"), MadePng(1, 2, 8, 6, Deflated({0, 1, 2, 3, 4, 0, 5, 6, 7, 8}, 100 << 20)));
  Save(s.Path("in/f.5.png"), PositionImage(3, 2));
  const Result r = s.Zarn({"run", "in/f.%d.png", "out/f.%d.png"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(
      r.err,
      "zarn: in/f.2.png: unsupported PNG size (100000x100000); zarn reads 1 to 65535 pixels each way\n"
      "zarn: in/f.3.png: the header claims 60000x60000 pixels, more than the limit of 134217728 pixels a "
      "frame (--max-pixels N raises it)\n"
      "zarn: in/f.4.png: corrupt PNG (its image data goes on past the last row)\n"
      "zarn: 3 of 5 frames failed\n");
  EXPECT_EQ(FilesIn(s.Dir() / "out"), (std::vector<std::string>{"f.1.png", "f.5.png"}));
}

// Runs zarn over a sequence one frame at a time, with one input frame a
// named pipe (`gate`): once zarn opens it to read that frame, every frame
// before it is written, and the shell command `meanwhile` runs; then the
// first `feedBytes` bytes of `feed` come through the pipe and zarn goes on.
// The order is kept by the pipe itself; the loop only ends the wait should
// zarn stop without reading the gate.
Result ZarnThroughGate(const Scratch& s, std::vector<std::string> words, const std::string& gate,
                       const std::string& meanwhile, const std::string& feed, std::size_t feedBytes) {
  const char* bin = std::getenv("ZARN_BIN");
  EXPECT_NE(bin, nullptr) << "ZARN_BIN is not set";
  std::string zarn = platform::ShellQuote((fs::path(bin ? bin : ".") / "zarn").string());
  for (const std::string& w : words) zarn += " " + platform::ShellQuote(w);
  const std::string pipe = platform::ShellQuote(gate);
  const std::string script = "mkfifo " + pipe + " || exit 99; " + zarn + " >.stdout 2>.stderr & p=$!; " +
                             "{ while kill -0 $p 2>/dev/null; do sleep 0.1; done; : <>" + pipe + "; } & " +
                             "exec 3>" + pipe + "; " + meanwhile + "; head -c " + std::to_string(feedBytes) +
                             " " + platform::ShellQuote(feed) +
                             " >&3; exec 3>&-; wait $p; rc=$?; wait; exit $rc";
  const std::string command =
      platform::ShellChangeDirectory(s.Dir().string()) + " && bash -c " + platform::ShellQuote(script);
  Result result;
  result.code = platform::ExitCodeOf(std::system(command.c_str()));
  result.out = TextOf(s.Path(".stdout"));
  result.err = TextOf(s.Path(".stderr"));
  fs::remove(s.Dir() / ".stdout");
  fs::remove(s.Dir() / ".stderr");
  return result;
}

// Frames that change between the listing and the reading (emptied, cut,
// removed, rewritten), and one whose bytes end early while it is read: each
// fails with its reason and the untouched frame is written.
TEST(Runner, FramesThatChangeUnderTheRunFailOneByOne) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  Save(s.Path("good.png"), PositionImage(3, 2));
  for (int f = 2; f <= 6; ++f)
    fs::copy_file(s.Path("good.png"), s.Path("in/f." + std::to_string(f) + ".png"));
  const Result r = ZarnThroughGate(s, {"run", "in/f.%d.png", "out/f.%d.png"}, "in/f.1.png",
                                   ": >in/f.2.png; truncate -s 40 in/f.3.png; rm in/f.4.png; "
                                   "printf hello >in/f.5.png",
                                   "good.png", 50);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "zarn: in/f.1.png: truncated PNG\n"
            "zarn: in/f.2.png: empty file\n"
            "zarn: in/f.3.png: truncated PNG\n"
            "zarn: in/f.4.png: no such file\n"
            "zarn: in/f.5.png: not a PNG or OpenEXR image\n"
            "zarn: 5 of 6 frames failed\n");
  EXPECT_EQ(FilesIn(s.Dir() / "out"), std::vector<std::string>{"f.6.png"});
  ExpectMirrored(PixelsOf(Load(s.Path("good.png"))), PixelsOf(Load(s.Path("out/f.6.png"))), 3, 2, true,
                 false);
}

// The output folder goes away after the first frame is written: the frames
// after it fail by name with the reason, the folder is not made again
// behind the user's back, the finished frame is kept where the folder went,
// and no temporary is left anywhere.
struct VanishCase {
  const char* name;
  const char* meanwhile;
  const char* kept;  // where the finished frame is, or null
};
void PrintTo(const VanishCase& c, std::ostream* os) { *os << c.name; }
class VanishingFolderTest : public testing::TestWithParam<VanishCase> {};

TEST_P(VanishingFolderTest, LaterFramesFailByNameAndNothingIsLeftHalfDone) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  const Image image = PositionImage(5, 4);
  Save(s.Path("in/f.1.png"), image);
  for (int f = 3; f <= 4; ++f)
    fs::copy_file(s.Path("in/f.1.png"), s.Path("in/f." + std::to_string(f) + ".png"));
  const std::size_t size = static_cast<std::size_t>(fs::file_size(s.Path("in/f.1.png")));
  const Result r = ZarnThroughGate(s, {"run", "in/f.%d.png", "out/f.%d.png"}, "in/f.2.png",
                                   GetParam().meanwhile, "in/f.1.png", size);
  EXPECT_EQ(r.code, 1);
  std::string expected;
  for (int f = 2; f <= 4; ++f)
    expected +=
        "zarn: out/f." + std::to_string(f) + ".png: cannot write (the folder out is no longer there)\n";
  EXPECT_EQ(r.err, expected + "zarn: 3 of 4 frames failed\n");
  EXPECT_FALSE(fs::exists(s.Dir() / "out"));
  if (GetParam().kept) {
    EXPECT_EQ(FilesIn(s.Dir() / GetParam().kept), std::vector<std::string>{"f.1.png"});
    ExpectMirrored(PixelsOf(image), PixelsOf(Load(s.Path(std::string(GetParam().kept) + "/f.1.png"))), 5, 4,
                   true, false);
  }
  std::vector<std::string> files = {"in"};
  if (GetParam().kept) files.push_back(GetParam().kept);
  EXPECT_EQ(FilesIn(s.Dir()), files);
}

INSTANTIATE_TEST_SUITE_P(Ways, VanishingFolderTest,
                         testing::Values(VanishCase{"Moved", "mv out moved", "moved"},
                                         VanishCase{"Removed", "rm -r out", nullptr}),
                         [](const testing::TestParamInfo<VanishCase>& p) {
                           return std::string(p.param.name);
                         });

// A small file system of the test's own, where mounting is allowed (as root
// in a container or CI machine); the tests that need one skip elsewhere.
class SmallDisk {
 public:
  SmallDisk(const fs::path& dir, long long kib, bool readOnly) : dir_(dir) {
    fs::create_directories(dir);
    const std::string quoted = platform::ShellQuote(dir.string());
    mounted_ = std::system(("mount -t tmpfs -o size=" + std::to_string(kib) + "k tmpfs " + quoted +
                            " 2>/dev/null")
                               .c_str()) == 0;
    if (mounted_ && readOnly) std::system(("mount -o remount,ro " + quoted).c_str());
  }
  ~SmallDisk() {
    if (mounted_) std::system(("umount " + platform::ShellQuote(dir_.string())).c_str());
  }
  bool Mounted() const { return mounted_; }

 private:
  fs::path dir_;
  bool mounted_ = false;
};

// Frames that no codec can shrink, so their written size is known ahead.
Image NoiseImage(int w, int h, std::uint32_t seed) {
  Image image = PositionImage(w, h);
  BMM_Color_64* p = image.storage->Pixels();
  for (int i = 0; i < w * h; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const std::uint32_t a = seed;
    seed = seed * 1664525u + 1013904223u;
    p[i] = BMM_Color_64{static_cast<std::uint16_t>(a >> 16), static_cast<std::uint16_t>(a),
                        static_cast<std::uint16_t>(seed >> 16), static_cast<std::uint16_t>(seed)};
  }
  return image;
}

TEST(Runner, FullDiskKeepsFinishedFramesNamesTheRestAndLeavesNoTemporary) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  for (int f = 1; f <= 5; ++f) Save(s.Path("in/f." + std::to_string(f) + ".png"), NoiseImage(128, 128, f));
  ASSERT_EQ(s.Zarn({"run", "in/f.1.png", "probe.png"}).code, 0);
  const auto frameBytes = static_cast<long long>(fs::file_size(s.Path("probe.png")));
  // Room for two finished frames and half of a third.
  SmallDisk disk(s.Dir() / "out", (frameBytes * 5 / 2) / 1024 + 4, false);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small file system here (mount needs root)";
  const Result r = s.Zarn({"run", "in/f.%d.png", "out/f.%d.png"});
  EXPECT_EQ(r.code, 1);
  std::string expected;
  for (int f = 3; f <= 5; ++f)
    expected += "zarn: out/f." + std::to_string(f) + ".png: cannot write (No space left on device)\n";
  EXPECT_EQ(r.err, expected + "zarn: 3 of 5 frames failed\n");
  EXPECT_EQ(FilesIn(s.Dir() / "out"), (std::vector<std::string>{"f.1.png", "f.2.png"}));
  for (int f = 1; f <= 2; ++f)
    ExpectMirrored(PixelsOf(NoiseImage(128, 128, f)), PixelsOf(Load(s.Path("out/f." + std::to_string(f) + ".png"))),
                   128, 128, true, false);
}

TEST(Runner, ReadOnlyOutputFolderNamesEveryFrame) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  for (int f = 1; f <= 2; ++f) Save(s.Path("in/f." + std::to_string(f) + ".png"), PositionImage(3, 2));
  SmallDisk disk(s.Dir() / "out", 64, true);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small file system here (mount needs root)";
  const Result r = s.Zarn({"run", "in/f.%d.png", "out/f.%d.png"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "zarn: out/f.1.png: cannot write (Read-only file system)\n"
            "zarn: out/f.2.png: cannot write (Read-only file system)\n"
            "zarn: 2 of 2 frames failed\n");
  EXPECT_TRUE(FilesIn(s.Dir() / "out").empty());
}

TEST(Runner, ResumeSkipsFramesWhoseOutputExists) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  fs::create_directory(s.Dir() / "out");
  for (int f = 1; f <= 3; ++f) Save(s.Path("in/f." + std::to_string(f) + ".png"), PositionImage(3, 2));
  WriteBytes(s.Path("out/f.2.png"), {'k', 'e', 'e', 'p'});
  Result r = s.Zarn({"run", "in/f.%d.png", "out/f.%d.png", "--resume"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Bytes(s.Path("out/f.2.png")), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
  ExpectMirrored(PixelsOf(Load(s.Path("in/f.3.png"))), PixelsOf(Load(s.Path("out/f.3.png"))), 3, 2, true, false);
  // Without --resume the frame is written again.
  r = s.Zarn({"run", "in/f.%d.png", "out/f.%d.png", "--frames", "2-2"});
  ASSERT_EQ(r.code, 0) << r.err;
  ExpectMirrored(PixelsOf(Load(s.Path("in/f.2.png"))), PixelsOf(Load(s.Path("out/f.2.png"))), 3, 2, true, false);
}

TEST(Runner, FramesSelectsARangeAndFoldersWork) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  for (int f = 1; f <= 5; ++f) Save(s.Path("in/f." + std::to_string(f) + ".png"), PositionImage(2, 2));
  ASSERT_EQ(s.Zarn({"run", "in", "out", "--frames", "2-4"}).code, 0);
  EXPECT_EQ(FilesIn(s.Dir() / "out"), (std::vector<std::string>{"f.2.png", "f.3.png", "f.4.png"}));
}

TEST(Runner, JobsGiveTheSameBytes) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  for (int f = 1; f <= 6; ++f) {
    Image image = PositionImage(9, 7);
    image.storage->Pixels()[f].r = 12345;
    Save(s.Path("in/f." + std::to_string(f) + ".png"), image);
    Image exr = ExrFixture(9, 7);
    exr.exr[0].f[f] = 7.25f;
    Save(s.Path("in/f." + std::to_string(f) + ".exr"), exr);
  }
  for (const char* ext : {"png", "exr"}) {
    SCOPED_TRACE(ext);
    const std::string in = std::string("in/f.%d.") + ext;
    ASSERT_EQ(s.Zarn({"run", in, std::string("one/f.%d.") + ext, "--vertical", "on"}).code, 0);
    ASSERT_EQ(s.Zarn({"run", in, std::string("two/f.%d.") + ext, "--vertical", "on", "--jobs", "2"}).code, 0);
    for (int f = 1; f <= 6; ++f) {
      const std::string name = "f." + std::to_string(f) + "." + ext;
      EXPECT_EQ(Bytes(s.Path("one/" + name)), Bytes(s.Path("two/" + name))) << name;
    }
  }
}

TEST(Runner, SameFileAsNamedOutputIsReplaced) {
  Scratch s;
  Image in = PositionImage(3, 2);
  Save(s.Path("a.png"), in);
  ASSERT_EQ(s.Zarn({"run", "a.png", "a.png"}).code, 0);
  ExpectMirrored(PixelsOf(in), PixelsOf(Load(s.Path("a.png"))), 3, 2, true, false);
}

// A sequence of identical frames whose outputs are checked whole.
struct InterruptedSequence {
  static constexpr int kFrames = 60, kW = 320, kH = 240;
  Scratch s;
  Image image = PositionImage(kW, kH);
  InterruptedSequence() {
    fs::create_directory(s.Dir() / "in");
    Save(s.Path("in/f.1.png"), image);
    for (int f = 2; f <= kFrames; ++f)
      fs::copy_file(s.Path("in/f.1.png"), s.Path("in/f." + std::to_string(f) + ".png"));
  }
  // Checks every finished output; answers how many there are. Temporaries
  // are counted apart.
  int WholeFrames(int* temporaries = nullptr) {
    int written = 0;
    if (!fs::exists(s.Dir() / "out")) return 0;
    for (const std::string& name : FilesIn(s.Dir() / "out")) {
      SCOPED_TRACE(name);
      if (name.find(".zarn-") != std::string::npos) {
        EXPECT_NE(temporaries, nullptr) << "a temporary was left";
        if (temporaries) ++*temporaries;
        continue;
      }
      if (name[0] == '.') continue;  // not the runner's
      ExpectMirrored(PixelsOf(image), PixelsOf(Load(s.Path("out/" + name))), kW, kH, true, false);
      ++written;
    }
    return written;
  }
};

struct StopCase {
  const char* name;
  const char* signal;
  const char* jobs;
};
class StopTest : public testing::TestWithParam<StopCase> {};

TEST_P(StopTest, LeavesOnlyWholeFramesAndNoTemporaries) {
  InterruptedSequence q;
  const Result r =
      q.s.ZarnInterrupted({"run", "in/f.%d.png", "out/f.%d.png", "--jobs", GetParam().jobs}, "0.15",
                          GetParam().signal);
  // Whenever the signal lands, every output there is a whole frame.
  ASSERT_TRUE(r.code == 130 || r.code == 0) << r.code << " " << r.err;
  const int written = q.WholeFrames();
  if (r.code == 130)
    EXPECT_EQ(r.err, "zarn: interrupted after " + std::to_string(written) + " of " +
                         std::to_string(InterruptedSequence::kFrames) + " frames; finished frames are kept\n");
  else
    EXPECT_EQ(written, InterruptedSequence::kFrames);
}

INSTANTIATE_TEST_SUITE_P(Signals, StopTest,
                         testing::Values(StopCase{"CtrlC", "INT", "1"}, StopCase{"CtrlCTwoJobs", "INT", "2"},
                                         StopCase{"TermTwoJobs", "TERM", "2"}),
                         [](const testing::TestParamInfo<StopCase>& p) { return std::string(p.param.name); });

TEST(Runner, KilledRunLeavesAtMostTemporariesWhichResumeRemoves) {
  InterruptedSequence q;
  const Result killed = q.s.ZarnInterrupted({"run", "in/f.%d.png", "out/f.%d.png", "--jobs", "2"}, "0.15", "KILL");
  EXPECT_TRUE(killed.code == 137 || killed.code == 0) << killed.code;
  int temporaries = 0;
  q.WholeFrames(&temporaries);
  // One temporary as a kill mid-write leaves it, and files that only look alike.
  fs::create_directories(q.s.Dir() / "out");
  WriteBytes(q.s.Path("out/.f.7.png.zarn-0badc0de-3.tmp"), {1, 2, 3});
  WriteBytes(q.s.Path("out/.notes"), {1});
  WriteBytes(q.s.Path("out/.f.99.png.zarn-0badc0de-4.tmp"), {1});  // no such frame: not ours to remove

  const Result resumed = q.s.Zarn({"run", "in/f.%d.png", "out/f.%d.png", "--resume"});
  EXPECT_EQ(resumed.code, 0) << resumed.err;
  temporaries = 0;
  EXPECT_EQ(q.WholeFrames(&temporaries), InterruptedSequence::kFrames);
  EXPECT_EQ(temporaries, 1);
  EXPECT_TRUE(fs::exists(q.s.Dir() / "out/.notes"));
  EXPECT_TRUE(fs::exists(q.s.Dir() / "out/.f.99.png.zarn-0badc0de-4.tmp"));
}

// ---- zarn apply ------------------------------------------------------------------

TEST(Runner, ApplyMirrorHorizontal) {
  Scratch s;
  Image in = PositionImage(5, 4);
  Save(s.Path("in.png"), in);
  Result r = s.Zarn({"apply", "mirror-horizontal", "in.png", "out.png"});
  ASSERT_EQ(r.code, 0) << r.err;
  ExpectMirrored(PixelsOf(in), PixelsOf(Load(s.Path("out.png"))), 5, 4, true, false);

  r = s.Zarn({"apply", "no-such-op", "in.png", "out2.png"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "zarn: unknown operation 'no-such-op' (see zarn apply --list)\n");
  r = s.Zarn({"apply", "mirror-horizontal", "size=3", "in.png", "out2.png"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "zarn: mirror-horizontal: unknown parameter 'size'\n");
  EXPECT_FALSE(fs::exists(s.Dir() / "out2.png"));
  r = s.Zarn({"apply", "--list"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("mirror-horizontal      mirror left-right (swap columns)\n"), std::string::npos);
}

// Ctrl-C part-way through a long blur: the blur is stopped, nothing is
// written and no temporary file is left. Wherever the signal lands (reading,
// blurring or writing) the outcome is the same.
TEST(Runner, ApplyBlurInterruptedWritesNothing) {
  Scratch s;
  Save(s.Path("in.png"), PositionImage(4000, 3000));
  const Result r = s.ZarnInterrupted({"apply", "blur", "radius=8", "in.png", "out.png"}, "0.4");
  EXPECT_EQ(r.code, 130) << r.err;
  EXPECT_EQ(r.err, "zarn: interrupted; out.png not written\n");
  EXPECT_EQ(FilesIn(s.Dir()), std::vector<std::string>{"in.png"});
}

TEST(Runner, GalleryHasATilePerOperation) {
  Scratch s;
  const std::size_t operations = zarn::ops::Operations().All().size();
  const Result r = s.Zarn({"gallery", "g.png"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "zarn: wrote g.png (" + std::to_string(operations) + " operations)\n");
  const Image g = Load(s.Path("g.png"));
  // Four 192 x 128 tiles a row, each with a 14-pixel label, 6 pixels apart.
  EXPECT_EQ(g.width, 798);
  EXPECT_EQ(g.height, 6 + 148 * static_cast<int>((operations + 3) / 4));
}

TEST(Runner, ApplyListShowsTheTable) {
  Scratch s;
  const Result r = s.Zarn({"apply", "--list"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> names;
  for (std::size_t at = 0; at < r.out.size(); at = r.out.find('\n', at) + 1)
    if (r.out[at] != ' ') names.push_back(r.out.substr(at, r.out.find(' ', at) - at));
  std::vector<std::string> registered;
  for (const zarn::ops::Operation& op : zarn::ops::Operations().All()) registered.push_back(op.name);
  EXPECT_EQ(names, registered);
  for (const char* block : {"koch-line              Koch curve from (x1, y1) to (x2, y2), bumps to the right\n"
                            "    x1=10  start column\n"
                            "    y1=50  start row\n"
                            "    x2=180  end column\n"
                            "    y2=50  end row\n"
                            "    depth=3  levels (0 to 12)\n"
                            "    color=#ffffff  drawing colour (#rrggbb or r,g,b,a)\n",
                            "reduce                 shrink the picture by cell means and place it at (x, y)\n"
                            "    fx=0.5  width factor (above 0, at most 1)\n"
                            "    fy=0.5  height factor (above 0, at most 1)\n"
                            "    x=0  left column of the shrunk picture\n",
                            "    anchor=0  fixed point: 0 centre, 1 top-right, -1 bottom-left (one of 0, 1, -1)\n",
                            "    kernel=sharpen  coefficients row by row, e.g. 0,-1,0,-1,5,-1,0,-1,0, or a named kernel "
                            "(a list of 1, 9, 25, 49 ... numbers, or one of sharpen, emboss, edge, box3)\n"
                            "    divisor=(box3: 9, others 1)  sums are divided by it when above 1\n"})
    EXPECT_NE(r.out.find(block), std::string::npos) << "missing:\n" << block;
}

// ---- Text -------------------------------------------------------------------

// What the toolkit draws for the same text and font on the same picture.
std::vector<BMM_Color_64> Drawn(const Image& in, const LOGFONTA& font, const char* text, int x, int y) {
  auto storage = MemoryStorage::Create(in.width, in.height);
  const std::vector<BMM_Color_64> pixels = PixelsOf(in);
  std::copy(pixels.begin(), pixels.end(), storage->Pixels());
  Bitmap bitmap(std::move(storage));
  Canvas canvas(nullptr, nullptr, &bitmap);
  canvas.SetFont(font);
  canvas.PrintText(x, y, text);
  return std::vector<BMM_Color_64>(canvas.pixels, canvas.pixels + in.width * in.height);
}

TEST(Runner, ApplyTextByFaceNameAndBySavedRecord) {
  Scratch s;
  const Image in = PositionImage(70, 30);
  Save(s.Path("in.png"), in);
  Result r = s.Zarn({"apply", "text", "text=Ab g", "x=2", "y=1", "font=Arial", "height=20", "in.png", "out.png"});
  ASSERT_EQ(r.code, 0) << r.err;
  // A named face is taken for any character set.
  const auto byName = Drawn(in, FontRecord("Arial", 20, DEFAULT_CHARSET), "Ab g", 2, 1);
  EXPECT_TRUE(PixelsOf(Load(s.Path("out.png"))) == byName);
  EXPECT_FALSE(byName == PixelsOf(in));

  const LOGFONTA saved = FontRecord("Liberation Serif", -16, ANSI_CHARSET);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&saved);
  WriteBytes(s.Path("serif.lf"), std::vector<std::uint8_t>(bytes, bytes + sizeof(saved)));
  r = s.Zarn({"apply", "text", "text=Ab g", "x=2", "y=1", "font=serif.lf", "in.png", "out2.png"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(PixelsOf(Load(s.Path("out2.png"))) == Drawn(in, saved, "Ab g", 2, 1));

  WriteBytes(s.Path("short.lf"), {1, 2, 3});
  r = s.Zarn({"apply", "text", "font=short.lf", "in.png", "out3.png"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "zarn: text: font=short.lf: not a saved font record (60 bytes)\n");
  EXPECT_FALSE(fs::exists(s.Dir() / "out3.png"));
}

// UTF-8 Korean reaches the glyphs as CP949 double-byte characters.
TEST(Runner, ApplyTextInKorean) {
  Scratch s;
  const Image in = PositionImage(80, 40);
  Save(s.Path("in.png"), in);
  const Result r = s.Zarn({"apply", "text", "text=\xED\x95\x9C\xEA\xB8\x80", "codepage=949",
                           "height=30", "in.png", "out.png"});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_TRUE(platform::SetMultiByteCodePage(949));
  const auto expected = Drawn(in, FontRecord("Arial", 30, HANGEUL_CHARSET), "\xC7\xD1\xB1\xDB", 0, 0);
  platform::SetMultiByteCodePage(0);
  EXPECT_TRUE(PixelsOf(Load(s.Path("out.png"))) == expected);
  EXPECT_FALSE(expected == PixelsOf(in));
}

TEST(Runner, ConfigureFontNeedsTheWindowsRunner) {
  Scratch s;
  const Result r = s.Zarn({"configure", "--font", "f.lf"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "zarn: this build has no font dialog; use the Windows runner, or give text a face name: "
            "zarn apply text font=NAME height=N\n");
  EXPECT_FALSE(fs::exists(s.Dir() / "f.lf"));
}

struct ApplyCase {
  const char* name;
  std::vector<std::string> words;  // between apply and IN OUT
  std::string message;
  int code;
  std::string scene = "";  // written to s.json when not empty
};

class ApplyErrorTest : public testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyErrorTest, ExactMessageAndNoOutput) {
  Scratch s;
  Save(s.Path("in.png"), PositionImage(5, 4));
  if (!GetParam().scene.empty()) WriteBytes(s.Path("s.json"), TextBytes(GetParam().scene));
  std::vector<std::string> words = {"apply"};
  words.insert(words.end(), GetParam().words.begin(), GetParam().words.end());
  words.insert(words.end(), {"in.png", "out.png"});
  const Result r = s.Zarn(words);
  EXPECT_EQ(r.err, GetParam().message);
  EXPECT_EQ(r.code, GetParam().code);
  std::vector<std::string> files = {"in.png"};
  if (!GetParam().scene.empty()) files.push_back("s.json");
  EXPECT_EQ(FilesIn(s.Dir()), files);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyErrorTest,
    testing::Values(
        ApplyCase{"OutOfRange", {"koch-line", "depth=13"}, "zarn: koch-line: depth=13 is above 12\n", 2},
        ApplyCase{"NotAChoice", {"rotate", "anchor=2"}, "zarn: rotate: anchor=2 is not one of 0, 1, -1\n", 2},
        ApplyCase{"Malformed", {"line", "x1=1O"}, "zarn: line: x1='1O' is not a number\n", 2},
        ApplyCase{"UnknownName", {"line", "colour=#ffffff"}, "zarn: line: unknown parameter 'colour'\n", 2},
        ApplyCase{"Repeated", {"line", "x1=1", "x1=2"}, "zarn: line: parameter 'x1' given twice\n", 2},
        ApplyCase{"MissingEquals", {"mosaic", "12"}, "zarn: mosaic: expected key=value, got '12'\n", 2},
        ApplyCase{"LongFaceName",
                  {"text", "font=abcdefghijklmnopqrstuvwxyzABCDEF"},
                  "zarn: text: font=abcdefghijklmnopqrstuvwxyzABCDEF: a face name has at most 31 characters\n",
                  1},
        ApplyCase{"UnknownCodePage", {"text", "codepage=437"},
                  "zarn: text: codepage=437 is not one of 0, 932, 936, 949, 950, 1252\n", 2},
        ApplyCase{"RefusedByTheBody",
                  {"mosaic", "id=3"},
                  "zarn: mosaic: id=3: the image has no object-id channel\n",
                  1}),
    [](const testing::TestParamInfo<ApplyCase>& info) { return std::string(info.param.name); });

// ---- Scene files --------------------------------------------------------------------

const char* kBallScene = R"({"camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 90},
  "nodes": [{"name": "ball", "position": [0, 0, -5]}]})";

INSTANTIATE_TEST_SUITE_P(
    SceneCases, ApplyErrorTest,
    testing::Values(
        ApplyCase{"NoScene",
                  {"node-marker"},
                  "zarn: node-marker needs --scene FILE (a camera and named nodes, see the README)\n",
                  2},
        ApplyCase{"MissingFile", {"node-marker", "--scene", "none.json"}, "zarn: none.json: no such file\n", 2},
        ApplyCase{"Syntax",
                  {"node-marker", "--scene", "s.json"},
                  "zarn: s.json:2:12: not valid JSON: syntax error while parsing object separator - "
                  "unexpected '{'; expected ':'\n",
                  2,
                  "{\n  \"camera\" {}\n}"},
        ApplyCase{"Field",
                  {"node-marker", "--scene", "s.json"},
                  "zarn: s.json: nodes[0].position: expected 3 numbers\n",
                  2,
                  R"({"camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 90},
                      "nodes": [{"name": "a", "position": [1, 2]}]})"},
        ApplyCase{"FrameSizeDiffers",
                  {"node-marker", "--scene", "s.json"},
                  "zarn: in.png: s.json: frame is 320 x 180, the image 5 x 4\n",
                  2,
                  R"({"camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 90},
                      "frame": {"width": 320, "height": 180}})"},
        ApplyCase{"UnknownNode",
                  {"node-marker", "name=cube", "--scene", "s.json"},
                  "zarn: node-marker: name=cube: the scene has no such node\n",
                  1,
                  kBallScene}),
    [](const testing::TestParamInfo<ApplyCase>& info) { return std::string(info.param.name); });

// The mirror filter takes no notice of the scene: the frames come out as
// without it. A bad scene stops the run before any frame.
TEST(Runner, RunWithASceneFile) {
  Scratch s;
  fs::create_directory(s.Dir() / "in");
  std::vector<std::vector<BMM_Color_64>> frames;
  for (int f = 1; f <= 3; ++f) {
    Image image = PositionImage(7, 5);
    image.storage->Pixels()[0].b = static_cast<std::uint16_t>(f);
    Save(s.Path("in/shot.000" + std::to_string(f) + ".png"), image);
    frames.push_back(PixelsOf(image));
  }
  WriteBytes(s.Path("scene.json"), TextBytes(kBallScene));
  Result r = s.Zarn({"run", "in/shot.%04d.png", "out/shot.%04d.png", "--scene", "scene.json", "--jobs", "2"});
  ASSERT_EQ(r.code, 0) << r.err;
  for (int f = 1; f <= 3; ++f)
    ExpectMirrored(frames[f - 1], PixelsOf(Load(s.Path("out/shot.000" + std::to_string(f) + ".png"))), 7, 5,
                   true, false);

  WriteBytes(s.Path("bad.json"),
             TextBytes(R"({"camera": {"position": [0, 0, 0], "target": [0, 0, 0], "fov": 90}})"));
  r = s.Zarn({"run", "in/shot.%04d.png", "out2/shot.%04d.png", "--scene", "bad.json"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "zarn: bad.json: camera.target: the same point as camera.position\n");
  EXPECT_FALSE(fs::exists(s.Dir() / "out2"));

  // A frame of another size than the scene's fails by name; the rest go on.
  WriteBytes(s.Path("sized.json"),
             TextBytes(R"({"camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 90},
                           "frame": {"width": 7, "height": 5}})"));
  Save(s.Path("in/shot.0004.png"), PositionImage(6, 5));
  r = s.Zarn({"run", "in/shot.%04d.png", "out3/shot.%04d.png", "--scene", "sized.json"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("in/shot.0004.png: sized.json: frame is 7 x 5, the image 6 x 5\n"), std::string::npos)
      << r.err;
  EXPECT_TRUE(fs::exists(s.Dir() / "out3/shot.0003.png"));
  EXPECT_FALSE(fs::exists(s.Dir() / "out3/shot.0004.png"));
}

// The example scene of the README marks the demo's disc and bar.
TEST(Runner, TheExampleSceneMarksTheDemoFrame) {
  Scratch s;
  ASSERT_EQ(s.Zarn({"demo", "d"}).code, 0);
  const char* source = std::getenv("ZARN_SOURCE");
  ASSERT_NE(source, nullptr);
  const Result r = s.Zarn({"apply", "node-marker", "name=disc", "color=#ff0000", "--scene",
                           std::string(source) + "/tests/data/demo_scene.json", "--frame", "3",
                           "d/input/frame.0003.png", "out.png"});
  ASSERT_EQ(r.code, 0) << r.err;
  // The disc's centre on frame 3: 36 + 248 * 2 / 7 = 106, row 90.
  const Image out = Load(s.Path("out.png"));
  for (const auto& [x, y] : {std::pair{106, 90}, std::pair{100, 90}, std::pair{106, 96}})
    EXPECT_EQ(PixelsOf(out)[y * out.width + x], (BMM_Color_64{65535, 0, 0, 65535})) << x << "," << y;
}

}  // namespace
