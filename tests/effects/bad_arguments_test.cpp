// Arguments outside every operation's contract. Each row runs on a 6 x 5
// canvas, on an empty one and on one that never got its pixels; the
// sanitizers catch any write outside the arrays, the rows check what the
// 6 x 5 canvas shows afterwards.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "effects/fixtures.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr BMM_Color_64 kBack{7, 8, 9, 0};

enum class After { Unchanged, Cleared, Anything };

struct BadCase {
  const char* name;
  std::function<void(SourceCanvas&)> op;
  After after;
};

class BadArguments : public testing::TestWithParam<BadCase> {};

TEST_P(BadArguments, StayInsideTheCanvas) {
  const BadCase& c = GetParam();
  auto bitmap = zarntest::PositionBitmap(6, 5);
  SourceCanvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetSecondColor(kBack);
  const auto before = fxtest::CanvasPixels(canvas);
  c.op(canvas);
  switch (c.after) {
    case After::Unchanged:
      EXPECT_EQ(fxtest::CanvasPixels(canvas), before);
      break;
    case After::Cleared:
      EXPECT_EQ(fxtest::CanvasPixels(canvas), std::vector<BMM_Color_64>(30, kBack));
      break;
    case After::Anything:
      break;
  }

  auto empty = zarntest::PositionBitmap(0, 0);
  SourceCanvas emptyCanvas(nullptr, nullptr, empty.get());
  c.op(emptyCanvas);

  // Too large to allocate: the canvas stays without pixels.
  auto hollow = zarntest::HollowBitmap(60000, 60000);
  SourceCanvas noPixels(nullptr, nullptr, hollow.get());
  ASSERT_FALSE(noPixels.HasPixels());
  c.op(noPixels);
}

BMM_Color_64 g_block[64];

