#include <malloc.h>

#include "platform/win.h"

namespace platform {
void KeepFrameBuffersMapped() {
  // Every frame allocates and frees buffers of the frame's size; served by
  // mmap they would come back as fresh pages to fault in each time.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
}
}  // namespace platform
