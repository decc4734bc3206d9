/* Test control of the client services stand-in. FOR TESTS ONLY: exported by name
   from our svclib32.dll. The server objects themselves come from dircli32's store
   (seed them with DirTestAddObject(name, "Dravon Server")). */
#ifndef SVCLIB32_TEST_H
#define SVCLIB32_TEST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Clears counters and planned failures. */
void     SvcTestReset(void);
/* Calls of operation `ordinal` (101 or 102). */
uint32_t SvcTestCallCount(uint32_t ordinal);
/* The `nth` call (1 = the next) of operation `ordinal` from now returns `code`
   without doing anything (for 102: without advancing the scan position). */
void     SvcTestFailCall(uint32_t ordinal, uint32_t nth, int32_t code);

#ifdef __cplusplus
}
#endif

#endif
