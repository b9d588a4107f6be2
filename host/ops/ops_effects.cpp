// Raster effects as runner operations: block transfer and reduction, the
// warp and its transforms, saturation, mosaic and the Mandelbrot set.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "host/ops/registry.h"
#include "platform/module.h"
#include "resources/zarn_resources.h"

namespace {
using zarn::ops::Args;
using zarn::ops::Context;
using zarn::ops::Kind;
using zarn::ops::Operation;
using zarn::ops::Param;

using Body = bool (*)(Canvas& canvas, const Args& args, std::string& error);

// Builds the canvas, runs the body and stores the result when it succeeds.
bool OnCanvas(Bitmap& bitmap, const Args& args, const Context& context, std::string& error,
              Body body) {
  Canvas canvas(context.window, nullptr, &bitmap);
  if (!canvas.HasPixels()) {
    error = "not enough memory for the canvas";
    return false;
  }
  if (!body(canvas, args, error)) return false;
  canvas.Store();
  return true;
}

std::string Word(const std::string& name, float v) {
  char text[64];
  std::snprintf(text, sizeof(text), "%s=%g", name.c_str(), static_cast<double>(v));
  return text;
}
std::string Word(const std::string& name, int v) { return name + "=" + std::to_string(v); }

bool Factor(const Args& args, const std::string& name, float& out, std::string& error) {
  out = args.Float(name);
  if (out > 0.0f && out <= 1.0f) return true;
  error = Word(name, out) + ": must be above 0 and at most 1";
  return false;
}

bool Finite(const Args& args, const std::string& name, float& out, std::string& error) {
  out = args.Float(name);
  if (std::isfinite(out)) return true;
  error = Word(name, out) + ": must be a finite number";
  return false;
}

// Anchor codes each transform accepts.
bool Anchor(const Args& args, bool topLeft, int& out, std::string& error) {
  out = args.Int("anchor");
  if (out == 0 || out == 1 || out == -1 || (topLeft && out == 2)) return true;
  error = Word("anchor", out) + (topLeft ? ": must be 0, 1, -1 or 2" : ": must be 0, 1 or -1");
  return false;
}

// id=-1 selects every pixel; other ids read the image's object-id channel.
bool Select(Canvas& canvas, const Args& args, int& id, std::string& error) {
  id = args.Int("id");
  if (id == -1) return true;
  if (!canvas.RequestChannel(BMM_CHAN_U16)) {
    error = Word("id", id) + ": the image has no object-id channel";
    return false;
  }
  return true;
}

const Param kBackground{"background", Kind::Color, "0,0,0,0",
                        "second colour the uncovered pixels get (r,g,b,a or #rrggbbaa)"};
const Param kId{"id", Kind::Int, "-1", "object id of the pixels to change; -1 for all"};

void Add(const char* name, const char* family, const char* summary, std::vector<Param> params,
         Body body, std::vector<std::string> gallery) {
  zarn::ops::Register(Operation{
      name, family, summary, std::move(params),
      [body](Bitmap& b, const Args& a, const Context& c, std::string& e) {
        return OnCanvas(b, a, c, e, body);
      },
      std::move(gallery)});
}

bool RunClear(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("color"));
  canvas.Clear();
  return true;
}

bool RunCopyBlock(Canvas& canvas, const Args& args, std::string& error) {
  const int w = args.Int("w"), h = args.Int("h");
  if (w < 1 || h < 1 || static_cast<long long>(w) * h > (1LL << 28)) {
    error = Word("w", w) + " " + Word("h", h) + ": the block must have 1 to 2^28 pixels";
    return false;
  }
  std::vector<BMM_Color_64> block(static_cast<std::size_t>(w) * h, BMM_Color_64{});
  canvas.CopyBlock(args.Int("x"), args.Int("y"), w, h, block.data());
  canvas.PasteBlock(args.Int("to-x"), args.Int("to-y"), w, h, block.data());
  return true;
}

