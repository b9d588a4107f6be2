#include <cmath>
#include <cstdint>

#include "canvas/arith.h"
#include "canvas/canvas.h"

// Depth bounds keep every figure under about 2^24 segments (and the
// recursion shallow): Koch and Hilbert grow by 4 per level, Levy and the
// dragon by 2.
namespace {
constexpr int kMaxKochDepth = 12;
constexpr int kMaxHilbertDepth = 12;
constexpr int kMaxBinaryDepth = 24;
// Midpoint displacement splits at most this many times, then draws the
// piece straight: about a million pieces at most, and no endless split of
// pieces that stopped shrinking on their way to infinity.
constexpr int kMaxDisplaceLevels = 20;
constexpr int kMaxTreeDepth = 1024;
constexpr double kMaxTreeSegments = 16777216.0;

float InvSqrt2() { return 1.0f / static_cast<float>(std::sqrt(2.0)); }

// One leaf of the clockwise curves: a step of length L at angle a (degrees).
void StepAtAngle(Canvas &c, float a, float length) {
  const float r = zarn::DegToRad(a);
  const auto cs = static_cast<float>(std::cos(static_cast<double>(r)));
  const auto sn = static_cast<float>(std::sin(static_cast<double>(r)));
  c.DrawLineBy(cs * length, sn * length);
}

void KochSide(Canvas &c, float a, float length, int depth) {
  if (depth > 0) {
    const float l3 = length / 3.0f;
    KochSide(c, a, l3, depth - 1);
    a = a + 60.0f;
    KochSide(c, a, l3, depth - 1);
    a = a - 120.0f;
    KochSide(c, a, l3, depth - 1);
    a = a + 60.0f;
    KochSide(c, a, l3, depth - 1);
  } else {
    StepAtAngle(c, a, length);
  }
}

void Levy(Canvas &c, float a, float length, int depth, float k) {
  if (depth > 0) {
    a = a + 45.0f;
    Levy(c, a, k * length, depth - 1, k);
    a = a - 90.0f;
    Levy(c, a, k * length, depth - 1, k);
  } else {
    StepAtAngle(c, a, length);
  }
}

void Dragon(Canvas &c, float a, float length, int depth, int side, float k) {
  if (depth > 0) {
    const float turn = side == 0 ? 45.0f : -45.0f;
    a = a + turn;
    Dragon(c, a, k * length, depth - 1, 0, k);
    a = a - 2.0f * turn;
    Dragon(c, a, k * length, depth - 1, 1, k);
  } else {
    StepAtAngle(c, a, length);
  }
}

void Hilbert(Canvas &c, float step, int o, int depth) {
  if (depth <= 0)
    return;
  for (int i = 0; i < 4; ++i) {
    Hilbert(c, step, Canvas::hilbertChildOrientation[o][i], depth - 1);
    if (i < 3) {
      switch (Canvas::hilbertMoves[o][i]) {
      case 0:
        c.DrawLineBy(0.0f, step);
        break;
      case 1:
        c.DrawLineBy(-step, 0.0f);
        break;
      case 2:
        c.DrawLineBy(0.0f, -step);
        break;
      case 3:
        c.DrawLineBy(step, 0.0f);
        break;
      default:
        break;
      }
    }
  }
}

void Displace(Canvas &c, Point2 a, Point2 b, float factor, float limit, float s,
              int level) {
  const float q = (a.y - b.y) * (a.y - b.y) + (a.x - b.x) * (a.x - b.x);
  if (q < limit || level >= kMaxDisplaceLevels) {
    c.DrawLineTo(b.x, b.y);
    return;
  }
  s = s * factor;
  const Point2 m((b.x + a.x) * 0.5f - (b.y - a.y) * s,
                 (b.x - a.x) * s + (b.y + a.y) * 0.5f);
  Displace(c, a, m, factor, limit, s, level + 1);
  Displace(c, m, b, factor, limit, s, level + 1);
}

void Tree(TreeCanvas &c, Point2 base, float a, float length, float spread,
          int depth) {
  if (depth <= 0)
    return;
  Point2 tip;
  c.PointAtAngle(base, zarn::DegToRad(a), length, tip);
  c.DrawLine(base.x, base.y, tip.x, tip.y);
  // Children of the last level would draw nothing: not calling them keeps
  // the cost with the segments drawn instead of n times more calls.
  if (depth == 1)
    return;
  const auto n = static_cast<float>(c.branchCount);
  const float step = n > 1.0f ? spread / (n - 1.0f) : 0.0f;
  float angle = a - spread / 2.0f - step;
  for (int i = 0; static_cast<float>(i) < n; ++i) {
    angle = angle + step;
    Tree(c, tip, angle, length * c.lengthScale, spread * c.spreadScale,
         depth - 1);
  }
}

} // namespace

