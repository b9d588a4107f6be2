// Vector drawing as runner operations: lines and boxes, ellipses and arcs,
// turtle figures and L-tromino tilings, recursive curves and the tree,
// polygons and parametric curves. Coordinates are pixels of the image.
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "host/ops/registry.h"

namespace {
using zarn::ops::Args;
using zarn::ops::Context;
using zarn::ops::Kind;
using zarn::ops::Operation;
using zarn::ops::Param;

// Reads arguments and remembers the first one that is refused, so a body
// can read all it needs and then give up once.
class Reader {
 public:
  Reader(const Args& args, std::string& error) : args_(args), error_(error) {}

  float Finite(const char* name) {
    const float v = args_.Float(name);
    if (!std::isfinite(v)) Refuse(name, Text(v), "must be a finite number");
    return v;
  }
  float Above(const char* name, float lo) {
    const float v = args_.Float(name);
    if (!(v > lo) || !std::isfinite(v)) Refuse(name, Text(v), "must be finite and above " + Text(lo));
    return v;
  }
  float Within(const char* name, float lo, float hi) {
    const float v = args_.Float(name);
    if (!(v >= lo && v <= hi)) Refuse(name, Text(v), "must be " + Text(lo) + " to " + Text(hi));
    return v;
  }
  int Int(const char* name, int lo, int hi) {
    const int v = args_.Int(name);
    if (v < lo || v > hi)
      Refuse(name, std::to_string(v),
             "must be " + std::to_string(lo) + " to " + std::to_string(hi));
    return v;
  }
  bool ok() const { return ok_; }

 private:
  static std::string Text(float v) {
    char text[48];
    std::snprintf(text, sizeof(text), "%g", static_cast<double>(v));
    return text;
  }
  void Refuse(const char* name, const std::string& value, const std::string& why) {
    if (!ok_) return;
    ok_ = false;
    error_ = std::string(name) + "=" + value + ": " + why;
  }

