#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "effects/fixtures.h"

namespace {

struct EscapeCase {
  float cx, cy;
  int maxIterations;
  int count;
};

TEST(EscapeCount, CountsStepsToLeaveTheDisc) {
  auto bitmap = zarntest::PositionBitmap(1, 1);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  const EscapeCase cases[] = {
      {0.0f, 0.0f, 50, 51},    // stays at 0
      {-2.0f, 0.0f, 50, 51},   // stays at 2, m = 4 counts as inside
      {2.0f, 0.0f, 50, 2},     // 2 -> 6
      {3.0f, 0.0f, 50, 1},     // outside at once
      {0.5f, 0.0f, 50, 5},     // 0.5, 0.75, 1.0625, 1.62890625, 3.15...
      {0.0f, 1.0f, 50, 51},    // i -> -1 + i -> -i -> -1 + i: a cycle
      {-1.0f, 0.0f, 3, 4},     // -1, 0, -1, 0
      {0.0f, 0.0f, 0, 1},      // no step allowed
      {0.0f, 0.0f, INT_MAX, INT_MAX},  // held at INT_MAX, not wrapped
  };
  for (const EscapeCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.cx) + "," + std::to_string(c.cy) + " max " +
                 std::to_string(c.maxIterations));
    EXPECT_EQ(canvas.EscapeCount(c.cx, c.cy, c.maxIterations), c.count);
  }
}

// A 3 x 2 grid over [-2, 2] x [0, 1] with 100 iterations: columns sample
// -2, 0, 2, rows 0 and 1. Counts: (-2, 0) 101, (0, 0) 101, (2, 0) 2,
// (-2, 1) 1 (|c| > 2), (0, 1) 101, (2, 1) 1.
TEST(RenderMandelbrot, GreyLevelsOnATinyGrid) {
  auto bitmap = zarntest::PositionBitmap(4, 3);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.RenderMandelbrot(-2.0f, 0.0f, 2.0f, 1.0f, 100, 3, 2);
  const std::uint16_t one = 64879;  // floor((1 - 1/100) * 65535)
  const std::uint16_t two = 64224;  // floor((1 - 2/100) * 65535)
  auto grey = [](std::uint16_t v) { return BMM_Color_64{v, v, v, 65535}; };
  EXPECT_EQ(fxtest::At(canvas, 0, 0), grey(0));
  EXPECT_EQ(fxtest::At(canvas, 1, 0), grey(0));
  EXPECT_EQ(fxtest::At(canvas, 2, 0), grey(two));
  EXPECT_EQ(fxtest::At(canvas, 0, 1), grey(one));
  EXPECT_EQ(fxtest::At(canvas, 1, 1), grey(0));
  EXPECT_EQ(fxtest::At(canvas, 2, 1), grey(one));
  // Outside the grid the canvas is untouched.
  EXPECT_EQ(fxtest::At(canvas, 3, 0), zarntest::PositionColor(3, 0));
  EXPECT_EQ(fxtest::At(canvas, 0, 2), zarntest::PositionColor(0, 2));
}

TEST(RenderMandelbrot, GreyForCountFiftyAndTheIterationLimit) {
  auto bitmap = zarntest::PositionBitmap(2, 2);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  // PlotGrey keeps the low 16 bits of its level.
  canvas.PlotGrey(0.0f, 0.0f, 0x12345);
  EXPECT_EQ(fxtest::At(canvas, 0, 0), (BMM_Color_64{0x2345, 0x2345, 0x2345, 65535}));
  // (2, 0) escapes after 2 steps: with a limit of 2 it is black.
  canvas.RenderMandelbrot(2.0f, 0.0f, 3.0f, 1.0f, 2, 2, 2);
  EXPECT_EQ(fxtest::At(canvas, 0, 0), (BMM_Color_64{0, 0, 0, 65535}));
  // (3, 0) escapes at once: floor((1 - 1/2) * 65535) = 32767.
  EXPECT_EQ(fxtest::At(canvas, 1, 0), (BMM_Color_64{32767, 32767, 32767, 65535}));
}

TEST(RenderMandelbrot, LargerGridIsCutAtTheCanvas) {
  auto bitmap = zarntest::PositionBitmap(3, 2);
  Canvas small(nullptr, nullptr, bitmap.get());
  small.RenderMandelbrot(-2.0f, -1.0f, 1.0f, 1.0f, 20, 7, 5);
  auto big = zarntest::PositionBitmap(7, 5);
  Canvas whole(nullptr, nullptr, big.get());
  whole.RenderMandelbrot(-2.0f, -1.0f, 1.0f, 1.0f, 20, 7, 5);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(fxtest::At(small, x, y), fxtest::At(whole, x, y));
}

}  // namespace