const std::int32_t Canvas::hilbertChildOrientation[4][4] = {
    {1, 0, 0, 2}, {0, 1, 1, 3}, {3, 2, 2, 0}, {2, 3, 3, 1}};
const std::int32_t Canvas::hilbertMoves[4][3] = {
    {0, 3, 2}, {3, 0, 1}, {1, 2, 3}, {2, 1, 0}};

void Canvas::DrawKochSide(float angle, float length, int depth) {
  if (depth > kMaxKochDepth)
    return;
  KochSide(*this, angle, length, depth);
}

void Canvas::DrawKochLine(Point2 from, Point2 to, int depth) {
  MovePen(from.x, from.y);
  const Point2 d = to - from;
  const auto a = static_cast<float>(
      std::atan2(static_cast<double>(d.y), static_cast<double>(d.x)));
  const float length = Length(d);
  DrawKochSide(a * 180.0f / zarn::kPi, length, depth);
}

void Canvas::DrawKochTriangle(float cx, float cy, float r) {
  Point2 *pts = MakePolygonPoints(cx, cy, r, 3);
  if (!pts)
    return;
  for (int i = 0; i < 3; ++i)
    DrawKochLine(pts[i], pts[i + 1], 4);
  delete[] pts;
}

void Canvas::DrawLevyCurve(float angle, float length, int depth) {
  if (depth > kMaxBinaryDepth)
    return;
  Levy(*this, angle, length, depth, InvSqrt2());
}

void Canvas::DrawDragonCurve(float angle, float length, int depth, int side) {
  if (depth > kMaxBinaryDepth)
    return;
  Dragon(*this, angle, length, depth, side, InvSqrt2());
}

void Canvas::DrawHilbertCurve(float step, int orientation, int depth) {
  if (orientation < 0 || orientation > 3 || depth > kMaxHilbertDepth)
    return;
  Hilbert(*this, step, orientation, depth);
}

void Canvas::DrawHilbertSquare(float size, int orientation, int depth) {
  const float step = size / (static_cast<float>(std::pow(2.0, 6.0)) - 1.0f);
  DrawHilbertCurve(step, orientation, depth);
}

void Canvas::DisplaceSegment(Point2 a, Point2 b, float factor, float limit,
                             float scale) {
  // A child piece is sqrt(1/4 + s^2) times its parent for the s in force.
  // With |factor| < 1, s dies away and pieces end up shrinking; with
  // |factor| = 1 (a dimension just above 0.5 rounds to that) they shrink
  // while |s| < sqrt(3) / 2; a larger factor makes them grow without end.
  const float f = std::fabs(factor);
  const bool shrinks = f < 1.0f || (f == 1.0f && std::fabs(scale) < 0.8660254f);
  const bool sound = limit > 0.0f && std::isfinite(limit) && shrinks &&
                     std::isfinite(scale) && std::isfinite(a.x) &&
                     std::isfinite(a.y) && std::isfinite(b.x) &&
                     std::isfinite(b.y);
  if (!sound) {
    MovePen(b.x, b.y);
    return;
  }
  Displace(*this, a, b, factor, limit, scale, 0);
}

void Canvas::DrawFractalLine(float x1, float y1, float x2, float y2,
                             float dimension, float limit, float scale) {
  const auto factor = static_cast<float>(
      std::exp(std::log10(2.0) * (0.5 - static_cast<double>(dimension))));
  MovePen(x1, y1);
  DisplaceSegment(Point2(x1, y1), Point2(x2, y2), factor, limit, scale);
}

void TreeCanvas::DrawTree(Point2 base, float angle, float length, float spread,
                          int depth) {
  if (depth > kMaxTreeDepth)
    return;
  if (depth > 0) {
    // 1 + n + ... + n^(depth - 1) segments.
    const double n = branchCount > 0 ? branchCount : 0;
    double total = 0.0, level = 1.0;
    for (int i = 0; i < depth && total <= kMaxTreeSegments; ++i) {
      total += level;
      level *= n;
    }
    if (total > kMaxTreeSegments)
      return;
  }
  Tree(*this, base, angle, length, spread, depth);
}
