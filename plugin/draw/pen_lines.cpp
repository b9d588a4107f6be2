#include <algorithm>
#include <cmath>
#include <cstdint>

#include "canvas/arith.h"
#include "canvas/canvas.h"

namespace {

constexpr float kTwo24 = 16777216.0f;

// Floor and ceiling of a / b for b > 0.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

// Exponent of the lowest set bit of a non-zero finite float.
int LowBit(float v) {
  int exponent = 0;
  const float fraction = std::frexp(std::fabs(v), &exponent);
  auto mantissa = static_cast<std::uint32_t>(std::ldexp(fraction, 24));
  int low = exponent - 24;
  while ((mantissa & 1u) == 0) {
    mantissa >>= 1;
    ++low;
  }
  return low;
}

// Element of a visible walk point, both already known inside.
inline void PutAt(Canvas& c, float x, float y) {
  c.pixels[static_cast<std::size_t>(static_cast<int>(y)) * static_cast<std::size_t>(c.width) +
           static_cast<std::size_t>(static_cast<int>(x))] = c.drawColor;
}

// Cuts the segment to the canvas grown by `margin`; false when nothing of
// it is left. A cut end lies exactly on the boundary it was cut by, its
// other coordinate interpolated in double from the nearer endpoint, so the
// cut follows the segment to double precision without the cancellation of
// interpolating between two far points.
bool CutToBox(double& x1, double& y1, double& x2, double& y2, double maxX, double maxY,
              double margin) {
  double t0 = 0.0, t1 = 1.0;
  int edge0 = -1, edge1 = -1;
  const double dx = x2 - x1, dy = y2 - y1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 + margin, maxX + margin - x1, y1 + margin, maxY + margin - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0.0) {
      if (r > t1) return false;
      if (r > t0) {
        t0 = r;
        edge0 = i;
      }
    } else {
      if (r < t0) return false;
      if (r < t1) {
        t1 = r;
        edge1 = i;
      }
    }
  }
  const double bounds[4] = {-margin, maxX + margin, -margin, maxY + margin};
  auto onEdge = [&](int edge, double& x, double& y) {
    const double b = bounds[edge];
    if (edge < 2) {
      const bool first = std::fabs(b - x1) <= std::fabs(b - x2);
      x = b;
      y = (first ? y1 : y2) + (b - (first ? x1 : x2)) * (dy / dx);
    } else {
      const bool first = std::fabs(b - y1) <= std::fabs(b - y2);
      y = b;
      x = (first ? x1 : x2) + (b - (first ? y1 : y2)) * (dx / dy);
    }
  };
  double ax = x1, ay = y1, bx = x2, by = y2;
  if (edge0 >= 0) onEdge(edge0, ax, ay);
  if (edge1 >= 0) onEdge(edge1, bx, by);
  x1 = ax;
  y1 = ay;
  x2 = bx;
  y2 = by;
  return true;
}

// One walk of the line routine in major/minor terms: m runs from m0 while
// m <= mEnd in float steps of 1, n is the minor coordinate, n1 the minor
// value of the far endpoint, e the error term.
struct Walk {
  Canvas& canvas;
  bool xMajor;
  bool rising;
  float m0, n0, mEnd, n1;
  float incStraight, e0, incDiagonal;

  float dimM() const { return static_cast<float>(xMajor ? canvas.width : canvas.height); }
  float dimN() const { return static_cast<float>(xMajor ? canvas.height : canvas.width); }

  // Plots from a point at or after the walk's entry into the canvas until
  // it leaves: the walk is monotone in both axes, so it never comes back.
  void PlotFrom(float m, float n, float e) const {
    if (xMajor) {
      if (rising) PlotLoop<true, true>(m, n, e);
      else PlotLoop<true, false>(m, n, e);
    } else {
      if (rising) PlotLoop<false, true>(m, n, e);
      else PlotLoop<false, false>(m, n, e);
    }
  }

