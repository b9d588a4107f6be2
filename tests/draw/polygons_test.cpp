#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "draw/draw_fixture.h"

namespace {
using drawtest::Board;
using drawtest::Near;
using drawtest::PxSet;
using drawtest::ReferencePolyline;

struct Points {
  explicit Points(Point2 *p) : p(p) {}
  ~Points() { delete[] p; }
  Point2 *p;
};

TEST(MakePolygonPoints, StartsAtTheTopAndGoesClockwiseOnTheScreen) {
  Board<> board(4, 4);
  struct Row {
    int n;
    std::vector<std::pair<float, float>> expected;
  };
  const Row rows[] = {
      {4, {{100, 50}, {150, 100}, {100, 150}, {50, 100}, {100, 50}}},
      {3, {{100, 50}, {143.30127f, 125}, {56.69873f, 125}, {100, 50}}},
      {6,
       {{100, 50},
        {143.30127f, 75},
        {143.30127f, 125},
        {100, 150},
        {56.69873f, 125},
        {56.69873f, 75},
        {100, 50}}}};
  for (const Row &row : rows) {
    SCOPED_TRACE(row.n);
    Points pts(board.canvas.MakePolygonPoints(100, 100, 50, row.n));
    ASSERT_NE(pts.p, nullptr);
    for (int i = 0; i <= row.n; ++i) {
      EXPECT_NEAR(pts.p[i].x, row.expected[i].first, 1e-4f) << i;
      EXPECT_NEAR(pts.p[i].y, row.expected[i].second, 1e-4f) << i;
    }
  }
  EXPECT_EQ(board.canvas.penPos, Point2(0.0f, 0.0f));
}

TEST(MakePolygonPoints, RefusesFewerThanThreeSidesAndAbsurdCounts) {
  Board<> board(4, 4);
  for (int n : {2, 1, 0, -1, INT32_MIN, (1 << 24) + 1, INT32_MAX}) {
    Points pts(board.canvas.MakePolygonPoints(0, 0, 1, n));
    EXPECT_EQ(pts.p, nullptr) << n;
  }
}

TEST(DrawRegularPolygon, JoinsTheVerticesAndReturnsToTheFirst) {
  Board<> board(200, 200);
  board.canvas.DrawRegularPolygon(100, 100, 50, 3);
  Points pts(board.canvas.MakePolygonPoints(100, 100, 50, 3));
  const std::vector<Point2> outline(pts.p, pts.p + 4);
  EXPECT_EQ(board.Ink(), ReferencePolyline(200, 200, outline));
  EXPECT_EQ(board.canvas.penPos, outline.back());
  EXPECT_TRUE(board.Ink().count({100, 50}));
}

TEST(DrawPolygonWeb, DrawsTheOutlineAndEveryDiagonal) {
  for (int n : {3, 4, 5, 7}) {
    SCOPED_TRACE(n);
    Board<> board(120, 120);
    board.canvas.DrawPolygonWeb(60, 60, 50, n);
    Points pts(board.canvas.MakePolygonPoints(60, 60, 50, n));
    std::vector<Point2> outline(pts.p, pts.p + n + 1);
    Board<> expected(120, 120);
    for (int i = 0; i < n; ++i) {
      drawtest::ReferenceLine(expected.canvas, pts.p[i].x, pts.p[i].y,
                              pts.p[i + 1].x, pts.p[i + 1].y);
      for (int j = i + 2; j < n; ++j) {
        if (i == 0 && j == n - 1)
          continue; // that is an edge
        drawtest::ReferenceLine(expected.canvas, pts.p[i].x, pts.p[i].y,
                                pts.p[j].x, pts.p[j].y);
      }
    }
    const PxSet ink = board.Ink(), all = expected.Ink();
    // Every diagonal is there; repeats through the closing point may differ
    // from their first drawing by rounding only.
    for (const auto &p : all)
      EXPECT_TRUE(ink.count(p)) << p.first << "," << p.second;
    EXPECT_TRUE(Near(ink, all));
    if (n == 3) {
      EXPECT_EQ(ink, ReferencePolyline(120, 120, outline));
    }
  }
}

// Points of the rose as it samples them: offsets truncated, then centred.
std::vector<Point2> RosePoints(float cx, float cy, float r, int k, int s) {
  std::vector<Point2> out;
  const float step =
      (6.28318548f / static_cast<float>(k)) / static_cast<float>(s);
  float t = 0;
  for (int i = 0; i <= s * k / 2; ++i) {
    const float ck = static_cast<float>(std::cos(static_cast<double>(k * t)));
    const float x =
        ck * static_cast<float>(std::cos(static_cast<double>(t))) * r;
    const float y =
        ck * static_cast<float>(std::sin(static_cast<double>(t))) * r;
    out.push_back(Point2(std::trunc(x) + cx, std::trunc(y) + cy));
    t = t + step;
  }
  return out;
}

TEST(DrawRose, SamplesArcSegmentsTimesKOverTwoSegments) {
  for (int k : {3, 2, 5}) {
    SCOPED_TRACE(k);
    Board<> board(80, 80);
    board.canvas.arcSegments = 6;
    board.canvas.DrawRose(40, 40, 30, k);
    const auto points = RosePoints(40, 40, 30, k, 6);
    EXPECT_EQ(points.size(), static_cast<std::size_t>(6 * k / 2 + 1));
    EXPECT_EQ(board.Ink(), ReferencePolyline(80, 80, points));
    EXPECT_EQ(board.canvas.penPos, points.back());
  }
}

TEST(DrawRose, DefaultResolutionEnds) {
  // k = 3: the whole three-petal rose, back at the right tip.
  Board<> three(100, 100);
  three.canvas.DrawRose(50, 50, 40, 3);
  EXPECT_NEAR(three.canvas.penPos.x, 90.0f, 1.0f);
  EXPECT_NEAR(three.canvas.penPos.y, 50.0f, 1.0f);
  // k = 2: from the right tip to the left tip, with the petal above the
  // centre but not the one below it.
  Board<> two(100, 100);
  two.canvas.DrawRose(50, 50, 40, 2);
  EXPECT_NEAR(two.canvas.penPos.x, 10.0f, 1.0f);
  EXPECT_NEAR(two.canvas.penPos.y, 50.0f, 1.0f);
  const PxSet ink = two.Ink();
  EXPECT_TRUE(ink.count({50, 10}) || ink.count({49, 10}) ||
              ink.count({50, 11}));
  for (const auto &p : ink)
    EXPECT_FALSE(p.second > 72) << p.first << "," << p.second;
  // k <= 0: the pen moves to the first point and nothing is drawn.
  Board<> none(100, 100);
  none.canvas.DrawRose(50, 50, 40, 0);
  EXPECT_TRUE(none.Ink().empty());
  EXPECT_EQ(none.canvas.penPos, Point2(90.0f, 50.0f));
}

TEST(DrawSuperellipse, ACircleStartsAndEndsOnTheRight) {
  Board<> board(100, 100);
  board.canvas.DrawSuperellipse(50, 50, 30, 30, 2);
  EXPECT_EQ(board.canvas.penPos, Point2(80.0f, 50.0f));
  for (const auto &[x, y] : board.Ink()) {
    const double d = std::hypot(x + 0.5 - 50.0, y + 0.5 - 50.0);
    EXPECT_NEAR(d, 30.0, 2.0)
        << x << "," << y; // offsets truncate toward the centre
  }
  EXPECT_TRUE(board.Ink().count({50, 20}) && board.Ink().count({20, 50}) &&
              board.Ink().count({50, 80}) && board.Ink().count({80, 50}));
}

TEST(DrawSuperellipse, ExponentsShapeTheFigure) {
  // n = 1: the diamond through the four axis points.
  Board<> diamond(100, 100);
  diamond.canvas.DrawSuperellipse(50, 50, 30, 20, 1);
  for (const auto &[x, y] : diamond.Ink()) {
    const double f = std::fabs(x - 50.0) / 30.0 + std::fabs(y - 50.0) / 20.0;
    EXPECT_NEAR(f, 1.0, 0.08) << x << "," << y;
  }
  EXPECT_EQ(diamond.canvas.penPos, Point2(80.0f, 50.0f));
  // A large n approaches the rectangle: its corner region is reached.
  Board<> box(100, 100);
  box.canvas.DrawSuperellipse(50, 50, 30, 20, 20);
  bool corner = false;
  for (const auto &[x, y] : box.Ink())
    corner = corner || (x >= 77 && y <= 32);
  EXPECT_TRUE(corner);
}

// At resolutions where t slips just past the quarter's end, the cosine or
// sine is a tiny negative number. For a non-whole exponent 2 / n it has no
// real power and is taken as 0; for a whole one (n = 2 gives 1) its power
// stands. Either way the figure stays closed and finite.
TEST(DrawSuperellipse, StaysClosedWhenTheParameterOvershoots) {
  for (int s : {10, 36, 50, 7}) {
    for (float n : {3.0f, 0.7f, 2.0f}) {
      SCOPED_TRACE(testing::Message() << "arcSegments " << s << " n " << n);
      Board<> board(100, 100);
      board.canvas.arcSegments = s;
      board.canvas.DrawSuperellipse(50, 50, 30, 20, n);
      EXPECT_EQ(board.canvas.penPos, Point2(80.0f, 50.0f));
      EXPECT_TRUE(board.Ink().count({80, 50}));
      EXPECT_TRUE(board.Ink().count({50, 30}) || board.Ink().count({50, 31}));
    }
  }
}

// A whole exponent keeps the tiny negative values: with n = 2 (exponent 1)
// at this scale, cy + b * sin(t) lands on the other side of a row boundary
// than it would for a sine taken as 0.
TEST(DrawSuperellipse, WholeExponentKeepsTinyNegativeValues) {
  Board<> board(17, 9);
  board.canvas.arcSegments = 52;
  board.canvas.DrawSuperellipse(8, 8000004, 1100000, 8000000, 2);
  // Taking the sines as 0 would draw (3, 5) and (12, 4) instead.
  const PxSet expected = {{0, 5},  {1, 5},  {2, 5},  {3, 4},  {4, 4},  {5, 4},
                          {6, 4},  {7, 4},  {8, 4},  {9, 4},  {10, 4}, {11, 4},
                          {12, 5}, {13, 5}, {14, 5}, {15, 5}, {16, 5}};
  EXPECT_EQ(board.Ink(), expected);
}

} // namespace
