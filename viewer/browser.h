// The event browser: one event at a time from the work file, as two header
// lines and a dump (or a plug-in's decoding), forwards and backwards.
#ifndef KAVELIN_BROWSER_H
#define KAVELIN_BROWSER_H

#include <cstdint>
#include <cstdio>

// Runs until the operator leaves, the file ends or a read fails. 0 when it
// ended by e(X)it or the end of the file (or no key could be read, which
// counts as e(X)it); 1 after a read failure, reported.
int BrowseEvents(FILE *workFile, uint8_t *buffer);

// The hexadecimal dump with page pauses. False when a page pause could not
// read a key: the browsing then ends as if e(X)it was chosen.
bool DumpEventData(const uint8_t *data, uint32_t count);

#endif
