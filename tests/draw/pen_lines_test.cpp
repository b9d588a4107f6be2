#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "canvas/arith.h"
#include "draw/draw_fixture.h"

namespace {
using drawtest::Board;
using drawtest::Px;
using drawtest::PxSet;

struct LineCase {
  const char* name;
  float x1, y1, x2, y2;
  PxSet pixels;
};

class LinePixels : public testing::TestWithParam<LineCase> {};

TEST_P(LinePixels, SetsExactlyTheWalkedPixelsAndEndsAtTheSecondPoint) {
  const LineCase& c = GetParam();
  Board<> board(12, 10);
  board.canvas.DrawLine(c.x1, c.y1, c.x2, c.y2);
  EXPECT_EQ(board.Ink(), c.pixels);
  EXPECT_EQ(board.canvas.penPos, Point2(c.x2, c.y2));
}

INSTANTIATE_TEST_SUITE_P(
    Octants, LinePixels,
    testing::Values(
        LineCase{"SinglePoint", 3, 3, 3, 3, {{3, 3}}},
        LineCase{"ShallowRising", 0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        LineCase{"ShallowRisingBackward", 4, 2, 0, 0, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        // The tie at the middle step goes the other way for a falling line.
        LineCase{"ShallowFalling", 0, 2, 4, 0, {{0, 2}, {1, 2}, {2, 1}, {3, 1}, {4, 0}}},
        LineCase{"ShallowFallingBackward", 4, 0, 0, 2, {{0, 2}, {1, 2}, {2, 1}, {3, 1}, {4, 0}}},
        LineCase{"SteepRising", 0, 0, 2, 4, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}}},
        LineCase{"SteepRisingBackward", 2, 4, 0, 0, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}}},
        LineCase{"SteepFalling", 0, 4, 2, 0, {{2, 0}, {2, 1}, {1, 2}, {1, 3}, {0, 4}}},
        LineCase{"SteepFallingBackward", 2, 0, 0, 4, {{2, 0}, {2, 1}, {1, 2}, {1, 3}, {0, 4}}},
        LineCase{"Diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        LineCase{"AntiDiagonal", 3, 0, 0, 3, {{3, 0}, {2, 1}, {1, 2}, {0, 3}}},
        LineCase{"Horizontal", 2, 6, 6, 6, {{2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}}},
        LineCase{"Vertical", 5, 0, 5, 3, {{5, 0}, {5, 1}, {5, 2}, {5, 3}}},
        // The walk starts at the float endpoint and stops past the end value:
        // the end point's own pixel (3, 0) is not set.
        LineCase{"FractionalStart", 0.5f, 0, 3, 0, {{0, 0}, {1, 0}, {2, 0}}},
        LineCase{"HalfPixelShift", 0.5f, 0.5f, 4.5f, 2.5f, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        LineCase{"FractionalMinor", 1.7f, 0.2f, 5.2f, 0.9f, {{1, 0}, {2, 0}, {3, 0}, {4, 1}}},
        // -0.5 is outside; 11.999 lands in the last column.
        LineCase{"FromJustLeft", -0.5f, 1, 2.5f, 1, {{0, 1}, {1, 1}, {2, 1}}},
        LineCase{"ToJustInsideRight", 9.999f, 9, 11.999f, 9, {{9, 9}, {10, 9}, {11, 9}}},
        LineCase{"CrossingTheCanvas", -10, 5, 20, 5,
                 {{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}, {8, 5}, {9, 5},
                  {10, 5}, {11, 5}}},
        LineCase{"EntirelyOutside", -5, -5, 20, -1, {}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// The clipped walk against the plain walk on seeded random segments: the
// inside pixels must be the same for whole, half and arbitrary coordinates,
// short and long, crossing the canvas from far away.
TEST(DrawLine, MatchesThePlainWalkOnRandomSegments) {
  struct Regime {
    const char* name;
    float spread;  // endpoints in [-spread, 40 + spread]
    bool whole;
    bool half;
  };
  const Regime regimes[] = {{"whole near", 20, true, false},   {"whole far", 5000, true, false},
                            {"halves far", 3000, false, true}, {"any near", 30, false, false},
                            {"any far", 4000, false, false}};
  std::mt19937 rng(1234);
  for (const Regime& r : regimes) {
    std::uniform_real_distribution<float> coord(-r.spread, 40.0f + r.spread);
    for (int i = 0; i < 300; ++i) {
      float v[4];
      for (float& c : v) {
        c = coord(rng);
        if (r.whole) c = std::round(c);
        if (r.half) c = std::round(c * 2.0f) / 2.0f;
      }
      Board<> actual(40, 30), expected(40, 30);
      actual.canvas.DrawLine(v[0], v[1], v[2], v[3]);
      drawtest::ReferenceLine(expected.canvas, v[0], v[1], v[2], v[3]);
      ASSERT_EQ(actual.Ink(), expected.Ink())
          << r.name << ": DrawLine(" << v[0] << "f, " << v[1] << "f, " << v[2] << "f, " << v[3]
          << "f)";
    }
  }
}

// Lines with far endpoints (still below 2^24) that enter the canvas late.
TEST(DrawLine, MatchesThePlainWalkFromFarAway) {
  const float cases[][4] = {{-1.0e6f, -3.0f, 1.0e6f, 40.0f},   {-2.0e6f, 25.0f, 30.0f, 1.0f},
                            {15.0f, -3.0e6f, 22.0f, 3.0e6f},    {-1.0e6f + 0.25f, 7.5f, 35.5f, 9.0f},
                            {1.0e6f, 1.0e6f, -1.0e6f, -1.0e6f}, {-700000.3f, 3.7f, 39.1f, 12.9f}};
  for (const auto& v : cases) {
    SCOPED_TRACE(testing::Message() << v[0] << " " << v[1] << " " << v[2] << " " << v[3]);
    Board<> actual(40, 30), expected(40, 30);
    actual.canvas.DrawLine(v[0], v[1], v[2], v[3]);
    drawtest::ReferenceLine(expected.canvas, v[0], v[1], v[2], v[3]);
    EXPECT_EQ(actual.Ink(), expected.Ink());
  }
}

// Far lines that graze the corner (16, 12): some touch the canvas, some
// pass it by a pixel; the cheap rejection must never drop a touching one.
TEST(DrawLine, MatchesThePlainWalkPastACorner) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> offset(-6.0f, 6.0f);
  int touching = 0;
  for (int i = 0; i < 30; ++i) {
    const float d = offset(rng);
    const float x1 = -100000.3f, x2 = 100030.1f;
    const float y1 = 28.0f + d - x1 + 0.37f, y2 = 28.0f + d - x2 - 0.21f;
    SCOPED_TRACE(testing::Message() << "DrawLine(" << x1 << "f, " << y1 << "f, " << x2 << "f, "
                                    << y2 << "f)");
    Board<> actual(16, 12), expected(16, 12);
    actual.canvas.DrawLine(x1, y1, x2, y2);
    drawtest::ReferenceLine(expected.canvas, x1, y1, x2, y2);
    EXPECT_EQ(actual.Ink(), expected.Ink());
    touching += !expected.Ink().empty();
  }
  EXPECT_GT(touching, 5);
  EXPECT_LT(touching, 25);
}

// Beyond 2^24 a float step of 1 is lost; such segments are cut to the
// canvas first and still draw the part that crosses it.
TEST(DrawLine, HugeEndpointsDrawTheCrossingPart) {
  Board<> board(10, 10);
  board.canvas.DrawLine(-1.0e30f, 5.0f, 1.0e30f, 5.0f);
  PxSet row;
  for (int x = 0; x < 10; ++x) row.insert({x, 5});
  EXPECT_EQ(board.Ink(), row);
  EXPECT_EQ(board.canvas.penPos, Point2(1.0e30f, 5.0f));

  Board<> column(10, 10);
  column.canvas.DrawLine(3.0f, 3.0e9f, 3.0f, -3.0e9f);
  PxSet col;
  for (int y = 0; y < 10; ++y) col.insert({3, y});
  EXPECT_EQ(column.Ink(), col);
}

TEST(PenRelative, LineToAndLineByStartAtThePen) {
  Board<> board(12, 10);
  board.canvas.MovePen(1, 1);
  board.canvas.DrawLineTo(4, 1);
  EXPECT_EQ(board.canvas.penPos, Point2(4.0f, 1.0f));
  board.canvas.DrawLineBy(0, 3);
  EXPECT_EQ(board.canvas.penPos, Point2(4.0f, 4.0f));
  EXPECT_EQ(board.Ink(), (PxSet{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}, {4, 3}, {4, 4}}));
}

struct RunCase {
  const char* name;
  bool horizontal;
  float x, y, length;
  PxSet pixels;
  float penX, penY;
};

class Runs : public testing::TestWithParam<RunCase> {};

TEST_P(Runs, SetTheCeilingOfTheLengthAndEndOnTheLastPixel) {
  const RunCase& c = GetParam();
  Board<> board(10, 10);
  if (c.horizontal) board.canvas.DrawHLine(c.x, c.y, c.length);
  else board.canvas.DrawVLine(c.x, c.y, c.length);
  EXPECT_EQ(board.Ink(), c.pixels);
  EXPECT_EQ(board.canvas.penPos, Point2(c.penX, c.penY));
}

INSTANTIATE_TEST_SUITE_P(
    HorizontalAndVertical, Runs,
    testing::Values(RunCase{"H3", true, 2, 5, 3, {{2, 5}, {3, 5}, {4, 5}}, 4, 5},
                    RunCase{"H2p5", true, 2, 5, 2.5f, {{2, 5}, {3, 5}, {4, 5}}, 4, 5},
                    RunCase{"HEmpty", true, 2, 5, 0, {}, 1, 5},
                    RunCase{"HNegative", true, 2, 5, -4, {}, 1, 5},
                    RunCase{"HFromLeftOutside", true, -2.5f, 0, 5, {{0, 0}, {1, 0}}, 1.5f, 0},
                    RunCase{"HPastRightEdge", true, 8, 9.5f, 5, {{8, 9}, {9, 9}}, 12, 9.5f},
                    RunCase{"HRowOutside", true, 0, 10, 5, {}, 4, 10},
                    RunCase{"V3", false, 5, 2, 3, {{5, 2}, {5, 3}, {5, 4}}, 5, 4},
                    RunCase{"VEmpty", false, 5, 2, 0, {}, 5, 1},
                    RunCase{"VFromAbove", false, 0.5f, -1, 3, {{0, 0}, {0, 1}}, 0.5f, 1},
                    // A run that never ends in floats stops where its steps do.
                    RunCase{"HInfinite", true, 7, 3, INFINITY, {{7, 3}, {8, 3}, {9, 3}},
                            16777215.0f, 3},
                    RunCase{"HNaN", true, 2, 3, NAN, {}, 1, 3}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(Boxes, OutlineLeavesTheFarCornerAndFillStopsBeforeTheRightEdge) {
  Board<> box(10, 10);
  box.canvas.DrawBox(4, 3, 1, 1);  // corners are ordered first
  EXPECT_EQ(box.Ink(), (PxSet{{1, 1}, {2, 1}, {3, 1}, {1, 3}, {2, 3}, {3, 3}, {1, 2}, {4, 1},
                             {4, 2}}));
  EXPECT_EQ(box.canvas.penPos, Point2(4.0f, 2.0f));

  Board<> fill(10, 10);
  fill.canvas.FillBox(3, 2, 0, 0);
  PxSet expected;
  for (int y = 0; y <= 2; ++y)
    for (int x = 0; x <= 2; ++x) expected.insert({x, y});
  EXPECT_EQ(fill.Ink(), expected);
  EXPECT_EQ(fill.canvas.penPos, Point2(2.0f, 2.0f));
}

TEST(Boxes, FillVisitsOnlyRowsOnTheCanvasButEndsOnTheLastRun) {
  Board<> fill(6, 4);
  fill.canvas.FillBox(1, -1000.0f, 3, 2.5f);
  PxSet expected;
  for (int y = 0; y <= 2; ++y)
    for (int x = 1; x <= 2; ++x) expected.insert({x, y});
  EXPECT_EQ(fill.Ink(), expected);
  EXPECT_EQ(fill.canvas.penPos, Point2(2.0f, 2.0f));

  Board<> tall(6, 4);
  tall.canvas.FillBox(0, 1, 2, 1.0e30f);
  EXPECT_EQ(tall.Ink().size(), 6u);  // rows 1..3, columns 0..1
}

TEST(PointAtAngle, TurnsCounterClockwiseOnTheScreen) {
  Board<> board(2, 2);
  Point2 p;
  board.canvas.PointAtAngle(Point2(10.0f, 10.0f), 3.14159274f / 2.0f, 5, p);
  EXPECT_NEAR(p.x, 10.0f, 1e-5f);
  EXPECT_EQ(p.y, 5.0f);
  board.canvas.PointAtAngle(Point2(10.0f, 10.0f), 0.0f, 5, p);
  EXPECT_EQ(p, Point2(15.0f, 10.0f));
  EXPECT_EQ(board.canvas.penPos, Point2(0.0f, 0.0f));
}

}  // namespace

namespace {

// The walks skip ahead with these: they must equal the float additions
// taken one by one, across binade crossings, zero and 2^24.
TEST(UnitSteps, AdvanceAndStepsToZeroMatchOneByOne) {
  std::mt19937 rng(99);
  const float starts[] = {0.0f,        -0.0f,       0.1f,          -0.1f,        -0.7f,
                          1.0e-30f,    -1.0e-30f,   0.75f,         1.5f,         -1.5f,
                          3.999999f,   -3.25f,      1023.9f,       -1024.1f,     8388607.5f,
                          16777214.0f, 16777215.0f, -16777216.0f,  -16777218.0f, -33554432.0f,
                          16777216.0f, 16777218.0f, 33554436.0f,   -5.0e6f,      1.0e20f};
  std::vector<float> values(std::begin(starts), std::end(starts));
  std::uniform_real_distribution<float> any(-3000.0f, 3000.0f);
  for (int i = 0; i < 200; ++i) values.push_back(any(rng) * (i % 3 == 0 ? 0.001f : 1.0f));
  for (float start : values) {
    float v = start;
    std::int64_t toZero = start >= 0.0f ? 0 : -1;
    for (std::int64_t k = 0; k <= 5000; ++k) {
      ASSERT_EQ(zarn::AdvanceByOnes(start, k), v) << start << " after " << k;
      if (toZero < 0 && v >= 0.0f) toZero = k;
      v = v + 1.0f;
    }
    if (toZero >= 0) {
      ASSERT_EQ(zarn::StepsToReachZero(start), toZero) << start;
    } else if (start > -1.0e6f) {
      ASSERT_GT(zarn::StepsToReachZero(start), 5000) << start;
    }
  }
  EXPECT_EQ(zarn::StepsToReachZero(-33554432.0f), -1);  // every step is lost
  EXPECT_EQ(zarn::StepsToReachZero(-INFINITY), -1);
  EXPECT_EQ(zarn::StepsToReachZero(NAN), -1);
  EXPECT_EQ(zarn::AdvanceByOnes(0.5f, INT64_MAX), 16777216.0f);
  EXPECT_TRUE(std::isnan(zarn::AdvanceByOnes(NAN, 3)));
}

}  // namespace
