// What the filter base offers derived filters, as runner operations: the
// convolution of the source bitmap and a marker at a scene node's pixel.
// Both run through a filter object of their own whose source is the
// picture, as a filter built on the library would call them.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "filter/filter_base.h"
#include "host/ops/registry.h"
#include "hostsdk/scene.h"
#include "platform/win.h"

namespace zarn::ops {
namespace {

// A filter that only lends the base's utilities; the host never renders it.
class UtilityFilter final : public FilterBase {
 public:
  INT_PTR ShowAbout(HWND) override { return 0; }
  int Render(HWND) override { return 0; }
};

// The named kernels and the divisor each is meant for.
struct NamedKernel {
  const char* name;
  std::vector<int> values;
  int divisor;
};

const std::vector<NamedKernel>& Kernels() {
  static const std::vector<NamedKernel> kernels = {
      {"sharpen", {0, -1, 0, -1, 5, -1, 0, -1, 0}, 1},
      {"emboss", {-2, -1, 0, -1, 1, 1, 0, 1, 2}, 1},
      {"edge", {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1},
      {"box3", {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9},
  };
  return kernels;
}

std::vector<NamedList> KernelLists() {
  std::vector<NamedList> lists;
  for (const NamedKernel& k : Kernels()) lists.push_back({k.name, k.values});
  return lists;
}

// The convolution answers 0 alike for an abort and for a failure; a window
// in between, which passes every message on to the context's window, tells
// them apart. One convolution at a time per thread.
thread_local HWND forwardTo = nullptr;
thread_local bool abortAnswered = false;

LRESULT CALLBACK Forward(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT answer = SendMessageA(forwardTo, message, wParam, lParam);
  if (message == CANVAS_QUERY_ABORT && lParam && *reinterpret_cast<const std::int32_t*>(lParam) != 0)
    abortAnswered = true;
  return answer;
}

Status RunConvolve(Bitmap& bitmap, const Args& args, const Context& context, std::string& error) {
  const std::vector<int>& kernel = args.IntList("kernel");
  int divisor = 1;
  if (args.Has("divisor")) {
    divisor = args.Int("divisor");
  } else {
    for (const NamedKernel& k : Kernels())
      if (args.ListName("kernel") == k.name) divisor = k.divisor;
  }
  int side = 1;
  while (static_cast<std::size_t>(side) * side < kernel.size()) side += 2;

  UtilityFilter filter;
  filter.SetSource(&bitmap);
  HWND relay = nullptr;
  if (context.window) {
    relay = platform::CreateMessageWindow(Forward);
    if (!relay) {
      error = "no window for the progress messages";
      return Status::Failed;
    }
  }
  forwardTo = context.window;
  abortAnswered = false;
  const int done = filter.Convolve(relay, kernel.data(), side, divisor, args.Int("bias"), args.Int("invert"));
  const bool aborted = abortAnswered;
  forwardTo = nullptr;
  if (relay) platform::DestroyMessageWindow(relay);
  filter.SetSource(nullptr);
  if (done == 1) return Status::Done;
  if (aborted) return Status::Aborted;
  error = "not enough memory for a copy of the picture";
  return Status::Failed;
}

// The node's pixel through the filter base; false with the reason.
bool NodePixel(Bitmap& bitmap, Scene& scene, const std::string& name, int& x, int& y, std::string& error) {
  UtilityFilter filter;
  filter.SetSource(&bitmap);
  filter.SetHostInterface(&scene);
  float depth = 0.0f;
  const bool known = filter.NodeDepth(name.c_str(), depth) == 1;
  const bool placed = known && depth > 0.0f && filter.NodeToScreen(name.c_str(), x, y) == 1;
  filter.SetSource(nullptr);
  if (!known)
    error = "name=" + name + ": the scene has no such node";
  else if (!(depth > 0.0f))
    error = "name=" + name + ": the node is not in front of the camera";
  else if (!placed)
    error = "name=" + name + ": the node projects too far outside the picture";
  return placed;
}

// A cross of arms `size` long, centred on the pixel; the parts off the
// picture are left out.
void DrawMarker(Canvas& canvas, int x, int y, int size) {
  const BMM_Color_64 ink = canvas.drawColor;
  for (long long d = -size; d <= size; ++d) {
    const long long across = x + d, down = y + d;
    if (across >= INT32_MIN && across <= INT32_MAX) canvas.PutPixel(static_cast<int>(across), y, ink);
    if (down >= INT32_MIN && down <= INT32_MAX) canvas.PutPixel(x, static_cast<int>(down), ink);
  }
}

bool RunNodeMarker(Canvas& canvas, const Args& args, const Context& context, std::string& error) {
  BitmapStorage* storage = canvas.bitmap ? canvas.bitmap->Storage() : nullptr;
  if (!context.scene || !storage || !storage->GetRenderInfo()) {
    error = "no scene: give one with --scene FILE";
    return false;
  }
  canvas.SetDrawColor(args.Color("color"));
  const std::string& name = args.Text("name");
  const int size = args.Int("size");
  if (!name.empty()) {
    int x = 0, y = 0;
    if (!NodePixel(*canvas.bitmap, *context.scene, name, x, y, error)) return false;
    DrawMarker(canvas, x, y, size);
    return true;
  }
  // Without a name every node in front of the camera is marked.
  const std::vector<std::string> names = context.scene->NodeNames();
  if (names.empty()) {
    error = "the scene has no nodes";
    return false;
  }
  for (const std::string& node : names) {
    int x = 0, y = 0;
    std::string why;
    if (NodePixel(*canvas.bitmap, *context.scene, node, x, y, why)) DrawMarker(canvas, x, y, size);
  }
  return true;
}

}  // namespace

void AddFilterOperations(Catalogue& c) {
  c.Add(Operation{"convolve",
                  "filter",
                  "convolve with a square kernel; the window is cut at the edges and "
                  "not renormalised there",
                  {IntList("kernel", "sharpen",
                           "coefficients row by row, e.g. 0,-1,0,-1,5,-1,0,-1,0, or a named "
                           "kernel")
                       .OddSquare()
                       .Named(KernelLists()),
                   Int("divisor", "", "sums are divided by it when above 1").Optional("box3: 9, others 1"),
                   Int("bias", "0", "added after the division"),
                   Int("invert", "0", "1: each result c becomes 65535 - c").OneOf({0, 1})},
                  OnBitmap(RunConvolve),
                  {"kernel=-1,-1,0,-1,0,1,0,1,1", "bias=32768"}});
  c.Add(Operation{"node-marker",
                  "scene",
                  "mark where a scene node lies in the frame, with a cross (needs --scene)",
                  {Text("name", "", "node to mark; empty for every node in front of the camera"),
                   Int("size", "6", "arm length of the cross in pixels").Range(1, 4096),
                   Color("color", "#ff3030", "marker colour (#rrggbb or r,g,b,a)")},
                  OnCanvas<Canvas>(RunNodeMarker),
                  {"size=10", "color=#ff00ff"},
                  Output::Drawing,
                  true});
}

}  // namespace zarn::ops
