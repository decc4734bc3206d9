/*
 * Test control of the directory client stand-in. FOR TESTS ONLY: these are
 * exported by name (C calling convention) from our dircli32.dll and have no
 * counterpart in a real directory client.
 *
 * Values are given and returned in the library's shapes: a 32-bit integer
 * (size 4), a text with its NUL, or for octet strings the raw value bytes
 * (without the length/address record).
 */
#ifndef DIRCLI32_TEST_H
#define DIRCLI32_TEST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Store as a whole. Reset empties the store in memory (no schema, no objects,
   no rights, identity ""), detaches it from any file, and clears counters and
   planned failures. LoadText replaces the store with the given store-file text;
   0 on success, nonzero (and the store unchanged) when the text does not parse.
   SaveText writes the store-file text into buf (NUL-ended); returns the length
   needed without the NUL (call with size 0 to ask). */
void    DirTestReset(void);
int32_t DirTestLoadText(const char *text);
int32_t DirTestSaveText(char *buf, uint32_t size);

/* Objects and values. */
int32_t DirTestAddObject(const char *objectName, const char *className);
int32_t DirTestAddValue(const char *objectName, const char *attrName, uint32_t syntaxId,
                        const void *value, uint32_t size);
int32_t DirTestRemoveAttribute(const char *objectName, const char *attrName);
/* The number of values the attribute has (0 when absent); -1 when there is no such object. */
int32_t DirTestValueCount(const char *objectName, const char *attrName);
/* Copies value `index` (0-based) into buf; returns its size in bytes (texts: with the NUL),
   or -1 when there is no such value. Copies nothing when size is too small. */
int32_t DirTestGetValue(const char *objectName, const char *attrName, uint32_t index,
                        void *buf, uint32_t size);

/* Schema. */
int32_t DirTestDefineClass(const char *className);
int32_t DirTestDefineAttribute(const char *attrName, uint32_t syntaxId, uint32_t flags);
int32_t DirTestAddClassAttribute(const char *className, const char *attrName);
/* 1 when the class definition names the attribute (in any of its name lists), else 0. */
int32_t DirTestClassHasAttribute(const char *className, const char *attrName);
/* 1 when defined (syntax and flags filled in if given), else 0. */
int32_t DirTestAttributeDefined(const char *attrName, uint32_t *syntaxId, uint32_t *flags);

/* Rights and identity. */
void    DirTestSetIdentity(const char *fullName);
void    DirTestSetRights(const char *subjectName, const char *objectName, uint32_t rights);

/* Calls and failures, by ordinal of the library operation (1001, 1028, ...). */
uint32_t DirTestCallCount(uint32_t ordinal);
void     DirTestResetCounts(void);
/* The `nth` call (1 = the next) of operation `ordinal` from now returns `code`
   without doing anything. Several plans may be active at once. */
void     DirTestFailCall(uint32_t ordinal, uint32_t nth, int32_t code);
void     DirTestClearFailures(void);

/* Leak checks: contexts and buffers currently open. */
int32_t DirTestOpenContexts(void);
int32_t DirTestOpenBuffers(void);

/* Additions of the stand-in's own (beside the given surface above). */

/* Attaches the store to a store file: `path`, or with NULL the file named by
   RAX_DIRECTORY_STORE or the default (see docs/directory-standin.md). The file is
   loaded by the next DirCreateContext; schema and rights checks are turned on.
   0 on success; nonzero where the build has no store files. */
int32_t DirTestUseStoreFile(const char *path);
/* Puts the directory server(s) `url` (as RAX_DIRECTORY_URL) behind the
   operations, bound as `bindDn` with the password in `passwordFile` (either may
   be NULL); with a NULL `url` the store is used again. Connects at the next
   DirCreateContext. 0, or nonzero where the build has no LDAP client. */
int32_t DirTestUseDirectoryServer(const char *url, const char *bindDn, const char *passwordFile);
/* Checks on changes through the library: the identity's write (object) or
   supervisor ([Root], schema) rights, and attributes defined in the schema.
   On for a file-backed store; DirTestReset turns them off. */
void    DirTestSetChecks(int32_t on);
int32_t DirTestRemoveObject(const char *objectName);
/* Adds a name to one of the five lists of a class definition:
   0 super classes, 1 containment, 2 naming, 3 mandatory, 4 optional
   (DirTestAddClassAttribute adds to list 4). */
int32_t DirTestAddClassListName(const char *className, uint32_t list, const char *name);
/* Reads still open over several replies (not yet ended nor closed). */
int32_t DirTestOpenIterations(void);
/* The names the caller handed to operation `ordinal` since the counts were
   reset, as given, one per line: 1032 the attribute defined (followed by a tab
   and the definition's 44 reserved bytes in hex when any of them is not zero),
   1035 the class modified, 1037 the classes asked for. Written NUL-ended into
   buf; returns the length without the NUL (call with size 0 to ask). */
int32_t DirTestCallNames(uint32_t ordinal, char *buf, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif
