// Copying a trace into its work file: the same bytes, except that each event
// header's first field holds the offset of the header before it (0 for the
// first event). The copy streams through one block buffer.
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
// size exceeds `maxData` fails as DataTooLarge.
CopyResult CopyEvents(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                      uint32_t maxData, void (*onEvent)());

// CopyEvents taken up at the event at `position`, whose predecessor's header
// is at `previous`: the work file holds every byte before `position` and the
// trace is positioned there.
CopyResult CopyEventsFrom(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                          uint32_t maxData, void (*onEvent)(), uint64_t position, uint64_t previous);

// CopyEvents with the same results and work file contents, and a call of
// `onEvent` before each event and one at the end, through windows of
// `window` bytes of a mapping of the trace where the system has one (0: the
// default size, 4 MiB), writing up to `batch` pieces at a time (0: as many as
// the system takes). The block copy takes over from the event reached
// wherever the trace cannot be mapped (a pipe, a file shorter than its
// length, a window too small for an event). `work` may hold buffered output.
CopyResult CopyEventsMapped(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                            uint32_t maxData, void (*onEvent)(), std::size_t window = 0, std::size_t batch = 0);

#endif
