#include <gtest/gtest.h>

#include <vector>

#include "filter/mirror_filter.h"
#include "support/bitmaps.h"

using zarntest::PositionBitmap;
using zarntest::PositionColor;

namespace {
struct RenderCase {
  const char* name;
  int width;
  int height;
  std::int32_t horizontal;
  std::int32_t vertical;
};

// Where the pixel now at (x, y) came from.
BMM_Color_64 Expected(const RenderCase& c, int x, int y) {
  const int sx = c.horizontal == 1 ? c.width - 1 - x : x;
  const int sy = c.vertical == 1 ? c.height - 1 - y : y;
  return PositionColor(sx, sy);
}

class Render : public ::testing::TestWithParam<RenderCase> {};
}  // namespace

TEST_P(Render, MovesEveryChannelWithThePixel) {
  const RenderCase& c = GetParam();
  auto bitmap = PositionBitmap(c.width, c.height);
  MirrorFilter filter;
  filter.config.horizontal = c.horizontal;
  filter.config.vertical = c.vertical;
  ImageFilterInfo info;
  filter.SetFilterInfo(&info);
  filter.SetSource(bitmap.get());
  ASSERT_EQ(filter.Render(nullptr), 1);
  const auto pixels = zarntest::Pixels(*bitmap);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
      ASSERT_EQ(pixels[static_cast<std::size_t>(y) * c.width + x], Expected(c, x, y));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Render,
    ::testing::Values(RenderCase{"DefaultEven", 4, 3, 1, 0}, RenderCase{"DefaultOdd", 5, 5, 1, 0},
                      RenderCase{"VerticalOdd", 5, 5, 0, 1}, RenderCase{"VerticalEven", 3, 4, 0, 1},
                      RenderCase{"Both", 4, 3, 1, 1}, RenderCase{"Neither", 4, 3, 0, 0},
                      RenderCase{"FlagTwoIsNo", 4, 3, 2, 2}, RenderCase{"FlagMinusOneIsNo", 4, 3, -1, 0},
                      RenderCase{"OnePixelWideBoth", 1, 6, 1, 1}, RenderCase{"OnePixelHighBoth", 7, 1, 1, 1},
                      RenderCase{"OneByOne", 1, 1, 1, 1}, RenderCase{"ThreeByOne", 3, 1, 1, 1}),
    [](const testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

TEST(RenderPass, NoSourceBitmapAnswersZero) {
  MirrorFilter filter;
  EXPECT_EQ(filter.Render(nullptr), 0);
}

TEST(RenderPass, BitmapWithoutStorageIsStillProcessed) {
  Bitmap empty;
  MirrorFilter filter;
  filter.SetSource(&empty);
  EXPECT_EQ(filter.Render(nullptr), 1);
}

TEST(RenderPass, StoresEveryRowOnceInOrder) {
  auto* storage = new zarntest::CountingStorage(3, 4);
  Bitmap bitmap{std::unique_ptr<BitmapStorage>(storage)};
  MirrorFilter filter;
  filter.SetSource(&bitmap);
  ASSERT_EQ(filter.Render(nullptr), 1);
  // Two full reads (working and source buffers), then one write per row.
  ASSERT_EQ(storage->gets.size(), 8u);
  ASSERT_EQ(storage->puts.size(), 4u);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(storage->gets[y].y, y);
    EXPECT_EQ(storage->gets[4 + y].y, y);
    EXPECT_EQ(storage->puts[y].y, y);
    EXPECT_EQ(storage->puts[y].x, 0);
    EXPECT_EQ(storage->puts[y].count, 3);
  }
}

TEST(RenderPass, BuffersTooLargeForMemoryLeaveTheBitmapAlone) {
  // 65535 x 65535 pixels need 32 GiB per buffer: more than this machine has,
  // and beyond a 32-bit address space.
  auto* storage = new zarntest::HollowStorage(65535, 65535);
  Bitmap bitmap{std::unique_ptr<BitmapStorage>(storage)};
  MirrorFilter filter;
  filter.SetSource(&bitmap);
  EXPECT_EQ(filter.Render(nullptr), 0);
  EXPECT_EQ(storage->writes, 0);
}

// A host that refuses or throws part-way: the render answers 0 whenever it
// could not finish, never lets the exception reach the host, releases its
// buffers (the sanitizer build checks for leaks) and writes no row it was
// not asked to. Refused rows are not examined: a refused read leaves the row
// zero, a refused write leaves the bitmap's row as it was.
struct HostFault {
  const char* name;
  int refuseGetRow, refusePutRow, throwOnGet, throwOnPut;
  int answer;
  // For each row of the result: 'm' mirrored, 'o' original, 'z' zero.
  const char* rows;
};

class RenderHostFault : public testing::TestWithParam<HostFault> {};

TEST_P(RenderHostFault, AnswersAndRowsAsExpected) {
  constexpr int kW = 3, kH = 4;
  const HostFault& c = GetParam();
  auto* storage = new zarntest::CountingStorage(kW, kH);
  storage->refuseGetRow = c.refuseGetRow;
  storage->refusePutRow = c.refusePutRow;
  storage->throwOnGet = c.throwOnGet;
  storage->throwOnPut = c.throwOnPut;
  Bitmap bitmap{std::unique_ptr<BitmapStorage>(storage)};
  MirrorFilter filter;  // left-right by default
  filter.SetSource(&bitmap);
  EXPECT_EQ(filter.Render(nullptr), c.answer);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const BMM_Color_64 expected = c.rows[y] == 'm'   ? PositionColor(kW - 1 - x, y)
                                    : c.rows[y] == 'o' ? PositionColor(x, y)
                                                       : BMM_Color_64{0, 0, 0, 0};
      EXPECT_EQ(storage->pixels[y * kW + x], expected) << "(" << x << ", " << y << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RenderHostFault,
    testing::Values(HostFault{"NoFault", -1, -1, -1, -1, 1, "mmmm"},
                    HostFault{"ReadOfRow2Refused", 2, -1, -1, -1, 1, "mmzm"},
                    HostFault{"WriteOfRow2Refused", -1, 2, -1, -1, 1, "mmom"},
                    HostFault{"FirstReadThrowsAtRow2", -1, -1, 2, -1, 0, "oooo"},
                    HostFault{"SecondReadThrowsAtRow1", -1, -1, 5, -1, 0, "oooo"},
                    HostFault{"WriteThrowsAtRow2", -1, -1, -1, 2, 0, "mmoo"}),
    [](const testing::TestParamInfo<HostFault>& info) { return std::string(info.param.name); });
