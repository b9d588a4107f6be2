#include <cmath>
#include <cstdint>

#include "canvas/arith.h"
#include "canvas/canvas.h"

namespace {

// 4^10 leaves of six segments each is about six million segments; deeper
// tilings would take far too long to be meant.
constexpr int kMaxTilingDepth = 10;
constexpr std::int64_t kMaxSpiralSteps = std::int64_t{1} << 24;

}  // namespace

void TurtleCanvas::Forward(float length) {
  Point2 p;
  PointAtAngle(penPos, zarn::DegToRad(heading), length, p);
  DrawLineTo(p.x, p.y);
}

void TurtleCanvas::MoveForward(float length) {
  Point2 p;
  PointAtAngle(penPos, zarn::DegToRad(heading), length, p);
  MovePen(p.x, p.y);
}

void TurtleCanvas::DrawPolySpiral(float length, float angle, float increment, int count) {
  if (count > kMaxSpiralSteps) return;
  for (int i = 0; i < count; ++i) {
    Forward(length);
    Turn(angle);
    length = length + increment;
  }
}

void TurtleCanvas::DrawLShape(float size) {
  const float half = size / 2.0f;
  Forward(size);
  Turn(-90.0f);
  Forward(half);
  Turn(-90.0f);
  Forward(half);
  Turn(90.0f);
  Forward(half);
  Turn(-90.0f);
  Forward(half);
  Turn(-90.0f);
  Forward(size);
  Turn(-90.0f);
}

void TurtleCanvas::DrawLTiling(float x, float y, float size, float h, int depth) {
  if (depth < -1 || depth > kMaxTilingDepth) return;
  if (depth == -1) {
    heading = h;
    MovePen(x, y);
    for (int i = 0; i < 4; ++i) {
      Forward(size);
      Turn(-90.0f);
    }
    return;
  }
  if (depth == 0) {
    heading = h;
    MovePen(x, y);
    DrawLShape(size);
    return;
  }
  const Point2 p(x, y);
  const float half = size / 2.0f;
  const float k = static_cast<float>(std::sqrt(2.0)) / 4.0f;
  Point2 q;
  DrawLTiling(p.x, p.y, half, h, depth - 1);
  PointAtAngle(p, zarn::DegToRad(h + 90.0f), size, q);
  DrawLTiling(q.x, q.y, half, h - 90.0f, depth - 1);
  PointAtAngle(p, zarn::DegToRad(h + 45.0f), k * size, q);
  DrawLTiling(q.x, q.y, half, h, depth - 1);
  PointAtAngle(p, zarn::DegToRad(h), size, q);
  DrawLTiling(q.x, q.y, half, h + 90.0f, depth - 1);
}

void TurtleCanvas::DrawLCascade(float x, float y, float size, float h, int depth) {
  if (depth > kMaxTilingDepth) return;
  Point2 p(x, y);
  const float k = static_cast<float>(std::sqrt(2.0)) / 2.0f;
  for (int i = 0; i <= depth + 1; ++i) {
    DrawLTiling(p.x, p.y, size, h, depth - i);
    PointAtAngle(p, zarn::DegToRad(h + 45.0f), size * k, p);
    size = size / 2.0f;
  }
}
