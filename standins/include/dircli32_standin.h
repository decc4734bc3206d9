/*
 * What the other stand-ins of this tree take from our dircli32.dll, exported by
 * name: the client services stand-in finds its server objects in the same
 * directory, and the host lists the directory's objects.
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

/* Every object of the directory (the store, or the server's objects under its
   root) as lines "full name<TAB>class<LF>", NUL-ended, into `text` (`size`
   bytes; truncated when it does not fit). Returns the length of the whole
   listing without its NUL, or a negative directory code. */
int32_t DirStandinListObjects(char *text, uint32_t size);

/* The class of one object, as the schema names it, into `className` (`size`
   bytes, NUL-ended). 0, DIR_ERR_NO_SUCH_OBJECT, or another directory code. */
int32_t DirStandinObjectClass(const char *objectName, char *className, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif
