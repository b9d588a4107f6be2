#include "platform/memory.h"
#include "platform/win.h"

namespace platform {
// The process heap already keeps freed large blocks for reuse.
void KeepFrameBuffersMapped() {}
}  // namespace platform

namespace platform {
// Large pages need a privilege that a host's user seldom has: small pages.
void PreferLargePages(void*, std::size_t) noexcept {}
}  // namespace platform
