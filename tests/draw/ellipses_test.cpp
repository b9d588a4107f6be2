#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "canvas/arith.h"
#include "draw/draw_fixture.h"

namespace {
using drawtest::Board;
using drawtest::PxSet;

struct EllipseCase {
  const char* name;
  float cx, cy, rx, ry;
  PxSet pixels;
};

class Ellipses : public testing::TestWithParam<EllipseCase> {};

TEST_P(Ellipses, SetExactlyTheMidpointPixelsAndLeaveThePenAtTheCentre) {
  const EllipseCase& c = GetParam();
  Board<> board(20, 20);
  board.canvas.DrawEllipse(c.cx, c.cy, c.rx, c.ry);
  EXPECT_EQ(board.Ink(), c.pixels);
  EXPECT_EQ(board.canvas.penPos, Point2(c.cx, c.cy));
}

INSTANTIATE_TEST_SUITE_P(
    Small, Ellipses,
    testing::Values(
        EllipseCase{"UnitCircle", 10, 10, 1, 1,
                    {{9, 9}, {10, 9}, {11, 9}, {9, 10}, {11, 10}, {9, 11}, {10, 11}, {11, 11}}},
        EllipseCase{"ZeroRadius", 10, 10, 0, 0, {{10, 10}}},
        EllipseCase{"ThreeByTwo", 10, 10, 3, 2,
                    {{10, 12}, {10, 8}, {11, 12}, {9, 12}, {11, 8}, {9, 8}, {12, 12}, {8, 12},
                     {12, 8}, {8, 8}, {13, 11}, {7, 11}, {13, 9}, {7, 9}, {13, 10}, {7, 10}}},
        // y starts at 1.5 unrounded and steps to 0.5; Plot truncates.
        EllipseCase{"FractionalRadius", 10, 10, 1, 1.5f,
                    {{10, 11}, {10, 8}, {11, 11}, {9, 11}, {11, 8}, {9, 8}, {11, 10}, {9, 10},
                     {11, 9}, {9, 9}}},
        EllipseCase{"NegativeVerticalRadius", 10, 10, 3, -2, {}},
        EllipseCase{"CutAtTheEdge", 0, 0, 1, 1, {{1, 0}, {0, 1}, {1, 1}}}),
    [](const testing::TestParamInfo<EllipseCase>& info) { return std::string(info.param.name); });

// Radii past the old 32-bit limit (2 a^2 b >= 2^31): every pixel set lies on
// the ideal ellipse, and every column the ellipse crosses gets one.
TEST(DrawEllipse, LargeRadiiDrawTheRealEllipse) {
  struct Big {
    float cx, cy, rx, ry;
  };
  const Big cases[] = {{-1990.0f, 20.0f, 2000.0f, 2000.0f},   // circle of radius 2000
                       {20.0f, 3020.0f, 300.0f, 3000.0f},     // ry > rx
                       {20.0f, -29985.0f, 30000.0f, 30000.0f}};
  for (const Big& b : cases) {
    SCOPED_TRACE(testing::Message() << b.cx << " " << b.cy << " " << b.rx << " " << b.ry);
    Board<> board(40, 40);
    board.canvas.DrawEllipse(b.cx, b.cy, b.rx, b.ry);
    const PxSet ink = board.Ink();
    ASSERT_FALSE(ink.empty());
    for (const auto& [x, y] : ink) {
      // Distance from the ellipse along the normal, scaled to pixels.
      const double u = (x - b.cx) / b.rx, v = (y - b.cy) / b.ry;
      const double f = std::sqrt(u * u + v * v) - 1.0;
      const double g = std::sqrt(u * u / (b.rx * b.rx) + v * v / (b.ry * b.ry));
      EXPECT_LT(std::fabs(f) / g, 2.0) << x << "," << y;
    }
    for (int x = 0; x < 40; ++x) {
      const double u = (x + 0.5 - b.cx) / b.rx;
      if (std::fabs(u) >= 1.0) continue;
      const double top = b.cy - b.ry * std::sqrt(1.0 - u * u);
      if (top < 1.0 || top > 38.0) continue;
      bool hit = false;
      for (int y = 0; y < 40; ++y) hit = hit || ink.count({x, y});
      EXPECT_TRUE(hit) << "column " << x;
    }
  }
}

// The disc's cell test written plainly over its whole bounding box.
PxSet ReferenceDisc(int w, int h, float aspect, float cx, float cy, float r) {
  Board<> board(w, h, aspect);
  const int i0 = zarn::TruncToInt32(cx - r), i1 = zarn::TruncToInt32(cx + r);
  const int j0 = zarn::TruncToInt32(cy - aspect * r), j1 = zarn::TruncToInt32(cy + aspect * r);
  const float rr = r * r;
  float u = static_cast<float>(i0) - cx;
  for (int i = i0; i <= i1; ++i) {
    float v = static_cast<float>(j0) - cy;
    for (int j = j0; j <= j1; ++j) {
      if (i < 0 || i >= w || j < 0 || j >= h) {  // Plot would drop it; keep counting
        v = v + 1.0f;
        continue;
      }
      const float corners[4][2] = {{u, v}, {u, v + 1.0f}, {u + 1.0f, v + 1.0f}, {u + 1.0f, v}};
      for (const auto& c : corners)
        if (c[0] * c[0] + c[1] * c[1] < rr) {
          board.canvas.Plot(static_cast<float>(i), static_cast<float>(j));
          break;
        }
      v = v + 1.0f;
    }
    u = u + 1.0f;
  }
  return board.Ink();
}

TEST(FillCircle, SetsCellsWithACornerStrictlyInside) {
  Board<> unit(10, 10);
  unit.canvas.FillCircle(5, 5, 1);
  EXPECT_EQ(unit.Ink(), (PxSet{{4, 4}, {5, 4}, {4, 5}, {5, 5}}));
  EXPECT_EQ(unit.canvas.penPos, Point2(5.0f, 5.0f));

  Board<> tiny(10, 10);
  tiny.canvas.FillCircle(5.5f, 5.5f, 0.4f);
  EXPECT_TRUE(tiny.Ink().empty());
}

// The aspect only widens or narrows the rows examined.
TEST(FillCircle, AspectSetsTheRowsExamined) {
  const float aspects[] = {1.0f, 2.0f, 0.5f, 0.0f};
  for (float aspect : aspects) {
    SCOPED_TRACE(aspect);
    Board<> board(12, 12, aspect);
    board.canvas.FillCircle(6, 6, 3);
    const PxSet ink = board.Ink();
    EXPECT_EQ(ink, ReferenceDisc(12, 12, aspect, 6, 6, 3));
    int top = 99, bottom = -1;
    for (const auto& p : ink) {
      top = std::min(top, p.second);
      bottom = std::max(bottom, p.second);
    }
    if (aspect >= 1.0f) {
      EXPECT_EQ(top, 3);
      EXPECT_EQ(bottom, 8);
    } else if (aspect == 0.5f) {
      EXPECT_EQ(top, 4);  // rows trunc(4.5) .. trunc(7.5)
      EXPECT_EQ(bottom, 7);
    } else {
      EXPECT_EQ(top, 6);
      EXPECT_EQ(bottom, 6);
    }
  }
}

// Only the cells on the canvas are visited; the offsets they start from must
// be the ones the whole loop would have accumulated.
TEST(FillCircle, ClippedDiscsMatchTheWholeLoop) {
  std::mt19937 rng(77);
  std::uniform_real_distribution<float> centre(-1500.0f, 1500.0f);
  std::uniform_real_distribution<float> closeBy(-10.0f, 30.0f);
  for (int i = 0; i < 60; ++i) {
    float cx = i % 2 ? centre(rng) : closeBy(rng), cy = closeBy(rng);
    // A radius that reaches the canvas from the centre.
    const float r = std::fabs(cx - 10.0f) + std::uniform_real_distribution<float>(-5, 15)(rng);
    SCOPED_TRACE(testing::Message() << "FillCircle(" << cx << "f, " << cy << "f, " << r << "f)");
    Board<> board(20, 15);
    board.canvas.FillCircle(cx, cy, r);
    EXPECT_EQ(board.Ink(), ReferenceDisc(20, 15, 1.0f, cx, cy, r));
  }
}

TEST(FillCircle, AHugeDiscCoversTheCanvas) {
  Board<> board(7, 5);
  board.canvas.FillCircle(3, 2, 1.0e12f);
  EXPECT_EQ(board.Ink().size(), 35u);
}

// Points of an arc as its steps reach them: the start, start + q, ... while
// not past the end, then the end itself.
std::vector<Point2> ArcPoints(Canvas& c, float cx, float cy, float r, float startDeg,
                              const std::vector<float>& stepsDeg, float endDeg) {
  std::vector<Point2> points;
  Point2 p;
  c.PointAtAngle(Point2(cx, cy), zarn::DegToRad(startDeg), r, p);
  points.push_back(p);
  float a = zarn::DegToRad(startDeg);
  for (float q : stepsDeg) {
    a = a + zarn::DegToRad(q);
    c.PointAtAngle(Point2(cx, cy), a, r, p);
    points.push_back(p);
  }
  c.PointAtAngle(Point2(cx, cy), zarn::DegToRad(endDeg), r, p);
  points.push_back(p);
  return points;
}

TEST(DrawArc, AFullCircleIsSevenStepsOfFiftyAndOneOfTen) {
  Board<> board(40, 40);
  board.canvas.DrawArc(20, 20, 15, 0, 360);
  const auto points = ArcPoints(board.canvas, 20, 20, 15, 0, std::vector<float>(7, 50.0f), 360);
  EXPECT_EQ(board.Ink(), drawtest::ReferencePolyline(40, 40, points));
  EXPECT_EQ(board.canvas.penPos, points.back());
  EXPECT_NEAR(board.canvas.penPos.x, 35.0f, 1e-4f);
  EXPECT_NEAR(board.canvas.penPos.y, 20.0f, 1e-4f);
}

TEST(DrawArc, ReversedAnglesDrawTheSameArc) {
  Board<> forward(30, 30), reversed(30, 30);
  forward.canvas.DrawArc(12, 12, 10, 0, 90);
  reversed.canvas.DrawArc(12, 12, 10, 90, 0);
  EXPECT_EQ(forward.Ink(), reversed.Ink());
  EXPECT_EQ(forward.canvas.penPos, reversed.canvas.penPos);
  // 90 degrees at the default resolution: steps of 12.5 degrees.
  const auto points =
      ArcPoints(forward.canvas, 12, 12, 10, 0, std::vector<float>(7, 12.5f), 90);
  EXPECT_EQ(forward.Ink(), drawtest::ReferencePolyline(30, 30, points));
}

// With start = end the pen moves to the start point; where float rounding
// leaves the last step short of the end, a zero-length segment plots it.
TEST(DrawArc, StartEqualToEnd) {
  struct Row {
    float angle;
    bool plotsOne;
  };
  for (const Row& row : {Row{30.0f, false}, Row{0.0f, false}, Row{14.0f, true},
                         Row{57.0f, true}}) {
    SCOPED_TRACE(row.angle);
    Board<> board(30, 30);
    board.canvas.DrawArc(12, 12, 10, row.angle, row.angle);
    Point2 start;
    board.canvas.PointAtAngle(Point2(12.0f, 12.0f), zarn::DegToRad(row.angle), 10, start);
    EXPECT_EQ(board.canvas.penPos, start);
    const PxSet expected =
        row.plotsOne ? PxSet{{static_cast<int>(start.x), static_cast<int>(start.y)}} : PxSet{};
    EXPECT_EQ(board.Ink(), expected);
  }
}

TEST(DrawPie, DrawsBothRadiiThenTheArcAndEndsOnTheArc) {
  Board<> board(30, 30);
  board.canvas.MovePen(10, 20);
  board.canvas.DrawPie(8, 0, 90);
  const PxSet ink = board.Ink();
  for (int i = 0; i <= 8; ++i) {
    EXPECT_TRUE(ink.count({10 + i, 20})) << "right radius " << i;
  }
  for (int i = 1; i <= 8; ++i) {
    EXPECT_TRUE(ink.count({9, 20 - i}) || ink.count({10, 20 - i})) << "upper radius " << i;
  }
  EXPECT_NEAR(board.canvas.penPos.x, 10.0f, 1e-4f);
  EXPECT_NEAR(board.canvas.penPos.y, 12.0f, 1e-4f);

  // A negative sweep: the arc still joins both radii.
  Board<> negative(30, 30), positive(30, 30);
  negative.canvas.MovePen(10, 10);
  negative.canvas.DrawPie(8, 90, -90);
  positive.canvas.MovePen(10, 10);
  positive.canvas.DrawPie(8, 0, 90);
  EXPECT_EQ(negative.Ink(), positive.Ink());
}

}  // namespace
