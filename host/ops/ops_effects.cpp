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

namespace zarn::ops {
namespace {

using Body = bool (*)(Canvas& canvas, const Args& args, std::string& error);

std::string Word(const std::string& name, int v) { return name + "=" + std::to_string(v); }

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

Param Background() {
  return Color("background", "0,0,0,0", "second colour the uncovered pixels get (r,g,b,a or #rrggbbaa)");
}
Param Id() { return Int("id", "-1", "object id of the pixels to change; -1 for all"); }

void Add(Catalogue& catalogue, const char* name, const char* family, const char* summary,
         std::vector<Param> params, Body body, std::vector<std::string> gallery) {
  catalogue.Add(Operation{name, family, summary, std::move(params), OnCanvas<Canvas>(body),
                          std::move(gallery), Output::Picture});
}

bool RunClear(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("color"));
  canvas.Clear();
  return true;
}

bool RunCopyBlock(Canvas& canvas, const Args& args, std::string& error) {
  const int w = args.Int("w"), h = args.Int("h");
  if (static_cast<long long>(w) * h > (1LL << 28)) {
    error = Word("w", w) + " " + Word("h", h) + ": the block has more than 2^28 pixels";
    return false;
  }
  std::vector<BMM_Color_64> block(static_cast<std::size_t>(w) * h, BMM_Color_64{});
  canvas.CopyBlock(args.Int("x"), args.Int("y"), w, h, block.data());
  canvas.PasteBlock(args.Int("to-x"), args.Int("to-y"), w, h, block.data());
  return true;
}

bool RunReduce(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("background"));
  canvas.Reduce(args.Int("x"), args.Int("y"), args.Float("fx"), args.Float("fy"));
  return true;
}

bool RunReduceCentered(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("background"));
  canvas.ReduceCentered(args.Float("fx"), args.Float("fy"));
  return true;
}

bool RunLogo(Canvas& canvas, const Args& args, std::string& error) {
  canvas.penPos = Point2(args.Float("x"), args.Float("y"));
  if (canvas.DrawBitmapResource(ZARN_LOGO_BITMAP)) return true;
  error = "the logo bitmap (resource " + std::to_string(ZARN_LOGO_BITMAP) + ") could not be loaded";
  return false;
}

bool RunWarp(Canvas& canvas, const Args& args, std::string&) {
  // Corners are given as fractions of the picture's size.
  const float w = static_cast<float>(canvas.width), h = static_cast<float>(canvas.height);
  canvas.SetSecondColor(args.Color("background"));
  canvas.Warp(args.Float("x0") * w, args.Float("y0") * h, args.Float("x1") * w, args.Float("y1") * h,
              args.Float("x2") * w, args.Float("y2") * h, args.Float("x3") * w, args.Float("y3") * h);
  return true;
}

bool RunScale(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("background"));
  canvas.ScaleImage(args.Int("anchor"), args.Float("sx"), args.Float("sy"));
  return true;
}

bool RunRotate(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("background"));
  canvas.RotateImage(args.Int("anchor"), args.Float("degrees"));
  return true;
}

bool RunTiltVertical(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("background"));
  canvas.TiltVertical(args.Int("anchor"), args.Float("degrees"), args.Float("k"));
  return true;
}

bool RunTiltHorizontal(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("background"));
  canvas.TiltHorizontal(args.Int("anchor"), args.Float("degrees"), args.Float("k"));
  return true;
}

bool RunTile(Canvas& canvas, const Args& args, std::string&) {
  canvas.SetSecondColor(args.Color("background"));
  canvas.TileImage(args.Int("mode"), args.Float("fx"), args.Float("fy"));
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
  int id;
  if (!Select(canvas, args, id, error)) return false;
  canvas.Mosaic(cell, height, id);
  return true;
}

bool RunMandelbrot(Canvas& canvas, const Args& args, std::string& error) {
  const int cols = args.Int("cols") == 0 ? canvas.width : args.Int("cols");
  const int rows = args.Int("rows") == 0 ? canvas.height : args.Int("rows");
  if (cols < 2 || rows < 2) {
    error = Word("cols", cols) + " " + Word("rows", rows) + ": the grid needs at least 2 x 2 points";
    return false;
  }
  canvas.RenderMandelbrot(args.Float("x0"), args.Float("y0"), args.Float("x1"), args.Float("y1"),
                          args.Int("iterations"), cols, rows);
  return true;
}

}  // namespace

