// Arguments that once could hang a drawing, recurse without end, index
// outside a table or write outside the canvas. Every row must finish
// quickly; the sanitizers watch every write. Rows marked "nothing" must
// leave the canvas untouched.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>

#include "draw/draw_fixture.h"

namespace {
using drawtest::Board;

constexpr float kInf = INFINITY;
constexpr float kNaN = NAN;
Point2 P(float x, float y) { return Point2(x, y); }

struct BadCase {
  const char *name;
  std::function<void(TreeCanvas &)> draw;
  bool nothing; // must draw nothing
};

class BadArguments : public testing::TestWithParam<BadCase> {};

TEST_P(BadArguments, FinishWithoutWritingOutsideTheCanvas) {
  const BadCase &c = GetParam();
  Board<TreeCanvas> board(16, 12);
  board.canvas.MovePen(8, 6);
  c.draw(board.canvas);
  if (c.nothing) {
    EXPECT_TRUE(board.Ink().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadArguments,
    testing::Values(
        // Lines and runs.
        BadCase{"LineNaN", [](TreeCanvas &c) { c.DrawLine(1, 1, kNaN, 5); },
                true},
        BadCase{"LineInfinite",
                [](TreeCanvas &c) { c.DrawLine(-kInf, 5, kInf, 5); }, true},
        BadCase{"LineToInfinity",
                [](TreeCanvas &c) { c.DrawLineTo(kInf, kInf); }, true},
        BadCase{
            "LineAt2To24",
            [](TreeCanvas &c) { c.DrawLine(-16777216.0f, 3, 16777216.0f, 3); },
            false},
        BadCase{"LineHuge",
                [](TreeCanvas &c) { c.DrawLine(-3e38f, -3e38f, 3e38f, 3e38f); },
                false},
        BadCase{
            "LineHugeOutside",
            [](TreeCanvas &c) { c.DrawLine(-3e38f, -1e30f, 3e38f, -2e30f); },
            true},
        // A long fractional walk whose error term is not exact in floats.
        BadCase{"LineLongFractional",
                [](TreeCanvas &c) {
                  c.DrawLine(-16777215.0f, 0.3f, 16777215.0f, 11.7f);
                },
                false},
        // Fractional ends a long way off, passing the canvas's corner.
        BadCase{"LinePastTheCorner",
                [](TreeCanvas &c) {
                  c.DrawLine(-8000000.3f, 8000020.7f, 8000030.1f, -7999990.9f);
                },
                true},
        BadCase{"HLineInfinite",
                [](TreeCanvas &c) { c.DrawHLine(-3e38f, 2, kInf); }, true},
        BadCase{"VLineHuge",
                [](TreeCanvas &c) { c.DrawVLine(2, -1e30f, 1e30f); }, true},
        BadCase{"HLineNaN",
                [](TreeCanvas &c) { c.DrawHLine(kNaN, kNaN, kNaN); }, true},
        BadCase{"FillBoxInfinite",
                [](TreeCanvas &c) { c.FillBox(-kInf, -kInf, kInf, kInf); },
                true},
        BadCase{"FillBoxHuge",
                [](TreeCanvas &c) { c.FillBox(-1e30f, -1e30f, 1e30f, 1e30f); },
                true},
        BadCase{"FillBoxTall", [](TreeCanvas &c) { c.FillBox(0, 0, 3, 3e38f); },
                false},
        BadCase{"BoxNaN", [](TreeCanvas &c) { c.DrawBox(kNaN, 0, 5, kNaN); },
                true},
        // Ellipses, discs and arcs.
        BadCase{"EllipseBeyondLimit",
                [](TreeCanvas &c) { c.DrawEllipse(8, 6, 2e6f, 3); }, true},
        BadCase{"EllipseInfinite",
                [](TreeCanvas &c) { c.DrawEllipse(8, 6, kInf, kInf); }, true},
        BadCase{"EllipseNaN", [](TreeCanvas &c) { c.DrawCircle(8, 6, kNaN); },
                true},
        BadCase{"EllipseAtLimit",
                [](TreeCanvas &c) { c.DrawCircle(8, 6, 1048576.0f); }, true},
        BadCase{"EllipseNaNCentre",
                [](TreeCanvas &c) { c.DrawCircle(kNaN, kNaN, 5); }, true},
        BadCase{"DiscNaN", [](TreeCanvas &c) { c.FillCircle(8, 6, kNaN); },
                true},
        BadCase{"DiscInfinite", [](TreeCanvas &c) { c.FillCircle(8, 6, kInf); },
                false},
        BadCase{"DiscFarAway",
                [](TreeCanvas &c) { c.FillCircle(-3e38f, 3e38f, 1e30f); },
                true},
        BadCase{"ArcHugeSweep",
                [](TreeCanvas &c) {
                  c.arcSegments = 0;
                  c.DrawArc(8, 6, 5, 0, 1e9f);
                },
                false},
        BadCase{"ArcInfiniteSweep",
                [](TreeCanvas &c) { c.DrawArc(8, 6, 5, -kInf, kInf); }, true},
        BadCase{"ArcStuckAngle",
                [](TreeCanvas &c) { c.DrawArc(8, 6, 5, 1e9f, 1e9f + 1e4f); },
                false},
        BadCase{"ArcNegativeSegments",
                [](TreeCanvas &c) {
                  c.arcSegments = INT_MIN;
                  c.DrawArc(8, 6, 5, 0, 90);
                },
                false},
        BadCase{"PieNaN", [](TreeCanvas &c) { c.DrawPie(kNaN, kNaN, kNaN); },
                true},
        // Turtle and tilings.
        BadCase{"TilingBelowMinusOne",
                [](TreeCanvas &c) { c.DrawLTiling(2, 10, 8, 0, -2); }, true},
        BadCase{"TilingMinDepth",
                [](TreeCanvas &c) { c.DrawLTiling(2, 10, 8, 0, INT_MIN); },
                true},
        BadCase{"TilingTooDeep",
                [](TreeCanvas &c) { c.DrawLTiling(2, 10, 8, 0, 11); }, true},
        BadCase{"TilingMaxDepth",
                [](TreeCanvas &c) { c.DrawLTiling(2, 10, 8, 0, INT_MAX); },
                true},
        BadCase{"CascadeMaxDepth",
                [](TreeCanvas &c) { c.DrawLCascade(2, 10, 8, 0, INT_MAX); },
                true},
        BadCase{"CascadeMinDepth",
                [](TreeCanvas &c) { c.DrawLCascade(2, 10, 8, 0, INT_MIN); },
                true},
        BadCase{"SpiralMaxCount",
                [](TreeCanvas &c) { c.DrawPolySpiral(3, 90, 1, INT_MAX); },
                true},
        BadCase{"ForwardInfinite", [](TreeCanvas &c) { c.Forward(kInf); },
                true},
        BadCase{"HeadingNaN",
                [](TreeCanvas &c) {
                  c.heading = kNaN;
                  c.Forward(5);
                },
                true},
        // Recursive curves and the tree.
        BadCase{"DisplaceZeroLimit",
                [](TreeCanvas &c) {
                  c.DisplaceSegment(P(8, 6), P(12, 6), 0.5f, 0, 0.1f);
                },
                true},
        BadCase{"DisplaceNegativeLimit",
                [](TreeCanvas &c) {
                  c.DisplaceSegment(P(8, 6), P(12, 6), 0.5f, -1, 0.1f);
                },
                true},
        BadCase{"DisplaceNaNLimit",
                [](TreeCanvas &c) {
                  c.DisplaceSegment(P(8, 6), P(12, 6), 0.5f, kNaN, 0.1f);
                },
                true},
        // Factor 1 keeps s: pieces shrink (and draw) only while |s| < sqrt(3)
        // / 2.
        BadCase{"DisplaceFactorOne",
                [](TreeCanvas &c) {
                  c.DisplaceSegment(P(8, 6), P(12, 6), 1.0f, 1, 0.5f);
                },
                false},
        BadCase{"DisplaceFactorOneLargeScale",
                [](TreeCanvas &c) {
                  c.DisplaceSegment(P(8, 6), P(12, 6), 1.0f, 1, 0.9f);
                },
                true},
        BadCase{"DisplaceFactorAboveOne",
                [](TreeCanvas &c) {
                  c.DisplaceSegment(P(8, 6), P(12, 6), 1.5f, 1, 0.1f);
                },
                true},
        BadCase{"DisplaceFactorNaN",
                [](TreeCanvas &c) {
                  c.DisplaceSegment(P(8, 6), P(12, 6), kNaN, 1, 0.5f);
                },
                true},
        BadCase{"DisplaceInfiniteEnd",
                [](TreeCanvas &c) {
                  c.DisplaceSegment(P(8, 6), P(kInf, 6), 0.5f, 1, 0.5f);
                },
                true},
        BadCase{"FractalHalfDimension",
                [](TreeCanvas &c) {
                  c.DrawFractalLine(1, 1, 14, 10, 0.5f, 1, 0.3f);
                },
                false},
        BadCase{"FractalHalfDimensionLargeScale",
                [](TreeCanvas &c) {
                  c.DrawFractalLine(1, 1, 14, 10, 0.5f, 1, -0.9f);
                },
                true},
        BadCase{
            "FractalLowDimension",
            [](TreeCanvas &c) { c.DrawFractalLine(1, 1, 14, 10, -3, 1, 0.3f); },
            true},
        BadCase{"FractalNaNDimension",
                [](TreeCanvas &c) {
                  c.DrawFractalLine(1, 1, 14, 10, kNaN, 1, 0.3f);
                },
                true},
        BadCase{"FractalInfiniteLimit",
                [](TreeCanvas &c) {
                  c.DrawFractalLine(1, 1, 14, 10, 1.5f, kInf, 0.3f);
                },
                true},
        // Pieces that grow before they shrink stop after a bounded split.
        BadCase{"FractalHugeScale",
                [](TreeCanvas &c) {
                  c.DrawFractalLine(1, 1, 14, 10, 1.5f, 1, 1e30f);
                },
                false},
        BadCase{"FractalTinyLimit",
                [](TreeCanvas &c) {
                  c.DrawFractalLine(1, 1, 14, 10, 1.5f, 1e-30f, 0.3f);
                },
                false},
        BadCase{"HilbertOrientationFour",
                [](TreeCanvas &c) { c.DrawHilbertCurve(1, 4, 2); }, true},
        BadCase{"HilbertOrientationNegative",
                [](TreeCanvas &c) { c.DrawHilbertCurve(1, -1, 2); }, true},
        BadCase{"HilbertOrientationMax",
                [](TreeCanvas &c) { c.DrawHilbertSquare(60, INT_MAX, 3); },
                true},
        BadCase{"HilbertTooDeep",
                [](TreeCanvas &c) { c.DrawHilbertCurve(1, 0, 13); }, true},
        BadCase{"KochTooDeep", [](TreeCanvas &c) { c.DrawKochSide(0, 10, 13); },
                true},
        BadCase{
            "KochLineMaxDepth",
            [](TreeCanvas &c) { c.DrawKochLine(P(1, 1), P(14, 1), INT_MAX); },
            true},
        BadCase{"KochMinDepth",
                [](TreeCanvas &c) { c.DrawKochSide(0, 5, INT_MIN); }, false},
        BadCase{"KochTriangleNaN",
                [](TreeCanvas &c) { c.DrawKochTriangle(kNaN, 6, 5); }, true},
        BadCase{"LevyTooDeep",
                [](TreeCanvas &c) { c.DrawLevyCurve(0, 10, 25); }, true},
        BadCase{"DragonMaxDepth",
                [](TreeCanvas &c) { c.DrawDragonCurve(0, 10, INT_MAX, 1); },
                true},
        BadCase{"TreeMaxDepth",
                [](TreeCanvas &c) { c.DrawTree(P(8, 11), 90, 5, 60, INT_MAX); },
                true},
        BadCase{"TreeManyBranches",
                [](TreeCanvas &c) {
                  c.branchCount = INT_MAX;
                  c.DrawTree(P(8, 11), 90, 5, 60, 2);
                },
                true},
        BadCase{"TreeTooManySegments",
                [](TreeCanvas &c) { c.DrawTree(P(8, 11), 90, 5, 60, 17); },
                true},
        BadCase{"TreeLongChain",
                [](TreeCanvas &c) {
                  c.branchCount = 1;
                  c.lengthScale = 1.0f;
                  c.DrawTree(P(8, 11), 90, 1, 0, 1024);
                },
                false},
        BadCase{"TreeTooLongChain",
                [](TreeCanvas &c) {
                  c.branchCount = 1;
                  c.DrawTree(P(8, 11), 90, 1, 0, 1025);
                },
                true},
        BadCase{"TreeNegativeBranches",
                [](TreeCanvas &c) {
                  c.branchCount = -5;
                  c.DrawTree(P(8, 11), 90, 5, 60, 3);
                },
                false},
        // Polygons and parametric curves.
        BadCase{"PolygonTwoSides",
                [](TreeCanvas &c) { c.DrawRegularPolygon(8, 6, 5, 2); }, true},
        BadCase{"PolygonNegativeSides",
                [](TreeCanvas &c) { c.DrawRegularPolygon(8, 6, 5, -5); }, true},
        BadCase{"PolygonMinSides",
                [](TreeCanvas &c) { c.DrawRegularPolygon(8, 6, 5, INT_MIN); },
                true},
        BadCase{"PolygonMaxSides",
                [](TreeCanvas &c) { c.DrawRegularPolygon(8, 6, 5, INT_MAX); },
                true},
        BadCase{"WebTwoSides",
                [](TreeCanvas &c) { c.DrawPolygonWeb(8, 6, 5, 2); }, true},
        BadCase{"WebTooManySides",
                [](TreeCanvas &c) { c.DrawPolygonWeb(8, 6, 5, 4097); }, true},
        BadCase{"PolylineNull",
                [](TreeCanvas &c) { c.DrawPolyline(nullptr, 5); }, true},
        BadCase{"RoseNoSegments",
                [](TreeCanvas &c) {
                  c.arcSegments = 0;
                  c.DrawRose(8, 6, 5, 3);
                },
                true},
        BadCase{"RoseNegativeSegments",
                [](TreeCanvas &c) {
                  c.arcSegments = -7;
                  c.DrawRose(8, 6, 5, 3);
                },
                true},
        BadCase{"RoseMaxPetals",
                [](TreeCanvas &c) { c.DrawRose(8, 6, 5, INT_MAX); }, true},
        BadCase{"RoseMinPetals",
                [](TreeCanvas &c) { c.DrawRose(8, 6, 5, INT_MIN); }, true},
        BadCase{"SuperellipseOneSegment",
                [](TreeCanvas &c) {
                  c.arcSegments = 1;
                  c.DrawSuperellipse(8, 6, 5, 4, 2);
                },
                true},
        BadCase{"SuperellipseMaxSegments",
                [](TreeCanvas &c) {
                  c.arcSegments = INT_MAX;
                  c.DrawSuperellipse(8, 6, 5, 4, 2);
                },
                true},
        BadCase{"SuperellipseZeroExponent",
                [](TreeCanvas &c) { c.DrawSuperellipse(8, 6, 5, 4, 0); },
                false},
        BadCase{"SuperellipseNaNExponent",
                [](TreeCanvas &c) { c.DrawSuperellipse(8, 6, 5, 4, kNaN); },
                true},
        BadCase{"SuperellipseNegativeExponent",
                [](TreeCanvas &c) { c.DrawSuperellipse(8, 6, 5, 4, -2); },
                false}),
    [](const testing::TestParamInfo<BadCase> &info) {
      return std::string(info.param.name);
    });

// The pen still ends where each operation says, even when nothing is drawn.
TEST(BadArguments, ThePenStillEndsAtTheSecondPoint) {
  Board<> board(8, 8);
  board.canvas.DrawLine(1, 1, kInf, 3);
  EXPECT_EQ(board.canvas.penPos.x, kInf);
  EXPECT_EQ(board.canvas.penPos.y, 3.0f);
  board.canvas.DrawFractalLine(1, 1, 6, 2, 0.2f, 1, 0);
  EXPECT_EQ(board.canvas.penPos, Point2(6.0f, 2.0f));
  board.canvas.DisplaceSegment(P(1, 1), P(5, 7), 0.5f, 0, 0);
  EXPECT_EQ(board.canvas.penPos, Point2(5.0f, 7.0f));
  board.canvas.DrawEllipse(3, 4, 5e6f, 5e6f);
  EXPECT_EQ(board.canvas.penPos, Point2(3.0f, 4.0f));
}

} // namespace
