#include <algorithm>
#include <cmath>
#include <cstdint>

#include "canvas/arith.h"
#include "canvas/canvas.h"

namespace {

// With radii up to 2^20 the largest decision term, 2 a^2 b, stays below
// 2^61, so 64-bit terms cannot overflow anywhere in the two regions.
constexpr float kMaxEllipseRadius = 1048576.0f;

// Arcs of more steps only retrace the circle.
constexpr int kMaxArcSteps = 65536;

// Offsets the disc's cell loop walks along one axis: the first and last
// cell index on the canvas and the offset of the first one from the
// centre, as the unclipped loop would have accumulated it.
struct CellSpan {
  std::int64_t first = 0;
  std::int64_t last = -1;
  float offset = 0.0f;
};

CellSpan Span(float lo, float hi, float centre, std::int32_t size) {
  CellSpan span;
  if (std::isnan(lo) || std::isnan(hi)) return span;
  const double tlo = std::trunc(static_cast<double>(lo));
  const double thi = std::trunc(static_cast<double>(hi));
  if (!(tlo <= thi) || size <= 0) return span;
  const double first = std::max(tlo, 0.0);
  const double last = std::min(thi, static_cast<double>(size) - 1.0);
  if (!(first <= last)) return span;
  span.first = static_cast<std::int64_t>(first);
  span.last = static_cast<std::int64_t>(last);
  if (std::fabs(tlo) < 16777216.0 && std::fabs(thi) < 16777216.0) {
    // The loop starts at trunc(lo) - centre and adds 1.0 per cell.
    const float start = static_cast<float>(tlo) - centre;
    span.offset = zarn::AdvanceByOnes(start, span.first - static_cast<std::int64_t>(tlo));
  } else {
    // Far beyond any canvas an accumulated float offset loses its steps;
    // take the cell's own offset instead.
    span.offset = static_cast<float>(span.first) - centre;
  }
  return span;
}

}  // namespace

void Canvas::PlotQuad(float x, float y, float cx, float cy) {
  if (x != 0.0f) {
    Plot(cx + x, cy + y);
    Plot(cx - x, cy + y);
    if (y != 0.0f) {
      Plot(cx + x, cy - y);
      Plot(cx - x, cy - y);
    }
  } else {
    Plot(cx, cy + y);
    if (y != 0.0f) Plot(cx, cy - y);
  }
}

void Canvas::DrawEllipse(float cx, float cy, float rx, float ry) {
  if (std::fabs(rx) <= kMaxEllipseRadius && std::fabs(ry) <= kMaxEllipseRadius) {
    float x = 0.0f;
    float y = ry;
    const std::int64_t a = zarn::TruncToInt32(rx);
    const std::int64_t b = zarn::TruncToInt32(ry);
    const std::int64_t A = a * a, B = b * b, A2 = 2 * A, B2 = 2 * B;
    std::int64_t d = B - A * b + A / 4;
    std::int64_t dx = 0;
    std::int64_t dy = A2 * b;
    while (dx < dy) {
      PlotQuad(x, y, cx, cy);
      if (d > 0) {
        y = y - 1.0f;
        dy = dy - A2;
        d = d - dy;
      }
      x = x + 1.0f;
      dx = dx + B2;
      d = d + dx + B;
    }
    d = d + (3 * (A - B) / 2 - (dx + dy)) / 2;
    while (y >= 0.0f) {
      PlotQuad(x, y, cx, cy);
      if (d < 0) {
        x = x + 1.0f;
        dx = dx + B2;
        d = d + dx;
      }
      y = y - 1.0f;
      dy = dy - A2;
      d = d + A - dy;
    }
  }
  MovePen(cx, cy);
}

void Canvas::DrawCircle(float cx, float cy, float r) {
  DrawEllipse(cx, cy, r, r);
  MovePen(cx, cy);
}

void Canvas::FillCircle(float cx, float cy, float r) {
  const float aspect = bitmap ? bitmap->Aspect() : 0.0f;
  const float rr = r * r;
  if (pixels) {
    const CellSpan cols = Span(cx - r, cx + r, cx, width);
    const CellSpan rows = Span(cy - aspect * r, cy + aspect * r, cy, height);
    // Rows outside, columns inside, for the row-major buffer: each cell's
    // offsets are the same values the column-by-column loop accumulates.
    float v = rows.offset;
    for (std::int64_t j = rows.first; j <= rows.last; ++j) {
      const float v1 = v + 1.0f;
      const float vv = std::min(v * v, v1 * v1);
      BMM_Color_64* row = pixels + j * width;
      float u = cols.offset;
      for (std::int64_t i = cols.first; i <= cols.last; ++i) {
        // The nearer corner along each axis decides whether any corner is in.
        const float u1 = u + 1.0f;
        if (std::min(u * u, u1 * u1) + vv < rr) row[i] = drawColor;
        u = u + 1.0f;
      }
      v = v + 1.0f;
    }
  }
  MovePen(cx, cy);
}

void Canvas::DrawArc(float cx, float cy, float radius, float start, float end) {
  if (end < start) std::swap(start, end);
  float q = (end - start) * static_cast<float>(arcSegments) / 360.0f;
  if (q < 1.0f) q = 1.0f;
  start = zarn::DegToRad(start);
  end = zarn::DegToRad(end);
  q = zarn::DegToRad(q);
  const Point2 centre(cx, cy);
  Point2 p;
  PointAtAngle(centre, start, radius, p);
  MovePen(p.x, p.y);
  float a = start + q;
  for (int steps = 0; a <= end && steps < kMaxArcSteps; ++steps) {
    PointAtAngle(centre, a, radius, p);
    DrawLineTo(p.x, p.y);
    a = a + q;
  }
  a = a - q;
  if (a < end) {
    PointAtAngle(centre, end, radius, p);
    DrawLineTo(p.x, p.y);
  }
}

void Canvas::DrawPie(float radius, float start, float sweep) {
  const Point2 c = penPos;
  Point2 p;
  PointAtAngle(c, zarn::DegToRad(start), radius, p);
  DrawLine(c.x, c.y, p.x, p.y);
  PointAtAngle(c, zarn::DegToRad(sweep + start), radius, p);
  DrawLine(c.x, c.y, p.x, p.y);
  DrawArc(c.x, c.y, radius, start, start + sweep);
}