void AddEffectOperations(Catalogue& c) {
  Add(c, "clear", "blocks", "fill the picture with one colour",
      {Color("color", "0,0,0,65535", "fill colour")}, RunClear, {"color=#304878"});
  Add(c, "copy-block", "blocks", "copy a block of pixels to another place (clipped at the edges)",
      {Int("x", "0", "left column of the block"), Int("y", "0", "top row of the block"),
       Int("w", "64", "block width").Range(1, 1 << 28), Int("h", "64", "block height").Range(1, 1 << 28),
       Int("to-x", "64", "where the block's left column goes"),
       Int("to-y", "64", "where the block's top row goes")},
      RunCopyBlock, {"x=0", "y=0", "w=96", "h=64", "to-x=96", "to-y=64"});
  Add(c, "reduce", "blocks", "shrink the picture by cell means and place it at (x, y)",
      {Float("fx", "0.5", "width factor").Above(0).AtMost(1),
       Float("fy", "0.5", "height factor").Above(0).AtMost(1),
       Int("x", "0", "left column of the shrunk picture"), Int("y", "0", "top row of the shrunk picture"),
       Background()},
      RunReduce, {"fx=0.5", "fy=0.5", "x=8", "y=8"});
  Add(c, "reduce-centered", "blocks", "shrink the picture by cell means, centred",
      {Float("fx", "0.5", "width factor").Above(0).AtMost(1),
       Float("fy", "0.5", "height factor").Above(0).AtMost(1), Background()},
      RunReduceCentered, {"fx=0.25", "fy=0.5"});
  // Where modules carry no bitmap resources the runner leaves the operation
  // out rather than offer one that always fails.
  if (platform::HasModuleResources())
    Add(c, "logo", "blocks", "draw the library's logo (bitmap resource 102) at (x, y)",
        {Float("x", "0", "left column"), Float("y", "0", "top row")}, RunLogo, {"x=31", "y=48"});

  Add(c, "warp", "warp", "map the picture onto four corners (fractions of the size)",
      {Float("x0", "0", "top-left corner goes to x0 * width"), Float("y0", "0", "... and y0 * height"),
       Float("x1", "1", "bottom-right corner x"), Float("y1", "1", "bottom-right corner y"),
       Float("x2", "0", "bottom-left corner x"), Float("y2", "1", "bottom-left corner y"),
       Float("x3", "1", "top-right corner x"), Float("y3", "0", "top-right corner y"), Background()},
      RunWarp, {"x0=0.2", "y0=0.1", "x1=0.9", "y1=0.95", "x2=0.05", "y2=0.8", "x3=1", "y3=0"});
  Add(c, "scale", "warp", "scale the picture about an anchor",
      {Int("anchor", "0", "fixed point: 0 centre, 1 top-right, -1 bottom-left, 2 top-left")
           .OneOf({0, 1, -1, 2}),
       Float("sx", "0.5", "width factor"), Float("sy", "0.5", "height factor"), Background()},
      RunScale, {"anchor=0", "sx=0.6", "sy=0.8"});
  Add(c, "rotate", "warp", "rotate the picture counter-clockwise about an anchor",
      {Int("anchor", "0", "fixed point: 0 centre, 1 top-right, -1 bottom-left").OneOf({0, 1, -1}),
       Float("degrees", "30", "angle, counter-clockwise"), Background()},
      RunRotate, {"anchor=0", "degrees=30"});
  Add(c, "tilt-vertical", "warp", "tilt the picture back about a horizontal axis",
      {Int("anchor", "0", "fixed edge: 0 the middle row, 1 the top edge, -1 the bottom edge")
           .OneOf({0, 1, -1}),
       Float("degrees", "30", "tilt angle"), Float("k", "0.5", "perspective strength"), Background()},
      RunTiltVertical, {"anchor=1", "degrees=40", "k=0.5"});
  Add(c, "tilt-horizontal", "warp", "tilt the picture about a vertical axis",
      {Int("anchor", "0",
           "fixed edge: 0 the middle column, 1 the right edge, -1 the left "
           "edge")
           .OneOf({0, 1, -1}),
       Float("degrees", "30", "tilt angle"), Float("k", "0.5", "perspective strength"), Background()},
      RunTiltHorizontal, {"anchor=-1", "degrees=40", "k=0.5"});
  Add(c, "tile", "warp", "repeat the shrunk picture fx by fy times from a corner",
      {Int("mode", "0",
           "start corner: 0 top-left, 1 bottom-right, 2 bottom-left, 3 "
           "top-right")
           .Range(0, 3),
       Float("fx", "2", "tiles across").AtLeast(1), Float("fy", "2", "tiles down").AtLeast(1), Background()},
      RunTile, {"mode=0", "fx=2.5", "fy=2.5"});

  Add(c, "saturation", "colour", "change the colour saturation (0 grey, 100 unchanged)",
      {Int("percent", "50", "saturation in percent; above 100 strengthens"), Id()}, RunSaturation,
      {"percent=20"});
  Add(c, "mosaic", "colour", "replace each cell by the mean of its opaque pixels",
      {Int("cell", "16", "cell width (and height unless cell-height is given)").AtLeast(1),
       Int("cell-height", "0", "cell height; 0 for the same as cell").AtLeast(0), Id()},
      RunMosaic, {"cell=12"});
  Add(c, "mandelbrot", "generators", "render the Mandelbrot set in grey levels",
      {Float("x0", "-2.5", "real part at the left column"),
       Float("y0", "-1.25", "imaginary part at the top row"),
       Float("x1", "1", "real part at the right column"),
       Float("y1", "1.25", "imaginary part at the bottom row"),
       Int("iterations", "256", "iteration limit").AtLeast(1),
       Int("cols", "0", "grid columns; 0 for the picture width").AtLeast(0),
       Int("rows", "0", "grid rows; 0 for the picture height").AtLeast(0)},
      RunMandelbrot, {"x0=-2.2", "y0=-1.1", "x1=0.8", "y1=1.1", "iterations=64"});
}

}  // namespace zarn::ops
