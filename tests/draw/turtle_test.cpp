#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "draw/draw_fixture.h"

namespace {
using drawtest::Board;
using drawtest::Near;
using drawtest::PxSet;

struct StepCase {
  const char* name;
  float heading, turn, length;
  float endX, endY;  // from (20, 20), up to 1e-5
  float headingAfter;
};

class TurtleSteps : public testing::TestWithParam<StepCase> {};

TEST_P(TurtleSteps, ForwardFollowsTheHeadingCounterClockwise) {
  const StepCase& c = GetParam();
  for (int draw = 0; draw < 2; ++draw) {
    Board<TurtleCanvas> board(40, 40);
    board.canvas.MovePen(20, 20);
    board.canvas.heading = c.heading;
    board.canvas.Turn(c.turn);
    if (draw) board.canvas.Forward(c.length);
    else board.canvas.MoveForward(c.length);
    EXPECT_NEAR(board.canvas.penPos.x, c.endX, 1e-5f);
    EXPECT_NEAR(board.canvas.penPos.y, c.endY, 1e-5f);
    EXPECT_EQ(board.canvas.heading, c.headingAfter);
    const PxSet ink = board.Ink();
    if (!draw) {
      EXPECT_TRUE(ink.empty());
    } else {
      EXPECT_EQ(ink.size(), static_cast<std::size_t>(std::fabs(c.length)) + 1);
      EXPECT_TRUE(ink.count({20, 20}) || ink.count({19, 20}) || ink.count({20, 19}));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Headings, TurtleSteps,
    testing::Values(StepCase{"Right", 0, 0, 10, 30, 20, 0},
                    StepCase{"Up", 90, 0, 10, 20, 10, 90},
                    StepCase{"Left", 180, 0, 10, 10, 20, 180},
                    StepCase{"Down", 270, 0, 10, 20, 30, 270},
                    // A positive turn is to the right: from 0 the turtle heads down.
                    StepCase{"TurnRight", 0, 90, 10, 20, 30, -90},
                    StepCase{"TurnLeft", 0, -90, 10, 20, 10, 90},
                    StepCase{"Backward", 0, 0, -10, 10, 20, 0},
                    StepCase{"NotReduced", 340, -20, 10, 30, 20, 360}),
    [](const testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

TEST(DrawPolySpiral, FourRightTurnsDrawAClockwiseSquare) {
  Board<TurtleCanvas> whole(30, 30), stepwise(30, 30);
  whole.canvas.MovePen(2.5f, 2.5f);
  whole.canvas.DrawPolySpiral(10, 90, 0, 4);
  EXPECT_EQ(whole.canvas.heading, -360.0f);

  // One repetition at a time, recording the corners.
  stepwise.canvas.MovePen(2.5f, 2.5f);
  std::vector<Point2> corners{stepwise.canvas.penPos};
  for (int i = 0; i < 4; ++i) {
    stepwise.canvas.DrawPolySpiral(10, 90, 0, 1);
    corners.push_back(stepwise.canvas.penPos);
  }
  EXPECT_EQ(whole.Ink(), stepwise.Ink());
  EXPECT_EQ(whole.Ink(), drawtest::ReferencePolyline(30, 30, corners));
  const float expected[5][2] = {{2.5f, 2.5f}, {12.5f, 2.5f}, {12.5f, 12.5f}, {2.5f, 12.5f},
                                {2.5f, 2.5f}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR(corners[i].x, expected[i][0], 1e-5f) << i;
    EXPECT_NEAR(corners[i].y, expected[i][1], 1e-5f) << i;
  }
  EXPECT_EQ(whole.canvas.penPos, corners.back());
}

TEST(DrawPolySpiral, GrowsByTheIncrementAndSkipsNonPositiveCounts) {
  Board<TurtleCanvas> board(60, 60);
  board.canvas.MovePen(30, 30);
  board.canvas.DrawPolySpiral(2, 90, 2, 3);  // 2 right, 4 down, 6 left
  EXPECT_NEAR(board.canvas.penPos.x, 26.0f, 1e-5f);
  EXPECT_NEAR(board.canvas.penPos.y, 34.0f, 1e-5f);
  EXPECT_EQ(board.canvas.heading, -270.0f);

  Board<TurtleCanvas> none(10, 10);
  none.canvas.DrawPolySpiral(5, 90, 0, 0);
  none.canvas.DrawPolySpiral(5, 90, 0, -3);
  EXPECT_TRUE(none.Ink().empty());
  EXPECT_EQ(none.canvas.heading, 0.0f);
}

// The L-tromino of size s at (x, y), heading 0, as a filled region.
PxSet LRegion(float x, float y, float s) {
  PxSet out;
  for (int py = static_cast<int>(y - s) - 1; py <= static_cast<int>(y) + 1; ++py)
    for (int px = static_cast<int>(x) - 1; px <= static_cast<int>(x + s) + 1; ++px) {
      const float u = px + 0.5f - x, v = y - (py + 0.5f);  // v grows upward
      const bool inSquare = u > -1.0f && u < s + 1.0f && v > -1.0f && v < s + 1.0f;
      const bool inNotch = u > s / 2 + 1.0f && v > s / 2 + 1.0f;
      if (inSquare && !inNotch) out.insert({px, py});
    }
  return out;
}

TEST(DrawLShape, OutlinesTheTrominoAndAddsAFullTurn) {
  Board<TurtleCanvas> board(40, 40);
  board.canvas.MovePen(5.5f, 30.5f);
  board.canvas.DrawLShape(20);
  EXPECT_EQ(board.canvas.heading, 360.0f);
  EXPECT_NEAR(board.canvas.penPos.x, 5.5f, 1e-4f);
  EXPECT_NEAR(board.canvas.penPos.y, 30.5f, 1e-4f);
  const PxSet ink = board.Ink();
  // The corners (20, 0), (20, -10), (10, -10), (10, -20), (0, -20) in
  // screen terms from the start.
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{
           {25, 30}, {25, 20}, {15, 20}, {15, 10}, {5, 10}, {5, 30}}) {
    EXPECT_TRUE(ink.count({x, y})) << x << "," << y;
  }
  // 20 + 10 + 10 + 10 + 10 + 20 unit steps around a closed outline.
  EXPECT_EQ(ink.size(), 80u);
  EXPECT_TRUE(Near(ink, LRegion(5.5f, 30.5f, 20), 0));
}

TEST(DrawLTiling, DepthMinusOneIsASquareTurningLeft) {
  Board<TurtleCanvas> board(30, 30);
  board.canvas.heading = 123;
  board.canvas.DrawLTiling(4.5f, 20.5f, 10, 0, -1);
  EXPECT_EQ(board.canvas.heading, 360.0f);
  const PxSet ink = board.Ink();
  EXPECT_EQ(ink.size(), 40u);
  EXPECT_TRUE(ink.count({4, 10}) && ink.count({14, 10}) && ink.count({14, 20}));
}

// Depth 1: four half-size L's inside the depth-0 L, whose outline they
// include; the last leaf is the one at the end of the forward arm, turned
// left by 90 degrees.
TEST(DrawLTiling, DepthOneTilesTheDepthZeroShape) {
  Board<TurtleCanvas> shallow(50, 50), deep(50, 50);
  shallow.canvas.DrawLTiling(5.5f, 40.5f, 32, 0, 0);
  deep.canvas.DrawLTiling(5.5f, 40.5f, 32, 0, 1);
  const PxSet outline = shallow.Ink(), tiles = deep.Ink();
  EXPECT_TRUE(Near(outline, tiles));
  EXPECT_TRUE(Near(tiles, LRegion(5.5f, 40.5f, 32), 0));
  EXPECT_GT(tiles.size(), outline.size());
  EXPECT_NEAR(deep.canvas.penPos.x, 37.5f, 1e-4f);
  EXPECT_NEAR(deep.canvas.penPos.y, 40.5f, 1e-4f);
  EXPECT_EQ(deep.canvas.heading, 450.0f);

  Board<TurtleCanvas> deeper(50, 50);
  deeper.canvas.DrawLTiling(5.5f, 40.5f, 32, 0, 2);
  EXPECT_TRUE(Near(tiles, deeper.Ink()));
  EXPECT_NEAR(deeper.canvas.penPos.x, 37.5f, 1e-4f);
  EXPECT_NEAR(deeper.canvas.penPos.y, 24.5f, 1e-4f);
  EXPECT_EQ(deeper.canvas.heading, 540.0f);
}

TEST(DrawLCascade, DepthZeroIsTheLThenTheSquareInItsNotch) {
  Board<TurtleCanvas> cascade(40, 40), parts(40, 40);
  cascade.canvas.DrawLCascade(4.5f, 30.5f, 16, 0, 0);
  parts.canvas.DrawLTiling(4.5f, 30.5f, 16, 0, 0);
  Point2 corner;
  parts.canvas.PointAtAngle(Point2(4.5f, 30.5f), 45.0f * 3.14159274f / 180.0f,
                            16.0f * (static_cast<float>(std::sqrt(2.0)) / 2.0f), corner);
  EXPECT_NEAR(corner.x, 12.5f, 1e-5f);
  EXPECT_NEAR(corner.y, 22.5f, 1e-5f);
  parts.canvas.DrawLTiling(corner.x, corner.y, 8, 0, -1);
  EXPECT_EQ(cascade.Ink(), parts.Ink());
  EXPECT_EQ(cascade.canvas.penPos, parts.canvas.penPos);
  EXPECT_EQ(cascade.canvas.heading, 360.0f);
  // The whole figure fills the square of side 16 with the start as corner.
  for (const auto& [x, y] : cascade.Ink()) {
    EXPECT_TRUE(x >= 4 && x <= 20 && y >= 14 && y <= 30) << x << "," << y;
  }
}

}  // namespace
