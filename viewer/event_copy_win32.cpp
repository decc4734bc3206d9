#include "event_copy.h"

// Windows copies through the block buffer.
CopyResult CopyEventsMapped(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                            uint32_t maxData, void (*onEvent)(), std::size_t, std::size_t)
{
    return CopyEvents(trace, work, length, block, blockSize, maxData, onEvent);
}
