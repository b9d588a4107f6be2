// The runner's image I/O as a unit: exact round trips and sound edges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/image_io.h"
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
