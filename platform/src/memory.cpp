#include "platform/memory.h"

#include <atomic>
#include <cstdlib>

namespace platform {
namespace {
std::atomic<long long> counted{0};
std::atomic<long long> refuseAt{0};
}  // namespace

void FailAllocation(long long n) noexcept {
  refuseAt.store(0);
  counted.store(0);
  refuseAt.store(n);
}

long long AllocationsCounted() noexcept { return counted.load(); }

bool RefuseAllocation() noexcept {
  const long long at = refuseAt.load(std::memory_order_relaxed);
  const long long n = counted.fetch_add(1) + 1;
  return at > 0 && n == at;
}

void* Allocate(std::size_t bytes) noexcept { return RefuseAllocation() ? nullptr : std::malloc(bytes); }

void* AllocateZeroed(std::size_t count, std::size_t size) noexcept {
  return RefuseAllocation() ? nullptr : std::calloc(count, size);
}

}  // namespace platform