  const Args& args_;
  std::string& error_;
  bool ok_ = true;
};

using Body = bool (*)(TreeCanvas& canvas, Reader& read);

Param F(const char* name, const char* value, const char* help) {
  return Param{name, Kind::Float, value, help};
}
Param I(const char* name, const char* value, const char* help) {
  return Param{name, Kind::Int, value, help};
}

void Add(const char* name, const char* family, const char* summary, std::vector<Param> params,
         Body body, std::vector<std::string> gallery) {
  params.push_back(Param{"color", Kind::Color, "#ffffff", "drawing colour (#rrggbb or r,g,b,a)"});
  zarn::ops::Register(Operation{
      name, family, summary, std::move(params),
      [body](Bitmap& bitmap, const Args& args, const Context& context, std::string& error) {
        TreeCanvas canvas(context.window, nullptr, &bitmap);
        if (!canvas.HasPixels()) {
          error = "not enough memory for the canvas";
          return false;
        }
        canvas.SetDrawColor(args.Color("color"));
        Reader read(args, error);
        if (!body(canvas, read) || !read.ok()) return false;
        canvas.Store();
        return true;
      },
      std::move(gallery)});
}

// ---- Pen and lines ----------------------------------------------------------

bool Line(TreeCanvas& c, Reader& r) {
  const float x1 = r.Finite("x1"), y1 = r.Finite("y1"), x2 = r.Finite("x2"), y2 = r.Finite("y2");
  if (!r.ok()) return false;
  c.DrawLine(x1, y1, x2, y2);
  return true;
}

bool Run(TreeCanvas& c, Reader& r, bool horizontal) {
  const float x = r.Finite("x"), y = r.Finite("y"), length = r.Finite("length");
  if (!r.ok()) return false;
  if (horizontal) c.DrawHLine(x, y, length);
  else c.DrawVLine(x, y, length);
  return true;
}

bool Box(TreeCanvas& c, Reader& r, bool fill) {
  const float x1 = r.Finite("x1"), y1 = r.Finite("y1"), x2 = r.Finite("x2"), y2 = r.Finite("y2");
  if (!r.ok()) return false;
  if (fill) c.FillBox(x1, y1, x2, y2);
  else c.DrawBox(x1, y1, x2, y2);
  return true;
}

// ---- Ellipses, discs and arcs -------------------------------------------------

// Larger radii draw nothing; say so instead.
constexpr float kMaxRadius = 1048576.0f;

bool Ellipse(TreeCanvas& c, Reader& r) {
  const float cx = r.Finite("cx"), cy = r.Finite("cy");
  const float rx = r.Within("rx", -kMaxRadius, kMaxRadius);
  const float ry = r.Within("ry", -kMaxRadius, kMaxRadius);
  if (!r.ok()) return false;
  c.DrawEllipse(cx, cy, rx, ry);
  return true;
}

bool Circle(TreeCanvas& c, Reader& r, bool fill) {
  const float cx = r.Finite("cx"), cy = r.Finite("cy"), radius = r.Finite("r");
  if (!r.ok()) return false;
  if (fill) c.FillCircle(cx, cy, radius);
  else c.DrawCircle(cx, cy, radius);
  return true;
}

bool Arc(TreeCanvas& c, Reader& r) {
  const float cx = r.Finite("cx"), cy = r.Finite("cy"), radius = r.Finite("radius");
  const float start = r.Finite("start"), end = r.Finite("end");
  c.arcSegments = r.Int("segments", 1, 3600);
  if (!r.ok()) return false;
  c.DrawArc(cx, cy, radius, start, end);
  return true;
}

bool Pie(TreeCanvas& c, Reader& r) {
  const float x = r.Finite("x"), y = r.Finite("y"), radius = r.Finite("radius");
  const float start = r.Finite("start"), sweep = r.Finite("sweep");
  c.arcSegments = r.Int("segments", 1, 3600);
  if (!r.ok()) return false;
  c.MovePen(x, y);
  c.DrawPie(radius, start, sweep);
  return true;
}

// ---- Turtle and L-tromino tilings -------------------------------------------

bool Spiral(TreeCanvas& c, Reader& r) {
  const float x = r.Finite("x"), y = r.Finite("y"), heading = r.Finite("heading");
  const float length = r.Finite("length"), angle = r.Finite("angle"), inc = r.Finite("increment");
  const int count = r.Int("count", 0, 1 << 24);
  if (!r.ok()) return false;
  c.MovePen(x, y);
  c.heading = heading;
  c.DrawPolySpiral(length, angle, inc, count);
  return true;
}

bool LShape(TreeCanvas& c, Reader& r) {
  const float x = r.Finite("x"), y = r.Finite("y"), heading = r.Finite("heading");
  const float size = r.Finite("size");
  if (!r.ok()) return false;
  c.MovePen(x, y);
  c.heading = heading;
  c.DrawLShape(size);
  return true;
}

bool Tiling(TreeCanvas& c, Reader& r, bool cascade) {
  const float x = r.Finite("x"), y = r.Finite("y"), size = r.Finite("size");
  const float heading = r.Finite("heading");
  const int depth = r.Int("depth", -1, 10);
  if (!r.ok()) return false;
  if (cascade) c.DrawLCascade(x, y, size, heading, depth);
  else c.DrawLTiling(x, y, size, heading, depth);
  return true;
}

// ---- Recursive curves and the tree ----------------------------------------------

bool KochLine(TreeCanvas& c, Reader& r) {
  const float x1 = r.Finite("x1"), y1 = r.Finite("y1"), x2 = r.Finite("x2"), y2 = r.Finite("y2");
  const int depth = r.Int("depth", 0, 12);
  if (!r.ok()) return false;
  c.DrawKochLine(Point2(x1, y1), Point2(x2, y2), depth);
  return true;
}

bool KochTriangle(TreeCanvas& c, Reader& r) {
  const float cx = r.Finite("cx"), cy = r.Finite("cy"), radius = r.Finite("r");
  if (!r.ok()) return false;
  c.DrawKochTriangle(cx, cy, radius);
  return true;
}

bool Binary(TreeCanvas& c, Reader& r, bool dragon) {
  const float x = r.Finite("x"), y = r.Finite("y"), angle = r.Finite("angle");
  const float length = r.Finite("length");
  const int depth = r.Int("depth", 0, 24);
  const int side = dragon ? r.Int("side", 0, 1) : 0;
  if (!r.ok()) return false;
  c.MovePen(x, y);
  if (dragon) c.DrawDragonCurve(angle, length, depth, side);
  else c.DrawLevyCurve(angle, length, depth);
  return true;
}

bool Hilbert(TreeCanvas& c, Reader& r, bool square) {
  const float x = r.Finite("x"), y = r.Finite("y");
  const float size = r.Finite(square ? "size" : "step");
  const int orientation = r.Int("orientation", 0, 3);
  const int depth = r.Int("depth", 0, 12);
  if (!r.ok()) return false;
  c.MovePen(x, y);
  if (square) c.DrawHilbertSquare(size, orientation, depth);
  else c.DrawHilbertCurve(size, orientation, depth);
  return true;
}

bool FractalLine(TreeCanvas& c, Reader& r) {
  const float x1 = r.Finite("x1"), y1 = r.Finite("y1"), x2 = r.Finite("x2"), y2 = r.Finite("y2");
  const float limit = r.Above("limit", 0.0f), scale = r.Finite("scale");
  const float dimension = r.Above("dimension", 0.5f);
  if (!r.ok()) return false;
  c.DrawFractalLine(x1, y1, x2, y2, dimension, limit, scale);
  return true;
}

bool Tree(TreeCanvas& c, Reader& r) {
  const float x = r.Finite("x"), y = r.Finite("y"), angle = r.Finite("angle");
  const float length = r.Finite("length"), spread = r.Finite("spread");
  const int depth = r.Int("depth", 0, 1024);
  c.branchCount = r.Int("branches", 0, 1 << 24);
  c.lengthScale = r.Finite("length-scale");
  c.spreadScale = r.Finite("spread-scale");
  if (!r.ok()) return false;
  c.DrawTree(Point2(x, y), angle, length, spread, depth);
  return true;
}

// ---- Polygons and parametric curves -----------------------------------------

bool Polygon(TreeCanvas& c, Reader& r, bool web) {
  const float cx = r.Finite("cx"), cy = r.Finite("cy"), radius = r.Finite("r");
  const int n = r.Int("n", 3, web ? 4096 : 1 << 24);
  if (!r.ok()) return false;
  if (web) c.DrawPolygonWeb(cx, cy, radius, n);
  else c.DrawRegularPolygon(cx, cy, radius, n);
  return true;
}

bool Rose(TreeCanvas& c, Reader& r) {
  const float cx = r.Finite("cx"), cy = r.Finite("cy"), radius = r.Finite("radius");
  const int k = r.Int("k", 1, 4096);
  c.arcSegments = r.Int("segments", 1, 4096);
  if (!r.ok()) return false;
  c.DrawRose(cx, cy, radius, k);
  return true;
}

bool Superellipse(TreeCanvas& c, Reader& r) {
  const float cx = r.Finite("cx"), cy = r.Finite("cy"), a = r.Finite("a"), b = r.Finite("b");
  const float n = r.Above("n", 0.0f);
  c.arcSegments = r.Int("segments", 2, 1 << 22);
  if (!r.ok()) return false;
  c.DrawSuperellipse(cx, cy, a, b, n);
  return true;
}

}  // namespace

