#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "canvas/arith.h"
#include "draw/draw_fixture.h"

namespace {
using drawtest::Board;
using drawtest::Near;
using drawtest::PxSet;
using drawtest::ReferencePolyline;

PxSet Square(int x0, int y0, int side) {
  PxSet out;
  for (int y = y0; y < y0 + side; ++y)
    for (int x = x0; x < x0 + side; ++x)
      out.insert({x, y});
  return out;
}

TEST(HilbertTables, HoldTheSubCurveOrientationsAndMoves) {
  const std::int32_t child[4][4] = {
      {1, 0, 0, 2}, {0, 1, 1, 3}, {3, 2, 2, 0}, {2, 3, 3, 1}};
  const std::int32_t moves[4][3] = {{0, 3, 2}, {3, 0, 1}, {1, 2, 3}, {2, 1, 0}};
  for (int o = 0; o < 4; ++o) {
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(Canvas::hilbertChildOrientation[o][i], child[o][i]);
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(Canvas::hilbertMoves[o][i], moves[o][i]);
  }
}

TEST(DrawHilbertCurve, DepthOneIsDownRightUp) {
  Board<> board(12, 12);
  board.canvas.MovePen(1, 1);
  board.canvas.DrawHilbertCurve(4, 0, 1);
  EXPECT_EQ(board.Ink(),
            drawtest::ReferencePath(12, 12, {{1, 1}, {1, 5}, {5, 5}, {5, 1}}));
  EXPECT_EQ(board.canvas.penPos, Point2(5.0f, 1.0f));

  Board<> none(12, 12);
  none.canvas.MovePen(3, 3);
  none.canvas.DrawHilbertCurve(4, 0, 0);
  EXPECT_TRUE(none.Ink().empty());
  EXPECT_EQ(none.canvas.penPos, Point2(3.0f, 3.0f));
}

struct HilbertCase {
  const char *name;
  int orientation;
  int endDx, endDy;     // in units of 2^depth - 1
  int spreadX, spreadY; // +1: right / down from the start, -1: left / up
};

class HilbertOrientations : public testing::TestWithParam<HilbertCase> {};

// With a unit step the curve of depth 3 visits every point of an 8 x 8 grid
// once: 63 steps, 64 pixels.
TEST_P(HilbertOrientations, FillTheirGridAndEndWhereTheyShould) {
  const HilbertCase &c = GetParam();
  Board<> board(32, 32);
  board.canvas.MovePen(12, 12);
  board.canvas.DrawHilbertCurve(1, c.orientation, 3);
  const int x0 = c.spreadX > 0 ? 12 : 5, y0 = c.spreadY > 0 ? 12 : 5;
  EXPECT_EQ(board.Ink(), Square(x0, y0, 8));
  EXPECT_EQ(board.canvas.penPos,
            Point2(12.0f + 7 * c.endDx, 12.0f + 7 * c.endDy));
}

INSTANTIATE_TEST_SUITE_P(
    AllFour, HilbertOrientations,
    testing::Values(HilbertCase{"EndsRight", 0, 1, 0, 1, 1},
                    HilbertCase{"EndsBelow", 1, 0, 1, 1, 1},
                    HilbertCase{"EndsAbove", 2, 0, -1, -1, -1},
                    HilbertCase{"EndsLeft", 3, -1, 0, -1, -1}),
    [](const testing::TestParamInfo<HilbertCase> &info) {
      return std::string(info.param.name);
    });

TEST(DrawHilbertSquare, DepthSixSpansTheSize) {
  Board<> board(70, 70);
  board.canvas.DrawHilbertSquare(63, 0, 6);
  EXPECT_EQ(board.Ink(), Square(0, 0, 64));
  EXPECT_EQ(board.canvas.penPos, Point2(63.0f, 0.0f));

  Board<> shallow(70, 70);
  shallow.canvas.DrawHilbertSquare(63, 0, 2); // spans 3 * 63 / 63
  EXPECT_EQ(shallow.Ink(), Square(0, 0, 4));
}

TEST(DrawKochLine, DepthZeroIsOneSegmentAndDepthOneBumpsBelow) {
  Board<> flat(100, 40);
  flat.canvas.DrawKochLine(Point2(0.0f, 5.0f), Point2(90.0f, 5.0f), 0);
  EXPECT_EQ(flat.Ink(), drawtest::ReferencePath(100, 40, {{0, 5}, {90, 5}}));
  EXPECT_EQ(flat.canvas.penPos, Point2(90.0f, 5.0f));

  Board<> bump(100, 40);
  bump.canvas.DrawKochLine(Point2(0.5f, 5.5f), Point2(90.5f, 5.5f), 1);
  const PxSet ideal = ReferencePolyline(100, 40,
                                        {{0.5f, 5.5f},
                                         {30.5f, 5.5f},
                                         {45.5f, 31.48f},
                                         {60.5f, 5.5f},
                                         {90.5f, 5.5f}});
  EXPECT_TRUE(Near(bump.Ink(), ideal));
  EXPECT_TRUE(Near(ideal, bump.Ink()));
  // The walks toward the apex (45.5, 31.48) both stop at y = 30.5.
  int deepest = 0;
  for (const auto &p : bump.Ink())
    deepest = std::max(deepest, p.second);
  EXPECT_EQ(deepest, 30);
  EXPECT_NEAR(bump.canvas.penPos.x, 90.5f, 1e-4f);
  EXPECT_NEAR(bump.canvas.penPos.y, 5.5f, 1e-4f);
}

// The Koch steps as plain recursion: every leaf a step of its length at its
// angle (degrees, cos and sin in double kept as float), from the pen.
void LiteralKochSide(Point2 &pen, float a, float length, int depth,
                     std::vector<Point2> &points) {
  if (depth > 0) {
    const float l3 = length / 3.0f;
    for (const float turn : {0.0f, 60.0f, -120.0f, 60.0f}) {
      a = a + turn;
      LiteralKochSide(pen, a, l3, depth - 1, points);
    }
    return;
  }
  const float r = a * zarn::kPi / 180.0f;
  const auto cs = static_cast<float>(std::cos(static_cast<double>(r)));
  const auto sn = static_cast<float>(std::sin(static_cast<double>(r)));
  pen = Point2(pen.x + cs * length, pen.y + sn * length);
  points.push_back(pen);
}

// The triangle's corners counter-clockwise from the top (angles in float,
// cos and sin in double), then each side a depth-4 Koch curve from corner
// to corner, walked with the reference line.
PxSet LiteralKochTriangle(int w, int h, float cx, float cy, float r) {
  Point2 corners[4];
  for (int i = 0; i <= 3; ++i) {
    const float t = static_cast<float>(i) * (6.28318548f / 3.0f) - 1.57079637f;
    corners[i] =
        Point2(static_cast<float>(std::cos(static_cast<double>(t))) * r + cx,
               static_cast<float>(std::sin(static_cast<double>(t))) * r + cy);
  }
  PxSet ink;
  for (int i = 0; i < 3; ++i) {
    const Point2 d = corners[i + 1] - corners[i];
    const auto a = static_cast<float>(
        std::atan2(static_cast<double>(d.y), static_cast<double>(d.x)));
    Point2 pen = corners[i];
    std::vector<Point2> points = {pen};
    LiteralKochSide(pen, a * 180.0f / zarn::kPi, Length(d), 4, points);
    for (const auto &p : ReferencePolyline(w, h, points))
      ink.insert(p);
  }
  return ink;
}

TEST(DrawKochTriangle, BumpsPointInwardAndThePenReturnsToTheTop) {
  Board<> board(100, 100);
  board.canvas.DrawKochTriangle(50, 55, 40);
  EXPECT_NEAR(board.canvas.penPos.x, 50.0f, 1e-3f);
  EXPECT_NEAR(board.canvas.penPos.y, 15.0f, 1e-3f);
  // Exactly the literal steps' pixels, all inside the triangle (top
  // (50, 15), base at y = 75, half-width 34.64).
  const PxSet ink = board.Ink();
  EXPECT_EQ(ink, LiteralKochTriangle(100, 100, 50, 55, 40));
  for (const auto &[x, y] : ink) {
    ASSERT_LE(y, 76) << x << "," << y;
    const double half = (y + 1 - 15) * 34.641 / 60.0 + 1.5;
    ASSERT_LE(std::fabs(x + 0.5 - 50.0), half) << x << "," << y;
  }
}

TEST(LevyAndDragon, DepthOneGoesOutAndBack) {
  struct Row {
    const char *name;
    int which; // 0 Levy, 1 dragon side 0, 2 dragon side 1
    float apexY;
  };
  for (const Row &row : {Row{"levy", 0, 15.5f}, Row{"dragon0", 1, 15.5f},
                         Row{"dragon1", 2, -4.5f + 20.0f - 20.0f}}) {
    SCOPED_TRACE(row.name);
    Board<> board(40, 40);
    board.canvas.MovePen(5.5f, 5.5f + (row.which == 2 ? 20.0f : 0.0f));
    if (row.which == 0)
      board.canvas.DrawLevyCurve(0, 20, 1);
    else
      board.canvas.DrawDragonCurve(0, 20, 1, row.which == 1 ? 0 : 1);
    const float y0 = 5.5f + (row.which == 2 ? 20.0f : 0.0f);
    const float apex = row.which == 2 ? y0 - 10.0f : y0 + 10.0f;
    const PxSet ideal =
        ReferencePolyline(40, 40, {{5.5f, y0}, {15.5f, apex}, {25.5f, y0}});
    EXPECT_TRUE(Near(board.Ink(), ideal));
    EXPECT_TRUE(Near(ideal, board.Ink()));
    EXPECT_NEAR(board.canvas.penPos.x, 25.5f, 1e-4f);
    EXPECT_NEAR(board.canvas.penPos.y, y0, 1e-4f);
  }
}

TEST(LevyAndDragon, DeepCurvesStillEndAtTheFarPoint) {
  const double kThirtyDegrees = 0.52359877559829887;
  for (int depth : {2, 7, 12}) {
    SCOPED_TRACE(depth);
    Board<> levy(10, 10), dragon(10, 10);
    levy.canvas.DrawLevyCurve(30, 100, depth);
    dragon.canvas.DrawDragonCurve(30, 100, depth, 0);
    for (const Canvas *c : {&levy.canvas, &dragon.canvas}) {
      EXPECT_NEAR(c->penPos.x, 100.0f * std::cos(kThirtyDegrees), 2e-3);
      EXPECT_NEAR(c->penPos.y, 100.0f * std::sin(kThirtyDegrees), 2e-3);
    }
  }
  // The dragon's second half turns the other way: the two differ from depth 2.
  Board<> levy(60, 60), dragon(60, 60);
  levy.canvas.MovePen(10, 30);
  levy.canvas.DrawLevyCurve(0, 40, 4);
  dragon.canvas.MovePen(10, 30);
  dragon.canvas.DrawDragonCurve(0, 40, 4, 0);
  EXPECT_NE(levy.Ink(), dragon.Ink());
}

TEST(DisplaceSegment, MovesTheMidpointRightOfTravel) {
  Board<> board(50, 40);
  board.canvas.MovePen(0, 10);
  board.canvas.DisplaceSegment(Point2(0.0f, 10.0f), Point2(40.0f, 10.0f), 0.5f,
                               1000, 1);
  EXPECT_EQ(board.Ink(),
            drawtest::ReferencePath(50, 40, {{0, 10}, {20, 30}, {40, 10}}));
  EXPECT_EQ(board.canvas.penPos, Point2(40.0f, 10.0f));
}

// The midpoint displacement's leaves as plain recursion, for the reference
// walk through them.
void LiteralDisplace(Point2 a, Point2 b, float factor, float limit, float s,
                     std::vector<Point2> &leaves) {
  const float q = (a.y - b.y) * (a.y - b.y) + (a.x - b.x) * (a.x - b.x);
  if (q < limit) {
    leaves.push_back(b);
    return;
  }
  s = s * factor;
  const Point2 m((b.x + a.x) * 0.5f - (b.y - a.y) * s,
                 (b.x - a.x) * s + (b.y + a.y) * 0.5f);
  LiteralDisplace(a, m, factor, limit, s, leaves);
  LiteralDisplace(m, b, factor, limit, s, leaves);
}

PxSet LiteralFractalLine(int w, int h, Point2 a, Point2 b, float dimension,
                         float limit, float scale) {
  const auto factor = static_cast<float>(
      std::exp(std::log10(2.0) * (0.5 - static_cast<double>(dimension))));
  std::vector<Point2> points = {a};
  LiteralDisplace(a, b, factor, limit, scale, points);
  return drawtest::ReferencePolyline(w, h, points);
}

// A dimension just above 0.5 gives a factor that rounds to 1.0 in float;
// the pieces still shrink (each 0.58 of its parent at scale 0.3).
TEST(DrawFractalLine, FactorRoundingToOneStillDraws) {
  Board<> board(40, 31);
  board.canvas.DrawFractalLine(2, 10, 38, 20, 0.50000006f, 4, 0.3f);
  const PxSet expected = LiteralFractalLine(
      40, 31, Point2(2.0f, 10.0f), Point2(38.0f, 20.0f), 0.50000006f, 4, 0.3f);
  EXPECT_EQ(expected.size(), 52u);
  EXPECT_EQ(board.Ink(), expected);
  EXPECT_EQ(board.canvas.penPos, Point2(38.0f, 20.0f));
}

struct NeverShrinks {
  const char *name;
  float dimension, scale;
};

class DrawFractalLineRefuses : public ::testing::TestWithParam<NeverShrinks> {};

// Pieces that never get shorter: nothing drawn, the pen at the far end.
TEST_P(DrawFractalLineRefuses, PiecesThatNeverShrink) {
  Board<> board(40, 31);
  board.canvas.DrawFractalLine(2, 10, 38, 20, GetParam().dimension, 4,
                               GetParam().scale);
  EXPECT_TRUE(board.Ink().empty());
  EXPECT_EQ(board.canvas.penPos, Point2(38.0f, 20.0f));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DrawFractalLineRefuses,
    ::testing::Values(NeverShrinks{"FactorAboveOne", 0.4f, 0.3f},
                      NeverShrinks{"FactorOneScaleTooLarge", 0.5f, 0.9f},
                      NeverShrinks{"NaNDimension", NAN, 0.3f}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DrawFractalLine, ScaleZeroIsTheStraightLineInPieces) {
  Board<> board(50, 20);
  board.canvas.DrawFractalLine(0.5f, 5.5f, 40.5f, 5.5f, 1.5f, 30, 0);
  PxSet row;
  for (int x = 0; x <= 40; ++x)
    row.insert({x, 5});
  EXPECT_EQ(board.Ink(), row);
  EXPECT_EQ(board.canvas.penPos, Point2(40.5f, 5.5f));
}

TEST(DrawFractalLine, ARoughLineStillJoinsItsEnds) {
  Board<> board(100, 100);
  board.canvas.DrawFractalLine(10, 50, 90, 50, 1.3f, 4, 0.3f);
  EXPECT_EQ(board.canvas.penPos, Point2(90.0f, 50.0f));
  const PxSet ink = board.Ink();
  EXPECT_TRUE(ink.count({10, 50}));
  EXPECT_EQ(ink, LiteralFractalLine(100, 100, Point2(10.0f, 50.0f),
                                    Point2(90.0f, 50.0f), 1.3f, 4, 0.3f));
  int below = 0;
  for (const auto &p : ink)
    below += p.second > 55;
  EXPECT_GT(below, 0); // the first midpoint moves down, right of travel
}

// The tree as plain recursion, calling every child down to depth 0.
void LiteralTree(TreeCanvas &c, Point2 base, float a, float length,
                 float spread, int depth) {
  if (depth <= 0)
    return;
  Point2 tip;
  c.PointAtAngle(base, a * zarn::kPi / 180.0f, length, tip);
  c.DrawLine(base.x, base.y, tip.x, tip.y);
  const auto n = static_cast<float>(c.branchCount);
  const float step = n > 1.0f ? spread / (n - 1.0f) : 0.0f;
  float angle = a - spread / 2.0f - step;
  for (int i = 0; static_cast<float>(i) < n; ++i) {
    angle = angle + step;
    LiteralTree(c, tip, angle, length * c.lengthScale, spread * c.spreadScale,
                depth - 1);
  }
}

struct TreeCase {
  const char *name;
  int branches, depth;
  float lengthScale;
};

class DrawTreeMatchesLiteral : public ::testing::TestWithParam<TreeCase> {};

TEST_P(DrawTreeMatchesLiteral, SamePixelsAndPen) {
  const TreeCase &c = GetParam();
  Board<TreeCanvas> fast(120, 120), literal(120, 120);
  for (TreeCanvas *t : {&fast.canvas, &literal.canvas}) {
    t->branchCount = c.branches;
    t->lengthScale = c.lengthScale;
  }
  fast.canvas.DrawTree(Point2(60.5f, 110.5f), 90, 40, 70, c.depth);
  LiteralTree(literal.canvas, Point2(60.5f, 110.5f), 90, 40, 70, c.depth);
  EXPECT_EQ(fast.Ink(), literal.Ink());
  EXPECT_EQ(fast.canvas.penPos, literal.canvas.penPos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DrawTreeMatchesLiteral,
    ::testing::Values(TreeCase{"TrunkOnly", 3, 1, 0.4f},
                      TreeCase{"TwoLevels", 3, 2, 0.4f},
                      TreeCase{"FourLevels", 3, 4, 0.6f},
                      TreeCase{"SingleBranch", 1, 3, 0.7f},
                      TreeCase{"FiveBranches", 5, 3, 0.5f},
                      TreeCase{"NoBranches", 0, 3, 0.4f},
                      TreeCase{"ManyBranchesFullLength", 40, 2, 1.0f}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DrawTree, TrunkThenThreeBranchesFannedCounterClockwise) {
  Board<TreeCanvas> trunk(200, 210);
  trunk.canvas.DrawTree(Point2(100.0f, 200.0f), 90, 100, 60, 1);
  EXPECT_EQ(trunk.Ink().size(), 101u);
  EXPECT_NEAR(trunk.canvas.penPos.x, 100.0f, 1e-4f);
  EXPECT_NEAR(trunk.canvas.penPos.y, 100.0f, 1e-4f);

  Board<TreeCanvas> tree(200, 210);
  tree.canvas.DrawTree(Point2(100.5f, 200.5f), 90, 100, 60, 2);
  const PxSet ink = tree.Ink();
  // The trunk's 101, the vertical branch's 40 beyond the joint, and 34 for
  // each slanted one (y-major: floor(34.64) + 1 steps, the first shared).
  EXPECT_EQ(ink.size(), 101u + 40u + 2u * 34u);
  // Branch tips at 60, 90 and 120 degrees, 40 long from (100.5, 100.5):
  // (120.5, 65.86), (100.5, 60.5) and (80.5, 65.86). Each y-major walk
  // starts at its tip, the end with the smaller y; the slanted ones then
  // step a column toward the joint at once (their first error, 2 * 20 -
  // 34.64, is positive), so the pixel below each slanted tip stays dark,
  // while the upright branch goes straight down column 100.
  for (const drawtest::Px &p : {drawtest::Px{120, 65},
                                {119, 66},
                                {100, 60},
                                {100, 61},
                                {80, 65},
                                {81, 66}})
    EXPECT_TRUE(ink.count(p)) << p.first << "," << p.second;
  for (const drawtest::Px &p :
       {drawtest::Px{120, 66}, {120, 64}, {100, 59}, {80, 66}, {80, 64}})
    EXPECT_FALSE(ink.count(p)) << p.first << "," << p.second;
  // The pen ends on the last branch drawn, the one at 120 degrees.
  EXPECT_NEAR(tree.canvas.penPos.x, 80.5f, 1e-3f);
  EXPECT_NEAR(tree.canvas.penPos.y, 100.5f - 34.641f, 1e-3f);

  Board<TreeCanvas> single(200, 210);
  single.canvas.branchCount = 1;
  single.canvas.DrawTree(Point2(100.5f, 200.5f), 90, 100, 60, 2);
  EXPECT_NEAR(single.canvas.penPos.x, 100.5f + 20.0f,
              1e-3f); // a - spread / 2 = 60
}

} // namespace