  // The walk's loop body: plot, step the major coordinate, and step the
  // minor one by the error term. The test selects values rather than
  // branching, since it flips at every other pixel on many slopes.
  template <bool X, bool R>
  void PlotLoop(float m, float n, float e) const {
    const float dm = dimM(), dn = dimN();
    BMM_Color_64* const pixels = canvas.pixels;
    const auto w = static_cast<std::size_t>(canvas.width);
    const BMM_Color_64 colour = canvas.drawColor;
    const float minorStep = R ? 1.0f : -1.0f;
    while (m <= mEnd) {
      if (!(m >= 0.0f && dm > m && n >= 0.0f && dn > n)) return;
      const auto im = static_cast<std::size_t>(static_cast<int>(m));
      const auto in = static_cast<std::size_t>(static_cast<int>(n));
      pixels[X ? in * w + im : im * w + in] = colour;
      m = m + 1.0f;
      const bool diagonal = R ? e >= 0.0f : e > 0.0f;
      n = diagonal ? n + minorStep : n;
      e = e + (diagonal ? incDiagonal : incStraight);
    }
  }

  void Run() const {
    const float dm = dimM(), dn = dimN();
    // Cheap rejection on the walk's extent; the minor side has a margin for
    // the last diagonal step the error term may take beyond the endpoint.
    if (!(mEnd >= 0.0f) || !(m0 < dm)) return;
    if (rising ? (n0 >= dn || n1 + 3.0f < 0.0f) : (n0 < 0.0f || n1 - 3.0f >= dn)) return;
    // The walk keeps within about a pixel of its ideal segment, so one that
    // misses the canvas grown by 3 pixels (past a corner, say) sets nothing.
    double am = m0, an = n0, bm = mEnd, bn = n1;
    if (!CutToBox(am, an, bm, bn, dm, dn, 3.0)) return;
    if (!RunExact()) RunStepping();
  }

  // Diagonal steps needed before the minor coordinate reaches the canvas.
  std::int64_t DiagonalsToEnter() const {
    if (rising && n0 < 0.0f) return static_cast<std::int64_t>(std::ceil(-static_cast<double>(n0)));
    if (!rising && n0 >= dimN())
      return static_cast<std::int64_t>(std::floor(static_cast<double>(n0) - dimN())) + 1;
    return 0;
  }

  // When the error term does not stay exact in floats its course has no
  // closed form: run it alone (no plotting, no coordinates) up to the step
  // where both coordinates have reached the canvas, then place the point
  // there and plot.
  void RunStepping() const {
    const std::int64_t kMajor = m0 < 0.0f ? zarn::StepsToReachZero(m0) : 0;
    const std::int64_t need = DiagonalsToEnter();
    const auto kLimit =
        static_cast<std::int64_t>(static_cast<double>(mEnd) - static_cast<double>(m0)) + 2;
    float e = e0;
    std::int64_t k = 0, d = 0;
    if (rising) {
      while ((k < kMajor || d < need) && k < kLimit) {
        const bool diagonal = e >= 0.0f;
        e = e + (diagonal ? incDiagonal : incStraight);
        d += diagonal;
        ++k;
      }
    } else {
      while ((k < kMajor || d < need) && k < kLimit) {
        const bool diagonal = e > 0.0f;
        e = e + (diagonal ? incDiagonal : incStraight);
        d += diagonal;
        ++k;
      }
    }
    const float m = zarn::AdvanceByOnes(m0, k);
    const float n = rising ? zarn::AdvanceByOnes(n0, d) : -zarn::AdvanceByOnes(-n0, d);
    PlotFrom(m, n, e);
  }

