// Copying a trace into its work file: the same bytes, except that each event
// header's first field holds the offset of the header before it (0 for the
// first event). The copy reads whole slots of one buffer and writes the
// links into them, while a thread of its own writes the slots read before.
#ifndef KAVELIN_EVENT_COPY_H
#define KAVELIN_EVENT_COPY_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum class CopyResult { Done, HeaderRead, HeaderWrite, DataRead, DataTooLarge, DataWrite };

// Copies the first `length` bytes of `trace` (positioned at its start) into
// `work`, event by event, calling `onEvent` before each event and once more
// at the end. On a failure the work file holds every byte before the failing
// event, and its header too when the failure is in the data; nothing of an
// event's data is written unless all of it is there. An event whose traced
// size exceeds `maxData` fails as DataTooLarge. A trace found shorter than
// `length` fails as DataRead or HeaderRead after all of it that could be
// read. A failed write is HeaderWrite when its first byte that did not reach
// the work file is part of a header, DataWrite otherwise. `work` may hold
// buffered output; the block holds `blockSize` bytes, at least a header's.
CopyResult CopyEvents(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                      uint32_t maxData, void (*onEvent)());

#endif