ZARN_REGISTER_OPERATIONS {
  // Gallery tiles are 192 x 128.
  Add("line", "lines", "a line from (x1, y1) to (x2, y2)",
      {F("x1", "10", "start column"), F("y1", "10", "start row"), F("x2", "180", "end column"),
       F("y2", "115", "end row")},
      Line, {"x1=8", "y1=120", "x2=184", "y2=12", "color=#ffee40"});
  Add("hline", "lines", "a run of pixels to the right",
      {F("x", "0", "start column"), F("y", "0", "row"), F("length", "10", "pixels")},
      [](TreeCanvas& c, Reader& r) { return Run(c, r, true); },
      {"x=16", "y=64", "length=160", "color=#40ff80"});
  Add("vline", "lines", "a run of pixels downward",
      {F("x", "0", "column"), F("y", "0", "start row"), F("length", "10", "pixels")},
      [](TreeCanvas& c, Reader& r) { return Run(c, r, false); },
      {"x=96", "y=8", "length=112", "color=#40ff80"});
  Add("box", "lines", "rectangle outline between two corners",
      {F("x1", "10", "corner column"), F("y1", "10", "corner row"), F("x2", "50", "corner column"),
       F("y2", "40", "corner row")},
      [](TreeCanvas& c, Reader& r) { return Box(c, r, false); },
      {"x1=20", "y1=16", "x2=172", "y2=112", "color=#ff8040"});
  Add("fill-box", "lines", "filled rectangle between two corners",
      {F("x1", "10", "corner column"), F("y1", "10", "corner row"), F("x2", "50", "corner column"),
       F("y2", "40", "corner row")},
      [](TreeCanvas& c, Reader& r) { return Box(c, r, true); },
      {"x1=40", "y1=30", "x2=150", "y2=100", "color=#ff8040"});

  Add("ellipse", "ellipses", "ellipse outline, axes along the image",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("rx", "40", "half width"),
       F("ry", "20", "half height")},
      Ellipse, {"cx=96", "cy=64", "rx=80", "ry=40", "color=#ffffff"});
  Add("circle", "ellipses", "circle outline",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("r", "20", "radius")},
      [](TreeCanvas& c, Reader& r) { return Circle(c, r, false); },
      {"cx=96", "cy=64", "r=50", "color=#ffffff"});
  Add("fill-circle", "ellipses", "filled disc (rows follow the pixel aspect)",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("r", "20", "radius")},
      [](TreeCanvas& c, Reader& r) { return Circle(c, r, true); },
      {"cx=96", "cy=64", "r=44", "color=#ff40c0"});
  Add("arc", "ellipses", "circular arc from start to end (degrees, counter-clockwise)",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("radius", "30", "radius"),
       F("start", "0", "start angle"), F("end", "270", "end angle"),
       I("segments", "50", "arc resolution: steps of max(1, span * segments / 360) degrees")},
      Arc, {"cx=96", "cy=64", "radius=50", "start=30", "end=300", "segments=4", "color=#80c0ff"});
  Add("pie", "ellipses", "pie slice at (x, y): both radii, then the arc",
      {F("x", "50", "centre column"), F("y", "50", "centre row"), F("radius", "30", "radius"),
       F("start", "0", "start angle"), F("sweep", "60", "sweep in degrees"),
       I("segments", "50", "arc resolution")},
      Pie, {"x=96", "y=70", "radius=55", "start=20", "sweep=140", "segments=2", "color=#80c0ff"});

  Add("poly-spiral", "turtle", "turtle spiral: count times forward, turn right, grow",
      {F("x", "50", "start column"), F("y", "50", "start row"), F("heading", "0", "degrees"),
       F("length", "2", "first step"), F("angle", "91", "right turn per step"),
       F("increment", "1", "growth per step"), I("count", "100", "steps")},
      Spiral,
      {"x=96", "y=64", "length=2", "angle=91", "increment=1.1", "count=110", "color=#ffe070"});
  Add("l-shape", "turtle", "outline of an L-tromino from its outer corner",
      {F("x", "20", "corner column"), F("y", "100", "corner row"), F("heading", "0", "degrees"),
       F("size", "60", "arm length")},
      LShape, {"x=56", "y=116", "size=100", "color=#ffe070"});
  Add("l-tiling", "turtle", "L-tromino tiling of the given depth",
      {F("x", "20", "corner column"), F("y", "100", "corner row"), F("size", "64", "arm length"),
       F("heading", "0", "degrees"), I("depth", "2", "-1 (square) to 10")},
      [](TreeCanvas& c, Reader& r) { return Tiling(c, r, false); },
      {"x=48", "y=120", "size=112", "depth=3", "color=#ffe070"});
  Add("l-cascade", "turtle", "square filled by L-tromino tilings of halving size",
      {F("x", "20", "corner column"), F("y", "100", "corner row"), F("size", "64", "side"),
       F("heading", "0", "degrees"), I("depth", "2", "-1 to 10")},
      [](TreeCanvas& c, Reader& r) { return Tiling(c, r, true); },
      {"x=40", "y=120", "size=112", "depth=3", "color=#ffe070"});

  Add("koch-line", "curves", "Koch curve from (x1, y1) to (x2, y2), bumps to the right",
      {F("x1", "10", "start column"), F("y1", "50", "start row"), F("x2", "180", "end column"),
       F("y2", "50", "end row"), I("depth", "3", "0 to 12")},
      KochLine, {"x1=180", "y1=90", "x2=12", "y2=90", "depth=4", "color=#a0ffff"});
  Add("koch-triangle", "curves", "Koch curves on a triangle's sides, bumps inward",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("r", "40", "radius")},
      KochTriangle, {"cx=96", "cy=72", "r=70", "color=#a0ffff"});
  Add("levy", "curves", "Levy C curve from (x, y); angle clockwise in degrees",
      {F("x", "20", "start column"), F("y", "40", "start row"), F("angle", "0", "degrees"),
       F("length", "100", "span"), I("depth", "10", "0 to 24")},
      [](TreeCanvas& c, Reader& r) { return Binary(c, r, false); },
      {"x=56", "y=40", "length=80", "depth=12", "color=#a0ffff"});
  Add("dragon", "curves", "dragon curve from (x, y); angle clockwise in degrees",
      {F("x", "20", "start column"), F("y", "40", "start row"), F("angle", "0", "degrees"),
       F("length", "100", "span"), I("depth", "10", "0 to 24"), I("side", "0", "0 or 1")},
      [](TreeCanvas& c, Reader& r) { return Binary(c, r, true); },
      {"x=52", "y=52", "length=96", "depth=12", "color=#a0ffff"});
  Add("hilbert", "curves", "Hilbert curve of unit steps `step` from (x, y)",
      {F("x", "0", "start column"), F("y", "0", "start row"), F("step", "4", "unit step"),
       I("orientation", "0", "0 to 3"), I("depth", "4", "0 to 12")},
      [](TreeCanvas& c, Reader& r) { return Hilbert(c, r, false); },
      {"x=34", "y=4", "step=4", "depth=5", "color=#a0ffff"});
  Add("hilbert-square", "curves", "Hilbert curve whose depth 6 spans size",
      {F("x", "0", "start column"), F("y", "0", "start row"), F("size", "63", "span at depth 6"),
       I("orientation", "0", "0 to 3"), I("depth", "6", "0 to 12")},
      [](TreeCanvas& c, Reader& r) { return Hilbert(c, r, true); },
      {"x=34", "y=4", "size=120", "depth=6", "color=#a0ffff"});
  Add("fractal-line", "curves", "midpoint-displacement line of the given dimension",
      {F("x1", "10", "start column"), F("y1", "50", "start row"), F("x2", "180", "end column"),
       F("y2", "50", "end row"), F("dimension", "1.3", "above 0.5; higher is rougher"),
       F("limit", "4", "squared length of the pieces"), F("scale", "0.3", "displacement")},
      FractalLine, {"x1=6", "y1=64", "x2=186", "y2=64", "dimension=1.2", "scale=0.35",
                    "color=#a0ffff"});
  Add("tree", "curves", "branching tree from a trunk at (x, y); angle counter-clockwise",
      {F("x", "96", "base column"), F("y", "127", "base row"), F("angle", "90", "degrees"),
       F("length", "50", "trunk"), F("spread", "60", "fan of the first branches, degrees"),
       I("depth", "5", "levels, 0 to 1024"), I("branches", "3", "children per branch"),
       F("length-scale", "0.4", "child length factor"),
       F("spread-scale", "1.2", "child spread factor")},
      Tree, {"x=96", "y=127", "length=56", "spread=70", "depth=6", "length-scale=0.6",
             "spread-scale=1.0", "color=#80ff80"});

  Add("polygon", "polygons", "regular n-gon, first vertex at the top",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("r", "40", "radius"),
       I("n", "6", "sides, 3 or more")},
      [](TreeCanvas& c, Reader& r) { return Polygon(c, r, false); },
      {"cx=96", "cy=66", "r=58", "n=7", "color=#ffb0ff"});
  Add("polygon-web", "polygons", "regular n-gon with all its diagonals",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("r", "40", "radius"),
       I("n", "7", "sides, 3 to 4096")},
      [](TreeCanvas& c, Reader& r) { return Polygon(c, r, true); },
      {"cx=96", "cy=66", "r=58", "n=9", "color=#ffb0ff"});
  Add("rose", "polygons", "rose curve with petal factor k",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("radius", "40", "radius"),
       I("k", "3", "petal factor, 1 or more"), I("segments", "50", "segments per 2 pi / k")},
      Rose, {"cx=96", "cy=64", "radius=58", "k=5", "color=#ffb0ff"});
  Add("superellipse", "polygons", "|x/a|^n + |y/b|^n = 1",
      {F("cx", "50", "centre column"), F("cy", "50", "centre row"), F("a", "40", "half width"),
       F("b", "30", "half height"), F("n", "4", "exponent, above 0"),
       I("segments", "50", "segments per quarter + 1, 2 or more")},
      Superellipse, {"cx=96", "cy=64", "a=80", "b=50", "n=0.6", "color=#ffb0ff"});
}
