#include <gtest/gtest.h>

#include <vector>

#include "canvas/canvas.h"
#include "support/bitmaps.h"

using zarntest::PositionBitmap;
using zarntest::PositionColor;

namespace {
struct Size {
  int width;
  int height;
};

std::vector<BMM_Color_64> CanvasPixels(const Canvas& c) {
  return std::vector<BMM_Color_64>(c.pixels, c.pixels + static_cast<std::size_t>(c.width) * c.height);
}

class Mirror : public ::testing::TestWithParam<Size> {};
}  // namespace

TEST_P(Mirror, EachOperationReversesItsAxis) {
  const auto [w, h] = GetParam();
  auto bitmap = PositionBitmap(w, h);
  Canvas c(nullptr, nullptr, bitmap.get());
  c.MirrorHorizontal();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(c.pixels[y * w + x], PositionColor(w - 1 - x, y)) << x << "," << y;
  c.MirrorHorizontal();  // its own inverse
  c.MirrorVertical();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(c.pixels[y * w + x], PositionColor(x, h - 1 - y)) << x << "," << y;
  c.MirrorVertical();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(c.pixels[y * w + x], PositionColor(x, y));
}

TEST_P(Mirror, BothOrdersGiveTheHalfTurn) {
  const auto [w, h] = GetParam();
  auto bitmap = PositionBitmap(w, h);
  Canvas a(nullptr, nullptr, bitmap.get());
  Canvas b(nullptr, nullptr, bitmap.get());
  a.MirrorHorizontal();
  a.MirrorVertical();
  b.MirrorVertical();
  b.MirrorHorizontal();
  EXPECT_EQ(CanvasPixels(a), CanvasPixels(b));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(a.pixels[y * w + x], PositionColor(w - 1 - x, h - 1 - y));
}

INSTANTIATE_TEST_SUITE_P(Sizes, Mirror,
                         ::testing::Values(Size{3, 1}, Size{1, 3}, Size{4, 4}, Size{5, 5}, Size{1, 1},
                                           Size{2, 7}, Size{8, 3}),
                         [](const testing::TestParamInfo<Size>& p) {
                           return std::to_string(p.param.width) + "x" + std::to_string(p.param.height);
                         });

TEST(Mirror, MiddleColumnAndRowStayOnOddSizes) {
  auto bitmap = PositionBitmap(5, 5);
  Canvas c(nullptr, nullptr, bitmap.get());
  c.MirrorHorizontal();
  for (int y = 0; y < 5; ++y) EXPECT_EQ(c.pixels[y * 5 + 2], PositionColor(2, y));
  c.MirrorHorizontal();
  c.MirrorVertical();
  for (int x = 0; x < 5; ++x) EXPECT_EQ(c.pixels[2 * 5 + x], PositionColor(x, 2));
}

TEST(Mirror, ColumnReadAndWrite) {
  auto bitmap = PositionBitmap(3, 4);
  Canvas c(nullptr, nullptr, bitmap.get());
  BMM_Color_64 column[4];
  c.ReadColumn(2, column);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(column[y], PositionColor(2, y));
  c.WriteColumn(0, column);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(c.pixels[y * 3 + 0], PositionColor(2, y));
    EXPECT_EQ(c.pixels[y * 3 + 1], PositionColor(1, y));
  }
}

TEST(Mirror, StateOtherThanPixelsIsUntouched) {
  auto bitmap = PositionBitmap(4, 2, BMM_CHAN_FLOAT);
  SourceCanvas c(nullptr, nullptr, bitmap.get());
  c.RequestChannel(1);
  c.channel1[0] = 7.5f;
  c.penPos = Point2(1.5f, 2.5f);
  c.MirrorHorizontal();
  c.MirrorVertical();
  EXPECT_EQ(c.channel1[0], 7.5f);
  EXPECT_EQ(c.penPos, Point2(1.5f, 2.5f));
  EXPECT_EQ(c.sourcePixels[0], PositionColor(0, 0));
  // Nothing reaches the bitmap until Store.
  EXPECT_EQ(zarntest::Pixels(*bitmap)[0], PositionColor(0, 0));
}
