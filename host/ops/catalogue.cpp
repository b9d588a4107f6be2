// The one list of the toolkit's operations: each family adds its table here,
// in the order `zarn apply --list` and the gallery show them.
#include "host/ops/registry.h"

namespace zarn::ops {

const Catalogue& Operations() {
  static const Catalogue catalogue = [] {
    Catalogue c;
    AddDrawingOperations(c);
    AddDirectOperations(c);
    AddEffectOperations(c);
    AddGlowOperations(c);
    AddFilterOperations(c);
    AddMirrorOperations(c);
    AddTextOperations(c);
    return c;
  }();
  return catalogue;
}

}  // namespace zarn::ops
