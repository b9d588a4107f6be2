// The two mirror operations of the canvas, as runner operations.
#include "canvas/canvas.h"
#include "host/ops/registry.h"

namespace {
using zarn::ops::Args;
using zarn::ops::Context;

bool MirrorOp(Bitmap& bitmap, const Context& context, bool horizontal, std::string& error) {
  Canvas canvas(context.window, nullptr, &bitmap);
  if (!canvas.HasPixels()) {
    error = "not enough memory for the canvas";
    return false;
  }
  if (horizontal) canvas.MirrorHorizontal();
  else canvas.MirrorVertical();
  canvas.Store();
  return true;
}
}  // namespace

ZARN_REGISTER_OPERATIONS {
  zarn::ops::Register({"mirror-horizontal", "mirror", "mirror left-right (swap columns)", {},
                       [](Bitmap& b, const Args&, const Context& c, std::string& e) {
                         return MirrorOp(b, c, true, e);
                       },
                       {}});
  zarn::ops::Register({"mirror-vertical", "mirror", "mirror top-bottom (swap rows)", {},
                       [](Bitmap& b, const Args&, const Context& c, std::string& e) {
                         return MirrorOp(b, c, false, e);
                       },
                       {}});
}
