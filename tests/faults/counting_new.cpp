// This program's operator new asks the allocation fault seam first, so a
// test can refuse the n-th allocation whether it comes from new or from the
// toolkit's own blocks.
#include <cstdlib>
#include <new>

#include "platform/memory.h"

namespace {
void* Take(std::size_t bytes) noexcept {
  if (platform::RefuseAllocation()) return nullptr;
  return std::malloc(bytes ? bytes : 1);
}
}  // namespace

void* operator new(std::size_t bytes) {
  void* p = Take(bytes);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t bytes) { return operator new(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return Take(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return Take(bytes); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