bool RunReduce(Canvas& canvas, const Args& args, std::string& error) {
  float fx, fy;
  if (!Factor(args, "fx", fx, error) || !Factor(args, "fy", fy, error)) return false;
  canvas.SetSecondColor(args.Color("background"));
  canvas.Reduce(args.Int("x"), args.Int("y"), fx, fy);
  return true;
}

bool RunReduceCentered(Canvas& canvas, const Args& args, std::string& error) {
  float fx, fy;
  if (!Factor(args, "fx", fx, error) || !Factor(args, "fy", fy, error)) return false;
  canvas.SetSecondColor(args.Color("background"));
  canvas.ReduceCentered(fx, fy);
  return true;
}

bool RunLogo(Canvas& canvas, const Args& args, std::string& error) {
  canvas.penPos = Point2(args.Float("x"), args.Float("y"));
  if (canvas.DrawBitmapResource(ZARN_LOGO_BITMAP)) return true;
  error = "the logo bitmap (resource " + std::to_string(ZARN_LOGO_BITMAP) + ") could not be loaded";
  return false;
}

bool RunWarp(Canvas& canvas, const Args& args, std::string& error) {
  float c[8];
  static const char* const names[8] = {"x0", "y0", "x1", "y1", "x2", "y2", "x3", "y3"};
  for (int i = 0; i < 8; ++i)
    if (!Finite(args, names[i], c[i], error)) return false;
  // Corners are given as fractions of the picture's size.
  const float w = static_cast<float>(canvas.width), h = static_cast<float>(canvas.height);
  canvas.SetSecondColor(args.Color("background"));
  canvas.Warp(c[0] * w, c[1] * h, c[2] * w, c[3] * h, c[4] * w, c[5] * h, c[6] * w, c[7] * h);
  return true;
}

bool RunScale(Canvas& canvas, const Args& args, std::string& error) {
  int anchor;
  float sx, sy;
  if (!Anchor(args, true, anchor, error) || !Finite(args, "sx", sx, error) ||
      !Finite(args, "sy", sy, error))
    return false;
  canvas.SetSecondColor(args.Color("background"));
  canvas.ScaleImage(anchor, sx, sy);
  return true;
}

bool RunRotate(Canvas& canvas, const Args& args, std::string& error) {
  int anchor;
  float degrees;
  if (!Anchor(args, false, anchor, error) || !Finite(args, "degrees", degrees, error)) return false;
  canvas.SetSecondColor(args.Color("background"));
  canvas.RotateImage(anchor, degrees);
  return true;
}

template <bool Vertical>
bool RunTilt(Canvas& canvas, const Args& args, std::string& error) {
  int anchor;
  float degrees, k;
  if (!Anchor(args, false, anchor, error) || !Finite(args, "degrees", degrees, error) ||
      !Finite(args, "k", k, error))
    return false;
  canvas.SetSecondColor(args.Color("background"));
  if (Vertical) canvas.TiltVertical(anchor, degrees, k);
  else canvas.TiltHorizontal(anchor, degrees, k);
  return true;
}

bool RunTile(Canvas& canvas, const Args& args, std::string& error) {
  const int mode = args.Int("mode");
  if (mode < 0 || mode > 3) {
    error = Word("mode", mode) + ": must be 0 (top-left), 1 (bottom-right), 2 (bottom-left) or 3 (top-right)";
    return false;
  }
  float fx, fy;
  if (!Finite(args, "fx", fx, error) || !Finite(args, "fy", fy, error)) return false;
  if (!(fx >= 1.0f) || !(fy >= 1.0f)) {
    error = Word("fx", fx) + " " + Word("fy", fy) + ": tile counts must be at least 1";
    return false;
  }
  canvas.SetSecondColor(args.Color("background"));
  canvas.TileImage(mode, fx, fy);
  return true;
}

bool RunSaturation(Canvas& canvas, const Args& args, std::string& error) {
  int id;
  if (!Select(canvas, args, id, error)) return false;
  canvas.AdjustSaturation(args.Int("percent"), id);
  return true;
}

