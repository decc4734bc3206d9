// The snap-in's one source of heap blocks. Every block comes zero-filled, and
// tests can make the Nth allocation from now fail to reach the out-of-memory
// paths.
#ifndef RAX_HEAP_H
#define RAX_HEAP_H

#include <cstddef>

namespace rax {

// A zero-filled block of `size` bytes, or nullptr when memory ran out
// (or when a planned failure is due).
void *AllocZeroed(std::size_t size);

// Releases a block from AllocZeroed; nullptr is allowed.
void FreeBlock(void *block);

// Test control: the `n`th allocation from now fails (1 = the next one);
// 0 switches planned failures off. Only that one allocation fails.
void FailAllocationAt(unsigned n);

// Test control: number of allocations made since the counter was last reset,
// and of blocks not yet released.
unsigned AllocationCount();
long OutstandingBlocks();
void ResetAllocationCounters();

} // namespace rax

#endif