INSTANTIATE_TEST_SUITE_P(
    Table, BadArguments,
    testing::Values(
        // Reduction factors outside (0, 1] would make cells of no pixels.
        BadCase{"ReduceAboveOne", [](Canvas& k) { k.Reduce(0, 0, 2.0f, 0.5f); }, After::Unchanged},
        BadCase{"ReduceZero", [](Canvas& k) { k.Reduce(0, 0, 0.5f, 0.0f); }, After::Unchanged},
        BadCase{"ReduceNegative", [](Canvas& k) { k.Reduce(0, 0, -0.5f, 0.5f); }, After::Unchanged},
        BadCase{"ReduceNaN", [](Canvas& k) { k.Reduce(0, 0, kNaN, 0.5f); }, After::Unchanged},
        BadCase{"ReduceInfinite", [](Canvas& k) { k.Reduce(0, 0, 0.5f, kInf); }, After::Unchanged},
        BadCase{"ReduceCenteredAboveOne", [](Canvas& k) { k.ReduceCentered(1.5f, 1.5f); },
                After::Unchanged},
        BadCase{"ReduceCenteredNaN", [](Canvas& k) { k.ReduceCentered(0.5f, kNaN); },
                After::Unchanged},
        BadCase{"ReduceFarOff", [](Canvas& k) { k.Reduce(INT_MIN, INT_MAX, 0.5f, 0.5f); },
                After::Cleared},
        BadCase{"CellAveragesTooManyCells",
                [](Canvas& k) {
                  EXPECT_EQ(k.CellAverages(7, 1), nullptr);
                  EXPECT_EQ(k.CellAverages(INT_MAX, INT_MAX), nullptr);
                  EXPECT_EQ(k.CellAverages(0, 1), nullptr);
                  EXPECT_EQ(k.CellAverages(1, -5), nullptr);
                },
                After::Unchanged},
        BadCase{"CellAverageEmptyCell",
                [](Canvas& k) {
                  BMM_Color_64 out{1, 2, 3, 4};
                  k.CellAverage(0, 0, 0, 3, &out);
                  k.CellAverage(0, 0, 2, INT_MIN, &out);
                  k.CellAverage(0, 0, 2, 2, nullptr);
                  EXPECT_EQ(out, (BMM_Color_64{1, 2, 3, 4}));
                  // A cell wholly off the canvas sums nothing over its area.
                  k.CellAverage(INT_MAX, INT_MIN, 2, 2, &out);
                  EXPECT_EQ(out, (BMM_Color_64{0, 0, 0, 65535}));
                },
                After::Unchanged},
        // Blocks off every edge, with sizes that overflow a naive sum.
        BadCase{"CopyBlockOffEveryEdge",
                [](Canvas& k) {
                  k.CopyBlock(-3, -2, 8, 8, g_block);
                  k.CopyBlock(6, 0, 8, 8, g_block);
                  k.CopyBlock(0, 5, 8, 8, g_block);
                  k.CopyBlock(INT_MAX, INT_MAX, 8, 8, g_block);
                  k.CopyBlock(INT_MIN, INT_MIN, 8, 8, g_block);
                  k.CopyBlock(0, INT_MIN + 1, 1, INT_MAX, g_block);
                  k.CopyBlock(0, 0, -8, -8, g_block);
                  EXPECT_EQ(k.CopyBlock(0, 0, 8, 8, nullptr), 1);
                },
                After::Unchanged},
        BadCase{"PasteBlockOffEveryEdge",
                [](Canvas& k) {
                  k.PasteBlock(INT_MAX, INT_MAX, 8, 8, g_block);
                  k.PasteBlock(INT_MIN, INT_MIN, 8, 8, g_block);
                  k.PasteBlock(-8, 0, 8, 8, g_block);
                  k.PasteBlock(0, -2147483647, 1, INT_MAX, g_block);
                  k.PasteBlock(0, 0, -8, 8, g_block);
                  k.PasteBlock(0, 0, 8, 8, nullptr);
                },
                After::Unchanged},
        // Splat and warp positions that are not finite or do not fit an int.
        BadCase{"SplatNotFinite",
                [](Canvas& k) {
                  for (float v : {kNaN, kInf, -kInf, 1e30f, -1e30f, 2147483648.0f})
                    for (float w : {0.5f, v}) {
                      k.Splat(v, w, {1, 1, 1, 1});
                      k.Splat(w, v, {1, 1, 1, 1});
                    }
                },
                After::Unchanged},
        BadCase{"WarpNaNCorners",
                [](Canvas& k) { k.Warp(kNaN, 0, 6, 5, 0, 5, 6, kNaN); }, After::Cleared},
        BadCase{"WarpInfiniteCorners",
                [](Canvas& k) { k.Warp(-kInf, -kInf, kInf, kInf, -kInf, kInf, kInf, -kInf); },
                After::Cleared},
        BadCase{"WarpHugeCorners",
                [](Canvas& k) { k.Warp(-3e38f, -3e38f, 3e38f, 3e38f, -3e38f, 3e38f, 3e38f, -3e38f); },
                After::Cleared},
        BadCase{"ScaleByHuge", [](Canvas& k) { k.ScaleImage(0, 1e30f, 1e30f); }, After::Cleared},
        BadCase{"ScaleByZero", [](Canvas& k) { k.ScaleImage(2, 0.0f, 0.0f); }, After::Anything},
        BadCase{"ScaleByNaN", [](Canvas& k) { k.ScaleImage(0, kNaN, 1.0f); }, After::Cleared},
        BadCase{"RotateNaN", [](Canvas& k) { k.RotateImage(0, kNaN); }, After::Cleared},
        BadCase{"RotateHuge", [](Canvas& k) { k.RotateImage(0, 3e38f); }, After::Anything},
        BadCase{"TiltInfiniteK", [](Canvas& k) { k.TiltVertical(1, 30.0f, kInf); },
                After::Anything},
        BadCase{"TiltHorizontalNaN", [](Canvas& k) { k.TiltHorizontal(-1, kNaN, 1.0f); },
                After::Cleared},
        BadCase{"AnchorOutsideTheColumns",
                [](Canvas& k) {
                  k.ScaleImage(INT_MIN, 1, 1);
                  k.RotateImage(2, 30);
                  k.RotateImage(INT_MAX, 30);
                  k.TiltVertical(2, 30, 1);
                  k.TiltHorizontal(-7, 30, 1);
                },
                After::Unchanged},
        BadCase{"TileNaN", [](Canvas& k) { k.TileImage(0, kNaN, 2.0f); }, After::Unchanged},
        BadCase{"TileInfinite", [](Canvas& k) { k.TileImage(1, kInf, kInf); }, After::Anything},
        BadCase{"TileHuge", [](Canvas& k) { k.TileImage(3, 1e30f, 2.0f); }, After::Anything},
        BadCase{"TileMoreThanPixels", [](Canvas& k) { k.TileImage(2, 1000.0f, 1000.0f); },
                After::Anything},
        BadCase{"MosaicNegative",
                [](Canvas& k) {
                  k.Mosaic(-4, 4, -1);
                  k.Mosaic(4, -4, -1);
                  k.Mosaic(INT_MIN, INT_MIN, -1);
                },
                After::Unchanged},
        BadCase{"MosaicHugeCell", [](Canvas& k) { k.Mosaic(INT_MAX, INT_MAX, -1); },
                After::Anything},
        BadCase{"SaturationExtremes",
                [](Canvas& k) {
                  k.AdjustSaturation(INT_MAX, -1);
                  k.AdjustSaturation(INT_MIN, INT_MIN);
                  k.AdjustSaturation(INT_MIN, -1);
                },
                After::Anything},
        BadCase{"MandelbrotTooFewColumns",
                [](Canvas& k) { k.RenderMandelbrot(-2, -1, 1, 1, 50, 1, 5); }, After::Unchanged},
        BadCase{"MandelbrotTooFewRows",
                [](Canvas& k) { k.RenderMandelbrot(-2, -1, 1, 1, 50, 5, INT_MIN); },
                After::Unchanged},
        BadCase{"MandelbrotNoIterations",
                [](Canvas& k) {
                  k.RenderMandelbrot(-2, -1, 1, 1, 0, 5, 5);
                  k.RenderMandelbrot(-2, -1, 1, 1, INT_MIN, 5, 5);
                },
                After::Unchanged},
        BadCase{"MandelbrotHugeGrid",
                [](Canvas& k) { k.RenderMandelbrot(-2, -1, 1, 1, 8, INT_MAX, INT_MAX); },
                After::Anything},
        BadCase{"MandelbrotNaNPlane",
                [](Canvas& k) { k.RenderMandelbrot(kNaN, kInf, -kInf, kNaN, 8, 6, 5); },
                After::Anything},
        BadCase{"MandelbrotManyIterationsInsideTheSet",
                [](Canvas& k) { k.RenderMandelbrot(-0.5f, -0.25f, 0.0f, 0.25f, INT_MAX, 6, 5); },
                After::Anything},
        BadCase{"BlurNegativeRadius",
                [](SourceCanvas& k) {
                  k.Blur(-1, -3);
                  k.Blur(INT_MIN, INT_MIN);
                },
                After::Unchanged},
        // The window is cut to the canvas: this ends at once.
        BadCase{"BlurHugeRadius", [](SourceCanvas& k) { k.Blur(-1, INT_MAX); }, After::Anything},
        BadCase{"BlurUnselectedId", [](SourceCanvas& k) { k.Blur(INT_MIN, INT_MAX); },
                After::Unchanged},
        BadCase{"BoxAverageOffTheCanvas",
                [](SourceCanvas& k) {
                  BMM_Color_64 out{1, 2, 3, 4};
                  k.BoxAverageSource(INT_MIN, INT_MIN, INT_MAX, &out);
                  k.BoxAverageSource(INT_MAX, 0, INT_MAX, &out);
                  k.BoxAverageSource(0, 0, INT_MIN, &out);
                  k.BoxAverageSource(0, 0, 1, nullptr);
                  if (k.width == 0) {
                    EXPECT_EQ(out, (BMM_Color_64{1, 2, 3, 4}));
                  }
                },
                After::Unchanged},
        BadCase{"DepthBlurRefused",
                [](SourceCanvas& k) {
                  k.DepthBlur(-1, 0.0f, 0.0f, 4);
                  k.DepthBlur(-1, 0.0f, -1.0f, 4);
                  k.DepthBlur(-1, 0.0f, kNaN, 4);
                  k.DepthBlur(-1, 0.0f, kInf, 4);
                  k.DepthBlur(-1, kNaN, 1.0f, 4);
                  k.DepthBlur(-1, -kInf, 1.0f, 4);
                  k.DepthBlur(-1, 0.0f, 1.0f, -1);
                  k.DepthBlur(-1, 0.0f, 1.0f, INT_MIN);
                },
                After::Unchanged},
        // Radii far past the int range, clamped before they are converted.
        BadCase{"DepthBlurExtremes",
                [](SourceCanvas& k) {
                  k.DepthBlur(-1, 3e38f, 1e-45f, INT_MAX);
                  k.DepthBlur(-1, -3e38f, 3e38f, INT_MAX);
                },
                After::Anything},
        BadCase{"DepthToGreyWithoutTheChannel", [](SourceCanvas& k) { k.DepthToGrey(-1); },
                After::Unchanged},
        BadCase{"DepthRangeNullPointers",
                [](SourceCanvas& k) { EXPECT_EQ(k.DepthRange(nullptr, nullptr, nullptr, nullptr), 1); },
                After::Unchanged},
        BadCase{"StarNothingToDraw",
                [](SourceCanvas& k) {
                  const BMM_Color_64 c{9, 9, 9, 9};
                  k.DrawStar(2, 2, c, 0, 4, 0.0f);
                  k.DrawStar(2, 2, c, INT_MIN, 4, 0.0f);
                  k.DrawStar(2, 2, c, 46341, 4, 0.0f);
                  k.DrawStar(2, 2, c, INT_MAX, 4, 0.0f);
                  k.DrawStar(2, 2, c, 3, 0, 0.0f);
                  k.DrawStar(2, 2, c, 3, INT_MIN, 0.0f);
                  k.DrawStar(2, 2, c, 3, INT_MAX, 0.0f);
                  k.DrawStar(2, 2, c, 3, 4, kNaN);
                  k.DrawStar(2, 2, c, 3, 4, -kInf);
                  k.DrawStar(2, 2, c, 3, 4, -3e38f);
                  // Squares wholly off the canvas, near the int limits.
                  k.DrawStar(INT_MAX, INT_MIN, c, 46340, 4, 0.0f);
                  k.DrawStar(INT_MIN, INT_MAX, c, 46340, 4, 0.0f);
                },
                After::Unchanged},
        BadCase{"StarLargestOverTheCanvas",
                [](SourceCanvas& k) { k.DrawStar(3, 2, {9, 9, 9, 9}, 46340, 64, 0.0f); },
                After::Anything},
        BadCase{"SparkleNothingToDraw",
                [](SourceCanvas& k) {
                  const BMM_Color_64 c{9, 9, 9, 9};
                  k.Sparkle(-1, 1, c, 0, 0, 4, 0.0f);
                  k.Sparkle(-1, 1, c, 46341, 0, 4, 0.0f);
                  k.Sparkle(-1, 0, c, 3, 0, -4, 0.0f);
                  k.Sparkle(-1, 0, c, 3, 0, INT_MAX, 0.0f);
                  k.Sparkle(-1, 1, c, 3, 0, 4, kNaN);
                  k.Sparkle(-1, 1, c, 3, INT_MAX, 4, 0.0f);
                  k.Sparkle(INT_MIN, 1, c, 3, INT_MIN, 4, 0.0f);
                },
                After::Unchanged},
        BadCase{"SparkleLargestStars",
                [](SourceCanvas& k) { k.Sparkle(-1, 0, {}, 46340, INT_MIN, 6, 1e30f); },
                After::Anything},
        BadCase{"PixelWritesOffTheCanvas",
                [](Canvas& k) {
                  k.PutPixel(-1, 0, {});
                  k.PutPixel(6, 0, {});
                  k.PutPixel(INT_MIN, INT_MAX, {});
                  k.BlendPixel(INT_MAX, 0, {}, kNaN);
                  k.PlotGrey(kNaN, 0, 5);
                  k.PlotGrey(6.0f, 0, 5);
                },
                After::Unchanged}),
    [](const testing::TestParamInfo<BadCase>& p) { return std::string(p.param.name); });

// A picture from a bitmap whose rows cannot be fetched warps as transparent
// black, not as whatever was left in memory.
TEST(Warp, UnreadableRowsAreTransparentBlack) {
  auto bitmap = zarntest::HollowBitmap(3, 2);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  ASSERT_TRUE(canvas.HasPixels());
  canvas.ScaleImage(0, 1.0f, 1.0f);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), std::vector<BMM_Color_64>(6, BMM_Color_64{}));
}

}  // namespace