bool RunMosaic(Canvas& canvas, const Args& args, std::string& error) {
  const int cell = args.Int("cell");
  const int height = args.Int("cell-height") == 0 ? cell : args.Int("cell-height");
  if (cell < 1 || height < 1) {
    error = Word("cell", cell) + " " + Word("cell-height", height) + ": cell sizes must be at least 1";
    return false;
  }
  int id;
  if (!Select(canvas, args, id, error)) return false;
  canvas.Mosaic(cell, height, id);
  return true;
}

bool RunMandelbrot(Canvas& canvas, const Args& args, std::string& error) {
  float x0, y0, x1, y1;
  if (!Finite(args, "x0", x0, error) || !Finite(args, "y0", y0, error) ||
      !Finite(args, "x1", x1, error) || !Finite(args, "y1", y1, error))
    return false;
  const int iterations = args.Int("iterations");
  if (iterations < 1) {
    error = Word("iterations", iterations) + ": must be at least 1";
    return false;
  }
  const int cols = args.Int("cols") == 0 ? canvas.width : args.Int("cols");
  const int rows = args.Int("rows") == 0 ? canvas.height : args.Int("rows");
  if (cols < 2 || rows < 2) {
    error = Word("cols", cols) + " " + Word("rows", rows) + ": the grid needs at least 2 x 2 points";
    return false;
  }
  canvas.RenderMandelbrot(x0, y0, x1, y1, iterations, cols, rows);
  return true;
}

}  // namespace

