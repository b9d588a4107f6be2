#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "effects/fixtures.h"
#include "platform/module.h"
#include "resources/zarn_resources.h"

namespace {

using zarntest::PositionBitmap;
using zarntest::PositionColor;

constexpr BMM_Color_64 kBack{7, 8, 9, 10};
constexpr BMM_Color_64 kUntouched{1, 2, 3, 4};

TEST(Clear, FillsEveryPixelWithTheSecondColour) {
  auto bitmap = PositionBitmap(3, 2);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetSecondColor(kBack);
  canvas.Clear();
  EXPECT_EQ(fxtest::CanvasPixels(canvas), std::vector<BMM_Color_64>(6, kBack));
  // Only the canvas changes until it is stored.
  EXPECT_EQ(zarntest::Pixels(*bitmap)[5], PositionColor(2, 1));
}

// A block of w x h at (x, y) on the 5 x 4 position canvas. The expected
// result is worked out pixel by pixel: block entry (j, i) belongs to canvas
// pixel (x + j, y + i) when that pixel exists, and to nothing otherwise.
struct BlockCase {
  const char* name;
  int x, y, w, h;
};

class Blocks : public testing::TestWithParam<BlockCase> {};

TEST_P(Blocks, CopyTakesOnlyCanvasPixels) {
  const BlockCase& c = GetParam();
  auto bitmap = PositionBitmap(5, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  std::vector<BMM_Color_64> dst(static_cast<std::size_t>(c.w) * c.h, kUntouched);
  EXPECT_EQ(canvas.CopyBlock(c.x, c.y, c.w, c.h, dst.data()), 1);
  for (int i = 0; i < c.h; ++i)
    for (int j = 0; j < c.w; ++j) {
      const int px = c.x + j, py = c.y + i;
      const bool inside = px >= 0 && px < 5 && py >= 0 && py < 4;
      SCOPED_TRACE("entry " + std::to_string(j) + "," + std::to_string(i));
      EXPECT_EQ(dst[i * c.w + j], inside ? PositionColor(px, py) : kUntouched);
    }
}

TEST_P(Blocks, PastePlacesOnlyCanvasPixels) {
  const BlockCase& c = GetParam();
  auto bitmap = PositionBitmap(5, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetSecondColor(kBack);
  canvas.Clear();
  std::vector<BMM_Color_64> src;
  for (int i = 0; i < c.h; ++i)
    for (int j = 0; j < c.w; ++j) src.push_back(PositionColor(50 + j, 50 + i));
  canvas.PasteBlock(c.x, c.y, c.w, c.h, src.data());
  for (int py = 0; py < 4; ++py)
    for (int px = 0; px < 5; ++px) {
      const int j = px - c.x, i = py - c.y;
      const bool covered = j >= 0 && j < c.w && i >= 0 && i < c.h;
      SCOPED_TRACE("pixel " + std::to_string(px) + "," + std::to_string(py));
      EXPECT_EQ(fxtest::At(canvas, px, py), covered ? PositionColor(50 + j, 50 + i) : kBack);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, Blocks,
    testing::Values(BlockCase{"Inside", 1, 1, 3, 2}, BlockCase{"Whole", 0, 0, 5, 4},
                    BlockCase{"PastLeft", -2, 1, 4, 2}, BlockCase{"PastTop", 1, -2, 2, 3},
                    BlockCase{"PastRight", 3, 0, 4, 2}, BlockCase{"PastBottom", 0, 2, 2, 5},
                    BlockCase{"WiderOnBothSides", -2, 1, 9, 2},
                    BlockCase{"AllFourEdges", -1, -1, 7, 6}, BlockCase{"WhollyLeft", -3, 0, 3, 2},
                    BlockCase{"WhollyRight", 5, 0, 2, 2}, BlockCase{"WhollyAbove", 0, -2, 2, 2},
                    BlockCase{"WhollyBelow", 0, 4, 2, 2}, BlockCase{"ZeroWidth", 1, 1, 0, 2}),
    [](const testing::TestParamInfo<BlockCase>& p) { return std::string(p.param.name); });

TEST(Blocks, CopyThenPasteRestoresTheBlock) {
  auto bitmap = PositionBitmap(5, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  std::vector<BMM_Color_64> block(6);
  canvas.CopyBlock(2, 1, 3, 2, block.data());
  canvas.Clear();
  canvas.PasteBlock(2, 1, 3, 2, block.data());
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool inBlock = x >= 2 && y >= 1 && y <= 2;
      EXPECT_EQ(fxtest::At(canvas, x, y), inBlock ? PositionColor(x, y) : BMM_Color_64{})
          << x << "," << y;
    }
}

// Means of the 4 x 4 position fixture (r = x + 10y, g = 1000 + x,
// b = 2000 + y): every 2 x 2 cell sums to an odd half, so truncation shows.
TEST(CellAverage, DividesByTheFullCellAreaTruncating) {
  auto bitmap = PositionBitmap(4, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  struct Case {
    int col, row, cw, ch;
    BMM_Color_64 mean;
  } cases[] = {
      {0, 0, 2, 2, {5, 1000, 2000, 65535}},      // 22/4, 4002/4, 8002/4
      {1, 1, 2, 2, {27, 1002, 2002, 65535}},     // 110/4, 4010/4, 8010/4
      {1, 0, 3, 3, {4, 334, 667, 65535}},        // cut at the right: x = 3 only, /9
      {1, 1, 3, 3, {3, 111, 222, 65535}},        // one pixel, (3, 3), over nine
      {2, 3, 1, 1, {32, 1002, 2003, 65535}},     // a single pixel
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.col) + "," + std::to_string(c.row));
    BMM_Color_64 out = kUntouched;
    canvas.CellAverage(c.col, c.row, c.cw, c.ch, &out);
    EXPECT_EQ(out, c.mean);
  }
}

TEST(CellAverages, GridOfMeansRowByRow) {
  auto bitmap = PositionBitmap(4, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  BMM_Color_64* grid = canvas.CellAverages(2, 2);
  ASSERT_NE(grid, nullptr);
  const std::vector<BMM_Color_64> expected = {
      {5, 1000, 2000, 65535}, {7, 1002, 2000, 65535},
      {25, 1000, 2002, 65535}, {27, 1002, 2002, 65535}};
  EXPECT_EQ(std::vector<BMM_Color_64>(grid, grid + 4), expected);
  std::free(grid);

  // 4 / 3 truncates to cells of one pixel: row 3 and column 3 take no part.
  grid = canvas.CellAverages(3, 3);
  ASSERT_NE(grid, nullptr);
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      BMM_Color_64 p = PositionColor(col, row);
      p.a = 65535;
      EXPECT_EQ(grid[row * 3 + col], p) << col << "," << row;
    }
  std::free(grid);
}

// The grid is gathered row by row (packed lanes for cells up to 65537
// pixels, 64-bit sums above); each entry must equal the plain per-cell mean.
TEST(CellAverages, AgreeWithCellAverageForEveryCellShape) {
  struct Case {
    int w, h, cols, rows;
  } cases[] = {{7, 5, 2, 2}, {9, 9, 3, 3}, {10, 7, 3, 2}, {5, 6, 5, 1},
               {6, 5, 1, 5}, {256, 256, 1, 1}, {257, 256, 1, 1}, {300, 301, 1, 2}, {64, 64, 7, 9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " by " +
                 std::to_string(c.cols) + "x" + std::to_string(c.rows));
    auto storage = MemoryStorage::Create(c.w, c.h);
    std::uint32_t seed = 12345;
    for (int i = 0; i < c.w * c.h; ++i) {
      seed = seed * 1103515245u + 12345u;
      // Mostly near full scale, so a sum that spills out of its lane shows.
      const auto v = static_cast<std::uint16_t>(65535 - (seed >> 16) % 64);
      storage->Pixels()[i] = {v, static_cast<std::uint16_t>(65535 - (seed >> 8) % 3),
                              static_cast<std::uint16_t>(seed >> 16), 65535};
    }
    Bitmap bitmap(std::move(storage));
    Canvas canvas(nullptr, nullptr, &bitmap);
    BMM_Color_64* grid = canvas.CellAverages(c.cols, c.rows);
    ASSERT_NE(grid, nullptr);
    const int cw = c.w / c.cols, ch = c.h / c.rows;
    for (int row = 0; row < c.rows; ++row)
      for (int col = 0; col < c.cols; ++col) {
        BMM_Color_64 expected{};
        canvas.CellAverage(col, row, cw, ch, &expected);
        ASSERT_EQ(grid[row * c.cols + col], expected) << col << "," << row;
      }
    std::free(grid);
  }
}

TEST(Reduce, PlacesTheShrunkPictureOnTheSecondColour) {
  auto bitmap = PositionBitmap(4, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetSecondColor(kBack);
  canvas.Reduce(1, 2, 0.5f, 0.5f);
  const BMM_Color_64 b = kBack;
  const std::vector<BMM_Color_64> expected = {
      b, b, b, b,  //
      b, b, b, b,  //
      b, {5, 1000, 2000, 65535}, {7, 1002, 2000, 65535}, b,
      b, {25, 1000, 2002, 65535}, {27, 1002, 2002, 65535}, b};
  EXPECT_EQ(fxtest::CanvasPixels(canvas), expected);
}

TEST(Reduce, CentredHalfOnFourByFour) {
  auto bitmap = PositionBitmap(4, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetSecondColor(kBack);
  canvas.ReduceCentered(0.5f, 0.5f);
  EXPECT_EQ(fxtest::At(canvas, 0, 0), kBack);
  EXPECT_EQ(fxtest::At(canvas, 1, 1), (BMM_Color_64{5, 1000, 2000, 65535}));
  EXPECT_EQ(fxtest::At(canvas, 2, 2), (BMM_Color_64{27, 1002, 2002, 65535}));
  EXPECT_EQ(fxtest::At(canvas, 3, 3), kBack);
}

TEST(Reduce, OddWidthLeavesTheLastColumnOut) {
  // 5 wide by 0.5: 2 columns of cell width 2; column 4 takes no part.
  auto bitmap = PositionBitmap(5, 2);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetSecondColor(kBack);
  canvas.Reduce(0, 0, 0.5f, 1.0f);
  const BMM_Color_64 b = kBack;
  const std::vector<BMM_Color_64> expected = {
      {0, 1000, 2000, 65535}, {2, 1002, 2000, 65535}, b, b, b,
      {10, 1000, 2001, 65535}, {12, 1002, 2001, 65535}, b, b, b};
  EXPECT_EQ(fxtest::CanvasPixels(canvas), expected);
}

TEST(Reduce, ByOneKeepsColoursAndMakesEveryPixelOpaque) {
  auto bitmap = PositionBitmap(3, 3);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.Reduce(0, 0, 1.0f, 1.0f);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      BMM_Color_64 p = PositionColor(x, y);
      p.a = 65535;
      EXPECT_EQ(fxtest::At(canvas, x, y), p);
    }
}

TEST(Reduce, FactorThatShrinksToNothingClears) {
  auto bitmap = PositionBitmap(4, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetSecondColor(kBack);
  canvas.Reduce(0, 0, 0.2f, 1.0f);  // 4 * 0.2 = 0.8 columns
  EXPECT_EQ(fxtest::CanvasPixels(canvas), std::vector<BMM_Color_64>(16, kBack));
}

TEST(DrawBitmapResource, ReportsWhetherTheLogoWasDrawn) {
  auto bitmap = PositionBitmap(4, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  const auto before = fxtest::CanvasPixels(canvas);
  if (platform::HasModuleResources()) GTEST_SKIP() << "drawn for real in the Windows tests";
  EXPECT_EQ(canvas.DrawBitmapResource(ZARN_LOGO_BITMAP), 0);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), before);
}

}  // namespace
