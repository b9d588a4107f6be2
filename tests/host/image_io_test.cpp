// The runner's image I/O as a unit: exact round trips and sound edges.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <utility>

#include "host/image_io.h"
#include "png_suite.h"
#include "runner.h"

using namespace zarn::io;
using namespace zarntest;

namespace {

TEST(ImageIo, ToU16Edges) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    float in;
    std::uint16_t out;
  };
  for (Row row : {Row{0.0f, 0}, Row{1.0f, 65535}, Row{0.5f, 32768}, Row{-1.0f, 0}, Row{2.0f, 65535},
                  Row{inf, 65535}, Row{-inf, 0}, Row{std::nanf(""), 0}, Row{1.0f / 65535.0f, 1}}) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(ToU16(row.in), row.out);
  }
}

TEST(ImageIo, EightBitWidensAndNarrowsExactly) {
  Image image;
  std::string error;
  ASSERT_TRUE(Allocate(image, 256, 1, 0, error));
  image.type = FileType::Png;
  image.pngChannels = 1;
  image.pngDepth = 8;
  for (int v = 0; v < 256; ++v)
    image.storage->Pixels()[v] = {static_cast<std::uint16_t>(v * 257), static_cast<std::uint16_t>(v * 257),
                                  static_cast<std::uint16_t>(v * 257), 65535};
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(Encode(image, FileType::Png, bytes, error)) << error;
  Image back;
  ASSERT_TRUE(Decode(bytes, back, error)) << error;
  EXPECT_EQ(PixelsOf(back), PixelsOf(image));
  EXPECT_EQ(back.pngChannels, 1);
  EXPECT_EQ(back.pngDepth, 8);
}

TEST(ImageIo, NotAnImage) {
  Image image;
  std::string error;
  EXPECT_FALSE(Decode({0x89, 'P', 'N'}, image, error));
  EXPECT_EQ(error, "not a PNG or OpenEXR image");
  EXPECT_FALSE(Decode({0x76, 0x2F, 0x31, 0x01, 2, 0, 0, 0}, image, error));
  EXPECT_EQ(error.rfind("corrupt OpenEXR (", 0), 0u) << error;
  EXPECT_EQ(image.storage, nullptr);
}

TEST(ImageIo, EveryTruncationIsRefused) {
  Image image = PositionImage(6, 5);
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(Encode(image, FileType::Exr, bytes, error)) << error;
  std::vector<std::uint8_t> png;
  ASSERT_TRUE(Encode(image, FileType::Png, png, error)) << error;
  for (const auto* file : {&bytes, &png}) {
    for (std::size_t n = 0; n < file->size(); n += 3) {
      Image back;
      std::vector<std::uint8_t> cut(file->begin(), file->begin() + n);
      EXPECT_FALSE(Decode(cut, back, error)) << "kept " << n << " of " << file->size();
    }
  }
}

}  // namespace

namespace {

TEST(ImageIo, ExrWindowsAndAspectSurvive) {
  Image image = PositionImage(4, 3);
  image.type = FileType::Exr;
  image.dataWindow[0] = 10;
  image.dataWindow[1] = -20;
  image.dataWindow[2] = 13;
  image.dataWindow[3] = -18;
  image.displayWindow[0] = 0;
  image.displayWindow[1] = -30;
  image.displayWindow[2] = 99;
  image.displayWindow[3] = 49;
  image.pixelAspect = 2.0f;
  for (const char* name : {"R", "G", "B", "A"}) {
    ExrChannel c;
    c.name = name;
    c.pixelType = 2;  // float
    image.exr.push_back(c);
  }
  SyncFromBitmap(image);
  // Uncompressed, RLE, one-line zip and 16-line zip chunks.
  for (int compression : {0, 1, 2, 3}) {
    SCOPED_TRACE(compression);
    image.exrCompression = compression;
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(Encode(image, FileType::Exr, bytes, error)) << error;
    Image back;
    ASSERT_TRUE(Decode(bytes, back, error)) << error;
    EXPECT_EQ(back.exrCompression, compression);
    EXPECT_EQ(back.width, 4);
    EXPECT_EQ(back.height, 3);
    EXPECT_EQ(std::vector<int>(back.dataWindow, back.dataWindow + 4), (std::vector<int>{10, -20, 13, -18}));
    EXPECT_EQ(std::vector<int>(back.displayWindow, back.displayWindow + 4), (std::vector<int>{0, -30, 99, 49}));
    EXPECT_EQ(back.pixelAspect, 2.0f);
    EXPECT_EQ(PixelsOf(back), PixelsOf(image));
  }
}

}  // namespace

// ---- libpng's own test images -------------------------------------------------

