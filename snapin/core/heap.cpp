#include "heap.h"

#include <cstdlib>

namespace rax {

namespace {
unsigned g_failAt = 0;       // countdown to the planned failure; 0 = none planned
unsigned g_allocations = 0;
long g_outstanding = 0;
} // namespace

void *AllocZeroed(std::size_t size)
{
    ++g_allocations;
    if (g_failAt != 0 && --g_failAt == 0)
        return nullptr;
    void *block = std::calloc(1, size == 0 ? 1 : size);
    if (block)
        ++g_outstanding;
    return block;
}

void FreeBlock(void *block)
{
    if (!block)
        return;
    --g_outstanding;
    std::free(block);
}

void FailAllocationAt(unsigned n) { g_failAt = n; }
unsigned AllocationCount() { return g_allocations; }
long OutstandingBlocks() { return g_outstanding; }

void ResetAllocationCounters()
{
    g_allocations = 0;
    g_outstanding = 0;
}

} // namespace rax
