#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>

#include "platform/memory.h"
#include "platform/win.h"

namespace platform {
void KeepFrameBuffersMapped() {
  // Every frame allocates and frees buffers of the frame's size; served by
  // mmap they would come back as fresh pages to fault in each time.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

void PreferLargePages(void* block, std::size_t bytes) noexcept {
  // Only whole 2 MiB pages inside the block; the rest keeps small pages.
  constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t first = (start + kLarge - 1) & ~(kLarge - 1);
  const std::uintptr_t end = (start + bytes) & ~(kLarge - 1);
  if (!block || bytes < 2 * kLarge || end <= first) return;
  madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}
}  // namespace platform