  // When every error-term value is a multiple of one power of two and small
  // enough for a float to hold exactly, the walk is Bresenham's in integers
  // and its state at any step follows in closed form: jump to the entry.
  bool RunExact() const {
    const float terms[3] = {e0, incStraight, incDiagonal};
    int unit = 1000;
    for (float t : terms) {
      if (t != 0.0f) unit = std::min(unit, LowBit(t));
    }
    if (unit == 1000) return false;
    std::int64_t scaled[3];
    for (int i = 0; i < 3; ++i) {
      const double v = std::ldexp(static_cast<double>(terms[i]), -unit);
      if (!(std::fabs(v) < 16777216.0)) return false;
      scaled[i] = static_cast<std::int64_t>(v);
    }
    const std::int64_t e0i = scaled[0], is = scaled[1], id = scaled[2];
    const std::int64_t w = is - id;
    if (w <= 0 || w >= (std::int64_t{1} << 24) || is < 0 || id > 0) return false;
    if (rising ? !(e0i >= -w && e0i < w) : !(e0i > -w && e0i <= w)) return false;

    // Diagonal steps among the first k.
    auto diagonals = [&](std::int64_t k) -> std::int64_t {
      if (k <= 0) return 0;
      const std::int64_t s = e0i + (k - 1) * is;
      return rising ? FloorDiv(s, w) + 1 : CeilDiv(s, w);
    };

    std::int64_t k = m0 < 0.0f ? zarn::StepsToReachZero(m0) : 0;
    const std::int64_t need = DiagonalsToEnter();
    if (need > 0) {
      if (is == 0) return true;  // the minor coordinate never moves
      const std::int64_t num = (need - 1) * w - e0i;
      const std::int64_t kn =
          rising ? std::max<std::int64_t>(1, 1 + CeilDiv(num, is))
                 : std::max<std::int64_t>(1, FloorDiv(num, is) + 2);
      k = std::max(k, kn);
    }
    const float m = zarn::AdvanceByOnes(m0, k);
    if (!(m <= mEnd)) return true;
    const std::int64_t d = diagonals(k);
    const float n = rising ? zarn::AdvanceByOnes(n0, d) : -zarn::AdvanceByOnes(-n0, d);
    const float e = static_cast<float>(std::ldexp(static_cast<double>(e0i + k * is - w * d), unit));
    PlotFrom(m, n, e);
    return true;
  }
};

// A run of Plot calls along one axis: `count` points from `start` in float
// steps of 1. Answers the coordinate after the last step.
float PlotRun(Canvas& c, bool horizontal, float start, float across, std::int64_t count) {
  const float dimAlong = static_cast<float>(horizontal ? c.width : c.height);
  const float dimAcross = static_cast<float>(horizontal ? c.height : c.width);
  if (count > 0 && across >= 0.0f && dimAcross > across && c.pixels) {
    std::int64_t k = 0;
    float v = start;
    if (v < 0.0f) {
      k = zarn::StepsToReachZero(v);
      if (k >= 0 && k < count) v = zarn::AdvanceByOnes(start, k);
    }
    if (k >= 0) {
      for (; k < count && v >= 0.0f && dimAlong > v; ++k) {
        if (horizontal) PutAt(c, v, across);
        else PutAt(c, across, v);
        v = v + 1.0f;
      }
    }
  }
  return zarn::AdvanceByOnes(start, count);
}

// Points of a run: i = 0, 1, ... while float(i) < length.
std::int64_t RunCount(float length) {
  if (!(length > 0.0f)) return 0;
  if (length >= 4.0e18f) return INT64_MAX;
  return static_cast<std::int64_t>(std::ceil(static_cast<double>(length)));
}

}  // namespace

void Canvas::PointAtAngle(Point2 centre, float angle, float distance, Point2& out) const {
  const auto c = static_cast<float>(std::cos(static_cast<double>(angle)));
  const auto s = static_cast<float>(std::sin(static_cast<double>(angle)));
  out.x = centre.x + c * distance;
  out.y = centre.y - s * distance;
}

