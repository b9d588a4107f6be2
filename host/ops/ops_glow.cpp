// Blur, depth of field and star glow as runner operations. The blurs and
// the sparkle read the picture as loaded and report each row to the
// context's window, so `zarn apply` shows their progress and stops them on
// Ctrl-C.
#include <string>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "host/ops/registry.h"

namespace zarn::ops {
namespace {

// Past this radius the star's square no longer fits 32-bit arithmetic.
constexpr int kMaxStarRadius = 46340;

std::string Word(const std::string &name, int v) { return name + "=" + std::to_string(v); }

// id=-1 selects every pixel; other ids read the image's object-id channel.
bool SelectId(Canvas &canvas, const Args &args, std::string &error) {
  const int id = args.Int("id");
  if (id == -1 || canvas.RequestChannel(BMM_CHAN_U16)) return true;
  error = Word("id", id) + ": the image has no object-id channel";
  return false;
}

bool NeedDepth(Canvas &canvas, std::string &error) {
  if (canvas.RequestChannel(BMM_CHAN_FLOAT)) return true;
  error = "the image has no depth channel (use an EXR with a Z channel)";
  return false;
}

Param Id() { return Int("id", "-1", "object id of the pixels to change; -1 for all"); }

std::vector<Param> StarParams(std::vector<Param> params) {
  params.push_back(Int("radius", "16", "spike length in pixels").Range(1, kMaxStarRadius));
  params.push_back(Int("rays", "4", "number of spikes").Range(1, Canvas::kMaxStarRays));
  params.push_back(Float("start-degrees", "0", "angle of the first spike, counter-clockwise from up"));
  return params;
}

bool RunBlur(SourceCanvas &canvas, const Args &args, std::string &error) {
  if (!SelectId(canvas, args, error)) return false;
  canvas.Blur(args.Int("id"), args.Int("radius"));
  return true;
}

bool RunDepthBlur(SourceCanvas &canvas, const Args &args, std::string &error) {
  if (!SelectId(canvas, args, error) || !NeedDepth(canvas, error)) return false;
  canvas.DepthBlur(args.Int("id"), args.Float("focus"), args.Float("range"), args.Int("max-radius"));
  return true;
}

bool RunDepthGrey(Canvas &canvas, const Args &args, std::string &error) {
  if (!SelectId(canvas, args, error) || !NeedDepth(canvas, error)) return false;
  canvas.DepthToGrey(args.Int("id"));
  return true;
}

bool RunStar(Canvas &canvas, const Args &args, std::string &) {
  canvas.DrawStar(args.Int("cx"), args.Int("cy"), args.Color("color"), args.Int("radius"), args.Int("rays"),
                  args.Float("start-degrees"));
  return true;
}

bool RunSparkle(SourceCanvas &canvas, const Args &args, std::string &error) {
  if (!SelectId(canvas, args, error)) return false;
  canvas.Sparkle(args.Int("id"), args.Int("use-colour"), args.Color("color"), args.Int("radius"),
                 args.Int("threshold"), args.Int("rays"), args.Float("start-degrees"));
  return true;
}

}  // namespace

void AddGlowOperations(Catalogue &c) {
  c.Add(Operation{
      "blur",
      "blur",
      "replace each pixel by the mean of the square around it (cut at the "
      "edges)",
      {Int("radius", "4", "half the side of the square; 0 leaves the picture as it is").AtLeast(0), Id()},
      OnCanvas<SourceCanvas>(RunBlur),
      {"radius=6"}});
  c.Add(Operation{
      "depth-blur",
      "blur",
      "blur by distance from a focus depth (needs a depth channel: an EXR with "
      "Z)",
      {Float("focus", "10", "distance (-z) kept sharp"),
       Float("range", "100", "distance span: max-radius is reached range/2 from the focus").Above(0),
       Int("max-radius", "8", "largest blur radius").AtLeast(0), Id()},
      OnCanvas<SourceCanvas>(RunDepthBlur),
      {"focus=12", "range=60", "max-radius=6"}});
  c.Add(Operation{"depth-grey",
                  "blur",
                  "show the depth channel as grey: nearest white, farthest and "
                  "no depth transparent",
                  {Id()},
                  OnCanvas<Canvas>(RunDepthGrey),
                  {}});
  c.Add(Operation{"star",
                  "glow",
                  "add a star of fading spikes around one pixel",
                  StarParams({Int("cx", "64", "centre column"), Int("cy", "64", "centre row"),
                              Color("color", "#ffffff", "light added at the centre (r,g,b,a or #rrggbbaa)")}),
                  OnCanvas<Canvas>(RunStar),
                  {"cx=96", "cy=64", "radius=56", "rays=6", "start-degrees=15", "color=#ffd070"}});
  c.Add(Operation{
      "sparkle",
      "glow",
      "add a star on every pixel at least as bright as the threshold",
      StarParams(
          {Int("threshold", "240", "brightness (largest of r, g, b on 0-255) a pixel needs").Range(0, 255),
           Int("use-colour", "0", "1: stars in color; 0: in the pixel's own colour").OneOf({0, 1}),
           Color("color", "#ffffff", "star colour when use-colour=1"), Id()}),
      OnCanvas<SourceCanvas>(RunSparkle),
      {"threshold=255", "radius=12", "rays=4", "start-degrees=45", "use-colour=1", "color=#0c0a08"}});
}

}  // namespace zarn::ops
