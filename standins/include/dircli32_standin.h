/*
 * What the other stand-ins of this tree take from our dircli32.dll, exported by
 * name: the client services stand-in finds its server objects in the same store.
 */
#ifndef DIRCLI32_STANDIN_H
#define DIRCLI32_STANDIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The full name of the `index`th object (0-based, in store order) whose class is
   `className`, into `name` (`size` bytes, NUL-ended). 0; DIR_ERR_NO_SUCH_OBJECT
   past the last one; DIR_ERR_INSUFFICIENT_BUFFER when the name does not fit. */
int32_t DirStandinFindObject(const char *className, uint32_t index, char *name, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif
