#include "platform/win.h"

namespace platform {
// The process heap already keeps freed large blocks for reuse.
void KeepFrameBuffersMapped() {}
}  // namespace platform