void Canvas::DrawLine(float x1, float y1, float x2, float y2) {
  const Point2 end(x2, y2);
  const bool finite =
      std::isfinite(x1) && std::isfinite(y1) && std::isfinite(x2) && std::isfinite(y2);
  if (finite && pixels && width > 0 && height > 0) {
    bool walk = true;
    if (!(std::fabs(x1) < kTwo24 && std::fabs(y1) < kTwo24 && std::fabs(x2) < kTwo24 &&
          std::fabs(y2) < kTwo24)) {
      double ax = x1, ay = y1, bx = x2, by = y2;
      walk = CutToBox(ax, ay, bx, by, width, height, 2.0);
      x1 = static_cast<float>(ax);
      y1 = static_cast<float>(ay);
      x2 = static_cast<float>(bx);
      y2 = static_cast<float>(by);
    }
    if (walk) {
      const float dx = x2 - x1, dy = y2 - y1;
      const bool rising = (dx > 0.0f) != (dy < 0.0f);
      const float adx = std::fabs(dx), ady = std::fabs(dy);
      if (ady < adx) {
        const bool forward = dx > 0.0f;
        Walk{*this,
             true,
             rising,
             forward ? x1 : x2,
             forward ? y1 : y2,
             forward ? x2 : x1,
             forward ? y2 : y1,
             2.0f * ady,
             2.0f * ady - adx,
             2.0f * (ady - adx)}
            .Run();
      } else {
        const bool forward = dy > 0.0f;
        Walk{*this,
             false,
             rising,
             forward ? y1 : y2,
             forward ? x1 : x2,
             forward ? y2 : y1,
             forward ? x2 : x1,
             2.0f * adx,
             2.0f * adx - ady,
             2.0f * (adx - ady)}
            .Run();
      }
    }
  }
  penPos = end;
}

void Canvas::DrawLineTo(float x, float y) { DrawLine(penPos.x, penPos.y, x, y); }

void Canvas::DrawLineBy(float dx, float dy) {
  DrawLine(penPos.x, penPos.y, penPos.x + dx, penPos.y + dy);
}

void Canvas::DrawHLine(float x, float y, float length) {
  const float after = PlotRun(*this, true, x, y, RunCount(length));
  MovePen(after - 1.0f, y);
}

void Canvas::DrawVLine(float x, float y, float length) {
  const float after = PlotRun(*this, false, y, x, RunCount(length));
  MovePen(x, after - 1.0f);
}

void Canvas::DrawBox(float x1, float y1, float x2, float y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  const float w = x2 - x1, h = y2 - y1;
  DrawHLine(x1, y1, w);
  DrawHLine(x1, y2, w);
  DrawVLine(x1, y1, h);
  DrawVLine(x2, y1, h);
}

void Canvas::FillBox(float x1, float y1, float x2, float y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  const float w = x2 - x1, h = y2 - y1;
  if (!(h >= 0.0f)) return;
  // Rows i = 0, 1, ... while float(i) <= h, the last one capped where a
  // counter of 32 bits ends; only the rows on the canvas are visited.
  const std::int64_t last =
      h >= 2147483647.0f ? 2147483647 : static_cast<std::int64_t>(std::floor(h));
  auto rowY = [&](std::int64_t i) { return y1 + static_cast<float>(i); };
  // rowY is monotone in i: bisect for the first row at or below 0 and the
  // first row at or past the bottom edge.
  auto firstAtLeast = [&](float limit) {
    std::int64_t lo = 0, hi = last + 1;
    while (lo < hi) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      if (rowY(mid) >= limit) hi = mid;
      else lo = mid + 1;
    }
    return lo;
  };
  if (std::isfinite(y1)) {
    const std::int64_t top = firstAtLeast(0.0f);
    const std::int64_t bottom = std::min(firstAtLeast(static_cast<float>(height)), last);
    for (std::int64_t i = top; i < bottom; ++i) DrawHLine(x1, rowY(i), w);
  }
  DrawHLine(x1, rowY(last), w);
}
