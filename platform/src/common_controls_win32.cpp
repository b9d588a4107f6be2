#include "platform/win.h"

namespace platform {
int CommonControlsInitCount() { return -1; }
}  // namespace platform
