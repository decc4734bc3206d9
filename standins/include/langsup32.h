/* langsup32: locale support. Only the name comparison is used. */
#ifndef LANGSUP32_H
#define LANGSUP32_H

#include <stdint.h>

#ifdef _WIN32
#define LANGAPI __stdcall
#else
#define LANGAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinal 17: compares two names of the schema without regard to case; 0 when equal,
   below or above 0 as the first sorts before or after the second. */
int32_t LANGAPI LangCompareNames(const char *first, const char *second);

#ifdef __cplusplus
}
#endif

#endif
