#include "platform/memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

void* Allocate(std::size_t bytes) noexcept {
  if (RefuseAllocation()) return nullptr;
  void* block = std::malloc(bytes);
  if (block) PreferLargePages(block, bytes);
  return block;
}

void* AllocateZeroed(std::size_t count, std::size_t size) noexcept {
  if (RefuseAllocation()) return nullptr;
  // Frame-sized blocks are advised before they are cleared, since clearing
  // is their first touch.
  constexpr std::size_t kFrameSized = std::size_t{4} << 20;
  if (size == 0 || count < kFrameSized / size) return std::calloc(count, size);
  if (count > SIZE_MAX / size) return nullptr;
  void* block = std::malloc(count * size);
  if (!block) return nullptr;
  PreferLargePages(block, count * size);
  return std::memset(block, 0, count * size);
}

}  // namespace platform
