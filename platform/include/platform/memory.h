// The heap blocks of the toolkit and the host stand-in. They come from the C
// heap (release them with std::free), through one place so that a test can
// refuse any one of them: the allocation fault seam below.
#pragma once
#include <cstddef>

namespace platform {

// malloc and calloc, answering null when memory is short or the seam says so.
void* Allocate(std::size_t bytes) noexcept;
void* AllocateZeroed(std::size_t count, std::size_t size) noexcept;

// Asks the system to back a large block (a frame's pixels, a file's bytes)
// with large pages before it is first written, where the system can: a
// frame's first touch then costs hundreds of times fewer page faults. Call
// before filling the block; harmless on a block already in use or too small.
void PreferLargePages(void* block, std::size_t bytes) noexcept;

// Allocation fault seam for tests. FailAllocation(n) makes the n-th
// allocation from now fail (1: the next one) and restarts the count; 0
// refuses none. Allocate and AllocateZeroed consult it, and so does the
// operator new of a test program that replaces it (see tests/faults).
void FailAllocation(long long n) noexcept;
// Allocations counted since the last FailAllocation.
long long AllocationsCounted() noexcept;
// Counts one allocation; true when it is the one to refuse.
bool RefuseAllocation() noexcept;

}  // namespace platform