namespace {

namespace fs = std::filesystem;

// The layout a file's pixels are written back in, from its IHDR and whether
// it has a tRNS chunk: colour or palette gives RGB, alpha or tRNS adds A,
// 16-bit stays 16-bit and everything else becomes 8-bit.
std::pair<int, int> LayoutOfFile(const std::vector<std::uint8_t>& png) {
  const int depth = png[24];
  const int colorType = png[25];
  bool transparency = false;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length =
        static_cast<std::size_t>(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    if (std::string(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                    png.begin() + static_cast<std::ptrdiff_t>(at + 8)) == "tRNS")
      transparency = true;
    at += 12 + length;
  }
  const int channels = ((colorType & 2) ? 3 : 1) + ((colorType & 4) || transparency ? 1 : 0);
  return {channels, depth == 16 ? 16 : 8};
}

TEST(PngSuite, EveryValidFileIsReadAndWrittenBackWithItsChunks) {
  if (LibpngContrib().empty()) GTEST_SKIP() << "libpng's source is not unpacked in build/mingw-src (run scripts/setup)";
  int files = 0;
  for (const fs::path& folder : ValidPngFolders()) {
    for (const fs::path& file : PngFilesIn(folder)) {
      SCOPED_TRACE(file.string());
      ++files;
      const std::vector<std::uint8_t> bytes = Bytes(file.string());
      Image image;
      std::string error;
      ASSERT_TRUE(Decode(bytes, image, error)) << error;
      EXPECT_EQ(std::make_pair(image.pngChannels, image.pngDepth), LayoutOfFile(bytes));
      std::vector<std::uint8_t> written;
      ASSERT_TRUE(Encode(image, FileType::Png, written, error)) << error;
      EXPECT_EQ(DescriptiveChunks(written), DescriptiveChunks(bytes));
      Image back;
      ASSERT_TRUE(Decode(written, back, error)) << error;
      EXPECT_EQ(std::make_pair(back.pngChannels, back.pngDepth), std::make_pair(image.pngChannels, image.pngDepth));
      EXPECT_EQ(PixelsOf(back), PixelsOf(image));
    }
  }
  EXPECT_EQ(files, 164);
}

// What the reader says of each damaged file of contrib/testpngs/crashers.
struct Rejected {
  const char* name;
  const char* error;  // empty: libpng reads the file
};

TEST(PngSuite, DamagedFilesGiveLibpngsReason) {
  if (LibpngContrib().empty()) GTEST_SKIP() << "libpng's source is not unpacked in build/mingw-src (run scripts/setup)";
  const Rejected table[] = {
      {"bad_iCCP.png", "corrupt PNG (IHDR: CRC error)"},
      {"badadler.png", "corrupt PNG (IDAT: incorrect data check)"},
      {"badcrc.png", "corrupt PNG (IDAT: CRC error)"},
      {"empty_ancillary_chunks.png", ""},
      {"huge_IDAT.png", "truncated PNG"},
      {"huge_bKGD_chunk.png", "truncated PNG"},
      {"huge_cHRM_chunk.png", "truncated PNG"},
      {"huge_eXIf_chunk.png", "truncated PNG"},
      {"huge_gAMA_chunk.png", "truncated PNG"},
      {"huge_hIST_chunk.png", "truncated PNG"},
      {"huge_iCCP_chunk.png", "truncated PNG"},
      {"huge_iTXt_chunk.png", "truncated PNG"},
      {"huge_juNK_unsafe_to_copy.png", "truncated PNG"},
      {"huge_juNk_safe_to_copy.png", "truncated PNG"},
      {"huge_pCAL_chunk.png", "truncated PNG"},
      {"huge_pHYs_chunk.png", "truncated PNG"},
      {"huge_sCAL_chunk.png", "truncated PNG"},
      {"huge_sPLT_chunk.png", "truncated PNG"},
      {"huge_sRGB_chunk.png", "truncated PNG"},
      {"huge_sTER_chunk.png", "truncated PNG"},
      {"huge_tEXt_chunk.png", "truncated PNG"},
      {"huge_tIME_chunk.png", "truncated PNG"},
      {"huge_zTXt_chunk.png", "truncated PNG"},
  };
  const fs::path folder = LibpngContrib() / "testpngs" / "crashers";
  ASSERT_EQ(PngFilesIn(folder).size(), std::size(table));
  for (const Rejected& row : table) {
    SCOPED_TRACE(row.name);
    Image image;
    std::string error;
    EXPECT_EQ(Read((folder / row.name).string(), image, error), row.error[0] == '\0');
    EXPECT_EQ(error, row.error);
  }
}

}  // namespace
