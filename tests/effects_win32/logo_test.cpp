// The logo drawn through the platform's bitmap resources: resource 102 is
// the 130 x 32 logo, white in its corners.
#include <gtest/gtest.h>

#include <string>

#include "canvas/canvas.h"
#include "support/bitmaps.h"

namespace {

constexpr BMM_Color_64 kWhite{65280, 65280, 65280, 65535};

TEST(DrawBitmapResource, DrawsTheLogoAtThePen) {
  auto bitmap = zarntest::PositionBitmap(140, 40);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.penPos = Point2(5.0f, 4.0f);
  ASSERT_EQ(canvas.DrawBitmapResource(102), 1);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 140; ++x) {
      const BMM_Color_64 p = canvas.pixels[y * 140 + x];
      const bool logo = x >= 5 && x < 135 && y >= 4 && y < 36;
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      if (!logo) {
        ASSERT_EQ(p, zarntest::PositionColor(x, y));
        continue;
      }
      // 8-bit channels widened by a shift of 8.
      ASSERT_EQ(p.a, 65535);
      ASSERT_EQ(p.r % 256, 0);
      ASSERT_EQ(p.g % 256, 0);
      ASSERT_EQ(p.b % 256, 0);
    }
  EXPECT_EQ(canvas.pixels[4 * 140 + 5], kWhite);      // logo (0, 0)
  EXPECT_EQ(canvas.pixels[35 * 140 + 134], kWhite);   // logo (129, 31)
}

TEST(DrawBitmapResource, ClipsAtTheCanvasEdges) {
  auto bitmap = zarntest::PositionBitmap(20, 10);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.penPos = Point2(-120.0f, -28.0f);  // logo (120..129, 28..31) lands at (0..9, 0..3)
  ASSERT_EQ(canvas.DrawBitmapResource(102), 1);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool logo = x < 10 && y < 4;
      if (!logo) EXPECT_EQ(canvas.pixels[y * 20 + x], zarntest::PositionColor(x, y)) << x << "," << y;
      else EXPECT_EQ(canvas.pixels[y * 20 + x].a, 65535) << x << "," << y;
    }
  EXPECT_EQ(canvas.pixels[3 * 20 + 9], kWhite);  // logo (129, 31)
}

TEST(DrawBitmapResource, MissingResourceDrawsNothing) {
  auto bitmap = zarntest::PositionBitmap(4, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(canvas.DrawBitmapResource(4321), 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(canvas.pixels[i], zarntest::PositionColor(i % 4, i / 4));
}

}  // namespace
