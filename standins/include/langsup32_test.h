/* Test control of the locale support stand-in. FOR TESTS ONLY: exported by name
   from our langsup32.dll. */
#ifndef LANGSUP32_TEST_H
#define LANGSUP32_TEST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Calls of LangCompareNames since the start or the last reset. */
uint32_t LangTestCallCount(void);
void     LangTestResetCounts(void);

#ifdef __cplusplus
}
#endif

#endif
