// The two mirror operations of the canvas, as runner operations.
#include "canvas/canvas.h"
#include "host/ops/registry.h"

namespace zarn::ops {
namespace {

bool MirrorHorizontal(Canvas& canvas, const Args&, std::string&) {
  canvas.MirrorHorizontal();
  return true;
}

bool MirrorVertical(Canvas& canvas, const Args&, std::string&) {
  canvas.MirrorVertical();
  return true;
}

}  // namespace

void AddMirrorOperations(Catalogue& c) {
  c.Add({"mirror-horizontal",
         "mirror",
         "mirror left-right (swap columns)",
         {},
         OnCanvas<Canvas>(MirrorHorizontal),
         {}});
  c.Add({"mirror-vertical",
         "mirror",
         "mirror top-bottom (swap rows)",
         {},
         OnCanvas<Canvas>(MirrorVertical),
         {}});
}

}  // namespace zarn::ops