ZARN_REGISTER_OPERATIONS {
  Add("clear", "blocks", "fill the picture with one colour",
      {{"color", Kind::Color, "0,0,0,65535", "fill colour"}}, RunClear, {"color=#304878"});
  Add("copy-block", "blocks", "copy a block of pixels to another place (clipped at the edges)",
      {{"x", Kind::Int, "0", "left column of the block"},
       {"y", Kind::Int, "0", "top row of the block"},
       {"w", Kind::Int, "64", "block width"},
       {"h", Kind::Int, "64", "block height"},
       {"to-x", Kind::Int, "64", "where the block's left column goes"},
       {"to-y", Kind::Int, "64", "where the block's top row goes"}},
      RunCopyBlock, {"x=0", "y=0", "w=96", "h=64", "to-x=96", "to-y=64"});
  Add("reduce", "blocks", "shrink the picture by cell means and place it at (x, y)",
      {{"fx", Kind::Float, "0.5", "width factor, above 0 and at most 1"},
       {"fy", Kind::Float, "0.5", "height factor, above 0 and at most 1"},
       {"x", Kind::Int, "0", "left column of the shrunk picture"},
       {"y", Kind::Int, "0", "top row of the shrunk picture"},
       kBackground},
      RunReduce, {"fx=0.5", "fy=0.5", "x=8", "y=8"});
  Add("reduce-centered", "blocks", "shrink the picture by cell means, centred",
      {{"fx", Kind::Float, "0.5", "width factor, above 0 and at most 1"},
       {"fy", Kind::Float, "0.5", "height factor, above 0 and at most 1"},
       kBackground},
      RunReduceCentered, {"fx=0.25", "fy=0.5"});
  // Where modules carry no bitmap resources the runner leaves the operation
  // out rather than offer one that always fails.
  if (platform::HasModuleResources())
    Add("logo", "blocks", "draw the library's logo (bitmap resource 102) at (x, y)",
        {{"x", Kind::Float, "0", "left column"}, {"y", Kind::Float, "0", "top row"}}, RunLogo,
        {"x=31", "y=48"});

  Add("warp", "warp", "map the picture onto four corners (fractions of the size)",
      {{"x0", Kind::Float, "0", "top-left corner goes to x0 * width"},
       {"y0", Kind::Float, "0", "... and y0 * height"},
       {"x1", Kind::Float, "1", "bottom-right corner x"},
       {"y1", Kind::Float, "1", "bottom-right corner y"},
       {"x2", Kind::Float, "0", "bottom-left corner x"},
       {"y2", Kind::Float, "1", "bottom-left corner y"},
       {"x3", Kind::Float, "1", "top-right corner x"},
       {"y3", Kind::Float, "0", "top-right corner y"},
       kBackground},
      RunWarp, {"x0=0.2", "y0=0.1", "x1=0.9", "y1=0.95", "x2=0.05", "y2=0.8", "x3=1", "y3=0"});
  const Param anchorAll{"anchor", Kind::Int, "0",
                        "fixed point: 0 centre, 1 top-right, -1 bottom-left, 2 top-left"};
  const Param anchor{"anchor", Kind::Int, "0", "fixed point: 0 centre, 1 top-right, -1 bottom-left"};
  const Param anchorRows{"anchor", Kind::Int, "0",
                         "fixed edge: 0 the middle row, 1 the top edge, -1 the bottom edge"};
  const Param anchorColumns{"anchor", Kind::Int, "0",
                            "fixed edge: 0 the middle column, 1 the right edge, -1 the left edge"};
  Add("scale", "warp", "scale the picture about an anchor",
      {anchorAll, {"sx", Kind::Float, "0.5", "width factor"},
       {"sy", Kind::Float, "0.5", "height factor"}, kBackground},
      RunScale, {"anchor=0", "sx=0.6", "sy=0.8"});
  Add("rotate", "warp", "rotate the picture counter-clockwise about an anchor",
      {anchor, {"degrees", Kind::Float, "30", "angle, counter-clockwise"}, kBackground}, RunRotate,
      {"anchor=0", "degrees=30"});
  Add("tilt-vertical", "warp", "tilt the picture back about a horizontal axis",
      {anchorRows, {"degrees", Kind::Float, "30", "tilt angle"},
       {"k", Kind::Float, "0.5", "perspective strength"}, kBackground},
      RunTilt<true>, {"anchor=1", "degrees=40", "k=0.5"});
  Add("tilt-horizontal", "warp", "tilt the picture about a vertical axis",
      {anchorColumns, {"degrees", Kind::Float, "30", "tilt angle"},
       {"k", Kind::Float, "0.5", "perspective strength"}, kBackground},
      RunTilt<false>, {"anchor=-1", "degrees=40", "k=0.5"});
  Add("tile", "warp", "repeat the shrunk picture fx by fy times from a corner",
      {{"mode", Kind::Int, "0", "start corner: 0 top-left, 1 bottom-right, 2 bottom-left, 3 top-right"},
       {"fx", Kind::Float, "2", "tiles across, at least 1"},
       {"fy", Kind::Float, "2", "tiles down, at least 1"},
       kBackground},
      RunTile, {"mode=0", "fx=2.5", "fy=2.5"});

  Add("saturation", "colour", "change the colour saturation (0 grey, 100 unchanged)",
      {{"percent", Kind::Int, "50", "saturation in percent; above 100 strengthens"}, kId},
      RunSaturation, {"percent=20"});
  Add("mosaic", "colour", "replace each cell by the mean of its opaque pixels",
      {{"cell", Kind::Int, "16", "cell width (and height unless cell-height is given)"},
       {"cell-height", Kind::Int, "0", "cell height; 0 for the same as cell"},
       kId},
      RunMosaic, {"cell=12"});
  Add("mandelbrot", "generators", "render the Mandelbrot set in grey levels",
      {{"x0", Kind::Float, "-2.5", "real part at the left column"},
       {"y0", Kind::Float, "-1.25", "imaginary part at the top row"},
       {"x1", Kind::Float, "1", "real part at the right column"},
       {"y1", Kind::Float, "1.25", "imaginary part at the bottom row"},
       {"iterations", Kind::Int, "256", "iteration limit, at least 1"},
       {"cols", Kind::Int, "0", "grid columns; 0 for the picture width"},
       {"rows", Kind::Int, "0", "grid rows; 0 for the picture height"}},
      RunMandelbrot, {"x0=-2.2", "y0=-1.1", "x1=0.8", "y1=1.1", "iterations=64"});
}
