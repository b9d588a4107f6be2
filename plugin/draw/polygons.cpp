#include <cmath>
#include <cstdint>
#include <new>

#include "canvas/arith.h"
#include "canvas/canvas.h"

namespace {

constexpr float kTwoPi = 6.28318548f;
constexpr float kHalfPi = 1.57079637f;
constexpr int kMaxPolygonSides = 1 << 24;
// n (n - 3) lines: about 2^24 for 4096 sides.
constexpr int kMaxWebSides = 4096;
constexpr std::int64_t kMaxCurveSegments = std::int64_t{1} << 24;

float Cos(float t) {
  return static_cast<float>(std::cos(static_cast<double>(t)));
}
float Sin(float t) {
  return static_cast<float>(std::sin(static_cast<double>(t)));
}

float Power(float base, double e) {
  // A tiny negative cosine or sine (t just past a quarter's end) has no real
  // power for a non-whole exponent: take it as 0. A whole exponent's power
  // is real and stands.
  if (base < 0.0f && !(e == std::floor(e)))
    base = 0.0f;
  return static_cast<float>(std::pow(static_cast<double>(base), e));
}

} // namespace

Point2 *Canvas::MakePolygonPoints(float cx, float cy, float r, int n) const {
  if (n < 3 || n > kMaxPolygonSides)
    return nullptr;
  auto *points = new (std::nothrow) Point2[static_cast<std::size_t>(n) + 1];
  if (!points)
    return nullptr;
  const float step = kTwoPi / static_cast<float>(n);
  for (int i = 0; i <= n; ++i) {
    const float t = static_cast<float>(i) * step - kHalfPi;
    points[i] = Point2(Cos(t) * r + cx, Sin(t) * r + cy);
  }
  return points;
}

void Canvas::DrawPolyline(const Point2 *points, int count) {
  if (!points || count < 1)
    return;
  MovePen(points[0].x, points[0].y);
  for (int i = 1; i < count; ++i)
    DrawLineTo(points[i].x, points[i].y);
}

void Canvas::DrawRegularPolygon(float cx, float cy, float r, int n) {
  Point2 *points = MakePolygonPoints(cx, cy, r, n);
  if (!points)
    return;
  DrawPolyline(points, n + 1);
  delete[] points;
}

void Canvas::DrawPolygonWeb(float cx, float cy, float r, int n) {
  if (n > kMaxWebSides)
    return;
  Point2 *points = MakePolygonPoints(cx, cy, r, n);
  if (!points)
    return;
  DrawPolyline(points, n + 1);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n - 3; ++j) {
      const Point2 &a = points[i];
      const Point2 &b = points[(i + j + 2) % (n + 1)];
      DrawLine(a.x, a.y, b.x, b.y);
    }
  }
  delete[] points;
}

void Canvas::DrawRose(float cx, float cy, float radius, int k) {
  const std::int32_t s = arcSegments;
  if (s < 1)
    return;
  const std::int64_t count = static_cast<std::int64_t>(s) * k / 2;
  if (count > kMaxCurveSegments)
    return;
  const float step = (kTwoPi / static_cast<float>(k)) / static_cast<float>(s);
  const auto kf = static_cast<float>(k);
  auto point = [&](float t, float &x, float &y) {
    const float ck = Cos(kf * t);
    x = ck * Cos(t) * radius;
    y = ck * Sin(t) * radius;
  };
  float t = 0.0f, x, y;
  point(t, x, y);
  MovePen(std::trunc(x) + cx, std::trunc(y) + cy);
  for (std::int64_t i = 0; i < count; ++i) {
    t = t + step;
    point(t, x, y);
    DrawLineTo(std::trunc(x) + cx, std::trunc(y) + cy);
  }
}

void Canvas::DrawSuperellipse(float cx, float cy, float a, float b, float n) {
  const std::int32_t s = arcSegments;
  if (s < 2 || s > (1 << 22))
    return;
  float t = 0.0f;
  const double e = 2.0 / static_cast<double>(n);
  float x, y;
  auto point = [&]() {
    x = Power(Cos(t), e) * a;
    y = Power(Sin(t), e) * b;
  };
  point();
  MovePen(std::trunc(x) + cx, cy - std::trunc(y));
  const float step = (kHalfPi - 0.0f) / static_cast<float>(s - 1);
  for (int i = 0; i < s - 1; ++i) {
    t = t + step;
    point();
    DrawLineTo(cx + std::trunc(x), cy - std::trunc(y));
  }
  for (int i = 0; i < s - 1; ++i) {
    t = t - step;
    point();
    DrawLineTo(cx - std::trunc(x), cy - std::trunc(y));
  }
  for (int i = 0; i < s - 1; ++i) {
    t = t + step;
    point();
    DrawLineTo(cx - std::trunc(x), cy + std::trunc(y));
  }
  for (int i = 0; i < s - 1; ++i) {
    t = t - step;
    point();
    DrawLineTo(cx + std::trunc(x), cy + std::trunc(y));
  }
}
