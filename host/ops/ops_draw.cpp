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

namespace zarn::ops {
namespace {

// Larger radii draw nothing; say so instead.
constexpr double kMaxRadius = 1048576.0;

using Draw = void (*)(TreeCanvas& canvas, const Args& args);

// Every drawing takes its colour the same way and refuses nothing the table
// lets through.
void Add(Catalogue& catalogue, const char* name, const char* family, const char* summary,
         std::vector<Param> params, Draw draw, std::vector<std::string> gallery) {
  params.push_back(Color("color", "#ffffff", "drawing colour (#rrggbb or r,g,b,a)"));
  catalogue.Add(Operation{name, family, summary, std::move(params),
                          OnCanvas<TreeCanvas>([draw](TreeCanvas& canvas, const Args& args, std::string&) {
                            canvas.SetDrawColor(args.Color("color"));
                            draw(canvas, args);
                            return true;
                          }),
                          std::move(gallery), Output::Drawing});
}

// ---- Pen and lines ----------------------------------------------------------

void Line(TreeCanvas& c, const Args& a) {
  c.DrawLine(a.Float("x1"), a.Float("y1"), a.Float("x2"), a.Float("y2"));
}

void HLine(TreeCanvas& c, const Args& a) { c.DrawHLine(a.Float("x"), a.Float("y"), a.Float("length")); }

void VLine(TreeCanvas& c, const Args& a) { c.DrawVLine(a.Float("x"), a.Float("y"), a.Float("length")); }

void Box(TreeCanvas& c, const Args& a) {
  c.DrawBox(a.Float("x1"), a.Float("y1"), a.Float("x2"), a.Float("y2"));
}

void FillBox(TreeCanvas& c, const Args& a) {
  c.FillBox(a.Float("x1"), a.Float("y1"), a.Float("x2"), a.Float("y2"));
}

// ---- Ellipses, discs and arcs
// -------------------------------------------------

void Ellipse(TreeCanvas& c, const Args& a) {
  c.DrawEllipse(a.Float("cx"), a.Float("cy"), a.Float("rx"), a.Float("ry"));
}

void Circle(TreeCanvas& c, const Args& a) { c.DrawCircle(a.Float("cx"), a.Float("cy"), a.Float("r")); }

void FillCircle(TreeCanvas& c, const Args& a) { c.FillCircle(a.Float("cx"), a.Float("cy"), a.Float("r")); }

void Arc(TreeCanvas& c, const Args& a) {
  c.arcSegments = a.Int("segments");
  c.DrawArc(a.Float("cx"), a.Float("cy"), a.Float("radius"), a.Float("start"), a.Float("end"));
}

void Pie(TreeCanvas& c, const Args& a) {
  c.arcSegments = a.Int("segments");
  c.MovePen(a.Float("x"), a.Float("y"));
  c.DrawPie(a.Float("radius"), a.Float("start"), a.Float("sweep"));
}

// ---- Turtle and L-tromino tilings -------------------------------------------

void Spiral(TreeCanvas& c, const Args& a) {
  c.MovePen(a.Float("x"), a.Float("y"));
  c.heading = a.Float("heading");
  c.DrawPolySpiral(a.Float("length"), a.Float("angle"), a.Float("increment"), a.Int("count"));
}

void LShape(TreeCanvas& c, const Args& a) {
  c.MovePen(a.Float("x"), a.Float("y"));
  c.heading = a.Float("heading");
  c.DrawLShape(a.Float("size"));
}

void LTiling(TreeCanvas& c, const Args& a) {
  c.DrawLTiling(a.Float("x"), a.Float("y"), a.Float("size"), a.Float("heading"), a.Int("depth"));
}

void LCascade(TreeCanvas& c, const Args& a) {
  c.DrawLCascade(a.Float("x"), a.Float("y"), a.Float("size"), a.Float("heading"), a.Int("depth"));
}

// ---- Recursive curves and the tree
// ----------------------------------------------

void KochLine(TreeCanvas& c, const Args& a) {
  c.DrawKochLine(Point2(a.Float("x1"), a.Float("y1")), Point2(a.Float("x2"), a.Float("y2")), a.Int("depth"));
}

void KochTriangle(TreeCanvas& c, const Args& a) {
  c.DrawKochTriangle(a.Float("cx"), a.Float("cy"), a.Float("r"));
}

void Levy(TreeCanvas& c, const Args& a) {
  c.MovePen(a.Float("x"), a.Float("y"));
  c.DrawLevyCurve(a.Float("angle"), a.Float("length"), a.Int("depth"));
}

void Dragon(TreeCanvas& c, const Args& a) {
  c.MovePen(a.Float("x"), a.Float("y"));
  c.DrawDragonCurve(a.Float("angle"), a.Float("length"), a.Int("depth"), a.Int("side"));
}

void Hilbert(TreeCanvas& c, const Args& a) {
  c.MovePen(a.Float("x"), a.Float("y"));
  c.DrawHilbertCurve(a.Float("step"), a.Int("orientation"), a.Int("depth"));
}

void HilbertSquare(TreeCanvas& c, const Args& a) {
  c.MovePen(a.Float("x"), a.Float("y"));
  c.DrawHilbertSquare(a.Float("size"), a.Int("orientation"), a.Int("depth"));
}

void FractalLine(TreeCanvas& c, const Args& a) {
  c.DrawFractalLine(a.Float("x1"), a.Float("y1"), a.Float("x2"), a.Float("y2"), a.Float("dimension"),
                    a.Float("limit"), a.Float("scale"));
}

void Tree(TreeCanvas& c, const Args& a) {
  c.branchCount = a.Int("branches");
  c.lengthScale = a.Float("length-scale");
  c.spreadScale = a.Float("spread-scale");
  c.DrawTree(Point2(a.Float("x"), a.Float("y")), a.Float("angle"), a.Float("length"), a.Float("spread"),
             a.Int("depth"));
}

// ---- Polygons and parametric curves -----------------------------------------

void Polygon(TreeCanvas& c, const Args& a) {
  c.DrawRegularPolygon(a.Float("cx"), a.Float("cy"), a.Float("r"), a.Int("n"));
}

void PolygonWeb(TreeCanvas& c, const Args& a) {
  c.DrawPolygonWeb(a.Float("cx"), a.Float("cy"), a.Float("r"), a.Int("n"));
}

void Rose(TreeCanvas& c, const Args& a) {
  c.arcSegments = a.Int("segments");
  c.DrawRose(a.Float("cx"), a.Float("cy"), a.Float("radius"), a.Int("k"));
}

void Superellipse(TreeCanvas& c, const Args& a) {
  c.arcSegments = a.Int("segments");
  c.DrawSuperellipse(a.Float("cx"), a.Float("cy"), a.Float("a"), a.Float("b"), a.Float("n"));
}

}  // namespace

void AddDrawingOperations(Catalogue& c) {
  // Gallery tiles are 192 x 128.
  Add(c, "line", "lines", "a line from (x1, y1) to (x2, y2)",
      {Float("x1", "10", "start column"), Float("y1", "10", "start row"), Float("x2", "180", "end column"),
       Float("y2", "115", "end row")},
      Line, {"x1=8", "y1=120", "x2=184", "y2=12", "color=#ffee40"});
  Add(c, "hline", "lines", "a run of pixels to the right",
      {Float("x", "0", "start column"), Float("y", "0", "row"), Float("length", "10", "pixels")}, HLine,
      {"x=16", "y=64", "length=160", "color=#40ff80"});
  Add(c, "vline", "lines", "a run of pixels downward",
      {Float("x", "0", "column"), Float("y", "0", "start row"), Float("length", "10", "pixels")}, VLine,
      {"x=96", "y=8", "length=112", "color=#40ff80"});
  Add(c, "box", "lines", "rectangle outline between two corners",
      {Float("x1", "10", "corner column"), Float("y1", "10", "corner row"),
       Float("x2", "50", "corner column"), Float("y2", "40", "corner row")},
      Box, {"x1=20", "y1=16", "x2=172", "y2=112", "color=#ff8040"});
  Add(c, "fill-box", "lines", "filled rectangle between two corners",
      {Float("x1", "10", "corner column"), Float("y1", "10", "corner row"),
       Float("x2", "50", "corner column"), Float("y2", "40", "corner row")},
      FillBox, {"x1=40", "y1=30", "x2=150", "y2=100", "color=#ff8040"});

  Add(c, "ellipse", "ellipses", "ellipse outline, axes along the image",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"),
       Float("rx", "40", "half width").Range(-kMaxRadius, kMaxRadius),
       Float("ry", "20", "half height").Range(-kMaxRadius, kMaxRadius)},
      Ellipse, {"cx=96", "cy=64", "rx=80", "ry=40", "color=#ffffff"});
  Add(c, "circle", "ellipses", "circle outline",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"), Float("r", "20", "radius")},
      Circle, {"cx=96", "cy=64", "r=50", "color=#ffffff"});
  Add(c, "fill-circle", "ellipses", "filled disc (rows follow the pixel aspect)",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"), Float("r", "20", "radius")},
      FillCircle, {"cx=96", "cy=64", "r=44", "color=#ff40c0"});
  Add(c, "arc", "ellipses", "circular arc from start to end (degrees, counter-clockwise)",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"), Float("radius", "30", "radius"),
       Float("start", "0", "start angle"), Float("end", "270", "end angle"),
       Int("segments", "50", "arc resolution: steps of max(1, span * segments / 360) degrees")
           .Range(1, 3600)},
      Arc, {"cx=96", "cy=64", "radius=50", "start=30", "end=300", "segments=4", "color=#80c0ff"});
  Add(c, "pie", "ellipses", "pie slice at (x, y): both radii, then the arc",
      {Float("x", "50", "centre column"), Float("y", "50", "centre row"), Float("radius", "30", "radius"),
       Float("start", "0", "start angle"), Float("sweep", "60", "sweep in degrees"),
       Int("segments", "50", "arc resolution").Range(1, 3600)},
      Pie, {"x=96", "y=70", "radius=55", "start=20", "sweep=140", "segments=2", "color=#80c0ff"});

  Add(c, "poly-spiral", "turtle", "turtle spiral: count times forward, turn right, grow",
      {Float("x", "50", "start column"), Float("y", "50", "start row"), Float("heading", "0", "degrees"),
       Float("length", "2", "first step"), Float("angle", "91", "right turn per step"),
       Float("increment", "1", "growth per step"), Int("count", "100", "steps").Range(0, 1 << 24)},
      Spiral, {"x=96", "y=64", "length=2", "angle=91", "increment=1.1", "count=110", "color=#ffe070"});
  Add(c, "l-shape", "turtle", "outline of an L-tromino from its outer corner",
      {Float("x", "20", "corner column"), Float("y", "100", "corner row"), Float("heading", "0", "degrees"),
       Float("size", "60", "arm length")},
      LShape, {"x=56", "y=116", "size=100", "color=#ffe070"});
  Add(c, "l-tiling", "turtle", "L-tromino tiling of the given depth",
      {Float("x", "20", "corner column"), Float("y", "100", "corner row"), Float("size", "64", "arm length"),
       Float("heading", "0", "degrees"), Int("depth", "2", "levels; -1 draws a square").Range(-1, 10)},
      LTiling, {"x=48", "y=120", "size=112", "depth=3", "color=#ffe070"});
  Add(c, "l-cascade", "turtle", "square filled by L-tromino tilings of halving size",
      {Float("x", "20", "corner column"), Float("y", "100", "corner row"), Float("size", "64", "side"),
       Float("heading", "0", "degrees"), Int("depth", "2", "depth of the largest tiling").Range(-1, 10)},
      LCascade, {"x=40", "y=120", "size=112", "depth=3", "color=#ffe070"});

  Add(c, "koch-line", "curves", "Koch curve from (x1, y1) to (x2, y2), bumps to the right",
      {Float("x1", "10", "start column"), Float("y1", "50", "start row"), Float("x2", "180", "end column"),
       Float("y2", "50", "end row"), Int("depth", "3", "levels").Range(0, 12)},
      KochLine, {"x1=180", "y1=90", "x2=12", "y2=90", "depth=4", "color=#a0ffff"});
  Add(c, "koch-triangle", "curves", "Koch curves on a triangle's sides, bumps inward",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"), Float("r", "40", "radius")},
      KochTriangle, {"cx=96", "cy=72", "r=70", "color=#a0ffff"});
  Add(c, "levy", "curves", "Levy C curve from (x, y); angle clockwise in degrees",
      {Float("x", "20", "start column"), Float("y", "40", "start row"), Float("angle", "0", "degrees"),
       Float("length", "100", "span"), Int("depth", "10", "levels").Range(0, 24)},
      Levy, {"x=56", "y=40", "length=80", "depth=12", "color=#a0ffff"});
  Add(c, "dragon", "curves", "dragon curve from (x, y); angle clockwise in degrees",
      {Float("x", "20", "start column"), Float("y", "40", "start row"), Float("angle", "0", "degrees"),
       Float("length", "100", "span"), Int("depth", "10", "levels").Range(0, 24),
       Int("side", "0", "which way the first fold turns").OneOf({0, 1})},
      Dragon, {"x=52", "y=52", "length=96", "depth=12", "color=#a0ffff"});
  Add(c, "hilbert", "curves", "Hilbert curve of unit steps `step` from (x, y)",
      {Float("x", "0", "start column"), Float("y", "0", "start row"), Float("step", "4", "unit step"),
       Int("orientation", "0", "quarter turns").Range(0, 3), Int("depth", "4", "levels").Range(0, 12)},
      Hilbert, {"x=34", "y=4", "step=4", "depth=5", "color=#a0ffff"});
  Add(c, "hilbert-square", "curves", "Hilbert curve whose depth 6 spans size",
      {Float("x", "0", "start column"), Float("y", "0", "start row"), Float("size", "63", "span at depth 6"),
       Int("orientation", "0", "quarter turns").Range(0, 3), Int("depth", "6", "levels").Range(0, 12)},
      HilbertSquare, {"x=34", "y=4", "size=120", "depth=6", "color=#a0ffff"});
  Add(c, "fractal-line", "curves", "midpoint-displacement line of the given dimension",
      {Float("x1", "10", "start column"), Float("y1", "50", "start row"), Float("x2", "180", "end column"),
       Float("y2", "50", "end row"), Float("dimension", "1.3", "higher is rougher").Above(0.5),
       Float("limit", "4", "squared length of the pieces").Above(0), Float("scale", "0.3", "displacement")},
      FractalLine, {"x1=6", "y1=64", "x2=186", "y2=64", "dimension=1.2", "scale=0.35", "color=#a0ffff"});
  Add(c, "tree", "curves", "branching tree from a trunk at (x, y); angle counter-clockwise",
      {Float("x", "96", "base column"), Float("y", "127", "base row"), Float("angle", "90", "degrees"),
       Float("length", "50", "trunk"), Float("spread", "60", "fan of the first branches, degrees"),
       Int("depth", "5", "levels").Range(0, 1024),
       Int("branches", "3", "children per branch").Range(0, 1 << 24),
       Float("length-scale", "0.4", "child length factor"),
       Float("spread-scale", "1.2", "child spread factor")},
      Tree,
      {"x=96", "y=127", "length=56", "spread=70", "depth=6", "length-scale=0.6", "spread-scale=1.0",
       "color=#80ff80"});

  Add(c, "polygon", "polygons", "regular n-gon, first vertex at the top",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"), Float("r", "40", "radius"),
       Int("n", "6", "sides").Range(3, 1 << 24)},
      Polygon, {"cx=96", "cy=66", "r=58", "n=7", "color=#ffb0ff"});
  Add(c, "polygon-web", "polygons", "regular n-gon with all its diagonals",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"), Float("r", "40", "radius"),
       Int("n", "7", "sides").Range(3, 4096)},
      PolygonWeb, {"cx=96", "cy=66", "r=58", "n=9", "color=#ffb0ff"});
  Add(c, "rose", "polygons", "rose curve with petal factor k",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"), Float("radius", "40", "radius"),
       Int("k", "3", "petal factor").Range(1, 4096),
       Int("segments", "50", "segments per 2 pi / k").Range(1, 4096)},
      Rose, {"cx=96", "cy=64", "radius=58", "k=5", "color=#ffb0ff"});
  Add(c, "superellipse", "polygons", "|x/a|^n + |y/b|^n = 1",
      {Float("cx", "50", "centre column"), Float("cy", "50", "centre row"), Float("a", "40", "half width"),
       Float("b", "30", "half height"), Float("n", "4", "exponent").Above(0),
       Int("segments", "50", "segments per quarter + 1").Range(2, 1 << 22)},
      Superellipse, {"cx=96", "cy=64", "a=80", "b=50", "n=0.6", "color=#ffb0ff"});
}

}  // namespace zarn::ops
