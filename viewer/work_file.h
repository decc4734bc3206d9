// The work file: a copy of the trace beside it in which every event header
// holds the offset of the previous event's header, kept and reused while the
// trace is unchanged.
#ifndef KAVELIN_WORK_FILE_H
#define KAVELIN_WORK_FILE_H

#include "file_status.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The one buffer for the data of the current event, while copying and while
// browsing; its address is what plug-ins receive. An event with more traced
// data than this is refused as a read error.
inline constexpr std::size_t EventDataBufferSize = 65536;
extern uint8_t EventDataBuffer[EventDataBufferSize];

inline constexpr std::size_t WorkFileNameSize = 256;
extern char WorkFileName[WorkFileNameSize];

// Traces this large cannot be linked backwards with 32-bit offsets.
inline constexpr uint64_t TraceSizeLimit = 0x100000000ULL;

// The trace name cut before the first "." of its file-name part (what
// follows the last of `separators`), plus ".TMP", so that the work file is
// always beside the trace. False when the result does not fit the buffer
// (then it is empty).
bool MakeWorkFileName(const char *traceName, char (&workName)[WorkFileNameSize],
                      const char *separators = PathSeparators);

// 0 with *workFile open for binary reading at its start (one work file is
// open at a time: its stream buffer is the viewer's own); 1 after reporting
// the failure (*workFile is then the reopened partial copy, or nullptr when
// nothing may be browsed). The data buffer holds EventDataBufferSize bytes;
// the copy itself goes through larger blocks of the work file's stream
// buffer, refusing events larger than the data buffer as browsing would.
int PrepareWorkFile(const char *traceName, FILE **workFile, uint8_t *buffer);

// Gives the work file the trace file's access and modification times as
// PrepareWorkFile read them. Failure is not reported.
void StampWorkFile();

#endif
