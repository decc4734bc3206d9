/*
 * dircli32: the directory client library.
 *
 * Every operation is stdcall and is imported by ordinal only (the ordinal is
 * given beside each declaration). Results are 0 or a negative directory code
 * unless said otherwise. Values travel by address: a 32-bit integer, a
 * NUL-ended text, or a DirOctetString record (for an octet string fetched into
 * a caller's block, the bytes follow the record directly).
 */
#ifndef DIRCLI32_H
#define DIRCLI32_H

#include <stdint.h>

#ifdef _WIN32
#define DIRAPI __stdcall
#else
#define DIRAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t DirContextHandle;   /* a context of the library, or DIR_ERR_NO_CONTEXT */
typedef void   *DirBuffer;          /* a request or reply buffer allocated by the library */

/* Result codes the callers rely on. */
enum {
    DIR_OK                    = 0,
    DIR_ERR_NO_CONTEXT        = -328,  /* no context could be created */
    DIR_ERR_NO_SUCH_VALUE     = -603,  /* the object has no value for the attribute */
    DIR_ERR_NO_SUCH_CLASS     = -604,
    DIR_ERR_ATTR_EXISTS       = -615,  /* the attribute is already defined */
    DIR_ERR_ATTR_IN_CLASS     = -653,  /* the attribute is already in the class */
    DIR_ERR_NO_SUCH_OBJECT    = -601,
    DIR_ERR_NO_ACCESS         = -672,  /* no right to do that */
    DIR_ERR_BAD_HANDLE        = -322,
    DIR_ERR_INSUFFICIENT_BUFFER = -304,
    DIR_ERR_BUFFER_EMPTY      = -307,  /* nothing (more) to take from a reply */
    DIR_ERR_INVALID_REQUEST   = -641,
    DIR_ERR_SYNTAX_VIOLATION  = -613,
    DIR_ERR_NOT_ENOUGH_MEMORY = -150,
    /* Further codes of this library (the callers above do not rely on them). */
    DIR_ERR_ENTRY_EXISTS      = -606,  /* an object or class of that name exists */
    DIR_ERR_ILLEGAL_ATTRIBUTE = -608,  /* the attribute is not defined in the schema */
    DIR_ERR_SINGLE_VALUED     = -612,  /* a second value for a single-valued attribute */
    DIR_ERR_DUPLICATE_VALUE   = -614,  /* the attribute already holds that value */
    DIR_ERR_STORE_UNAVAILABLE = -625,  /* the directory store could not be read or written; no server answers */
    DIR_ERR_TIMEOUT           = -626,  /* the directory server did not answer in time */
    DIR_ERR_BAD_CREDENTIALS   = -669,  /* the server refused the identity or its password */
    DIR_ERR_SERVER_FAILURE    = -699   /* any other failure the directory server reports */
};

/* Buffer operations (DirInitBuffer). */
enum {
    DIR_OP_READ_OBJECT    = 3,
    DIR_OP_MODIFY_OBJECT  = 9,
    DIR_OP_READ_CLASS_DEF = 15,
    DIR_OP_MODIFY_CLASS_DEF = 16
};

/* Change types (DirPutChange). */
enum {
    DIR_CHANGE_ADD_ATTRIBUTE    = 0,
    DIR_CHANGE_REMOVE_ATTRIBUTE = 1,
    DIR_CHANGE_ADD_VALUE        = 2,
    DIR_CHANGE_REMOVE_VALUE     = 3
};

/* Syntax ids. */
enum {
    DIR_SYNTAX_INTEGER          = 8,
    DIR_SYNTAX_OCTET_STRING     = 9,
    DIR_SYNTAX_TELEPHONE_NUMBER = 10
};

/* Context information keys. */
enum {
    DIR_CTX_FLAGS        = 1,
    DIR_CTX_NAME_CONTEXT = 3
};

/* Information types. */
enum {
    DIR_INFO_NAMES_AND_VALUES = 1,  /* read object: attribute names and values */
    DIR_INFO_FULL_CLASS_DEFS  = 2   /* read class definitions: full definitions */
};

/* Effective rights bits. */
enum {
    DIR_RIGHT_COMPARE    = 0x01,
    DIR_RIGHT_READ       = 0x02,
    DIR_RIGHT_WRITE      = 0x04,
    DIR_RIGHT_ADD_SELF   = 0x08,
    DIR_RIGHT_SUPERVISOR = 0x20
};

#define DIR_BUFFER_SIZE     4096
#define DIR_MAX_NAME        256   /* longest attribute, class or object name, with its NUL */
#define DIR_ITERATION_START (-1)

/* An octet string value. */
typedef struct DirOctetString {
    uint32_t length;
    uint8_t *data;
} DirOctetString;

/* The definition handed to DirDefineAttribute: 52 bytes. */
typedef struct DirAttributeDefinition {
    uint32_t flags;       /* 0x01 single-valued; 0x40 set in every definition the snap-in makes */
    uint32_t syntaxId;
    uint8_t  reserved[44];
} DirAttributeDefinition;

/* What DirGetClassDef fills in beside the class name. */
typedef struct DirClassInfo {
    uint32_t classFlags;
    uint32_t asn1Length;
    uint8_t  asn1Id[32];
} DirClassInfo;

#if defined(__cplusplus) && defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(DirOctetString) == 8, "octet string record is two 32-bit fields");
static_assert(sizeof(DirAttributeDefinition) == 52, "attribute definition is 52 bytes");
#endif

DirContextHandle DIRAPI DirCreateContext(void);                                               /* 1001 */
int32_t DIRAPI DirFreeContext(DirContextHandle ctx);                                          /* 1002 */
int32_t DIRAPI DirGetContextInfo(DirContextHandle ctx, int32_t key, void *value);             /* 1003 */
int32_t DIRAPI DirSetContextInfo(DirContextHandle ctx, int32_t key, const void *value);       /* 1004 */
int32_t DIRAPI DirInitBuffer(DirContextHandle ctx, int32_t operation, DirBuffer buf);         /* 1005 */
int32_t DIRAPI DirAllocBuffer(uint32_t size, DirBuffer *buf);                                 /* 1006 */
int32_t DIRAPI DirFreeBuffer(DirBuffer buf);                                                  /* 1007 */
int32_t DIRAPI DirGetAttrCount(DirContextHandle ctx, DirBuffer reply, uint32_t *count);       /* 1008 */
int32_t DIRAPI DirGetClassDefCount(DirContextHandle ctx, DirBuffer reply, uint32_t *count);   /* 1009 */
int32_t DIRAPI DirGetNameListCount(DirContextHandle ctx, DirBuffer reply, uint32_t *count);   /* 1010 */
int32_t DIRAPI DirGetAttrName(DirContextHandle ctx, DirBuffer reply, char *name,
                              uint32_t *valueCount, uint32_t *syntaxId);                      /* 1013 */
int32_t DIRAPI DirPutAttrName(DirContextHandle ctx, DirBuffer request, const char *name);     /* 1015 */
int32_t DIRAPI DirPutChange(DirContextHandle ctx, DirBuffer request, int32_t changeType,
                            const char *attrName);                                            /* 1016 */
int32_t DIRAPI DirPutAttrValue(DirContextHandle ctx, DirBuffer request, uint32_t syntaxId,
                               const void *value);                                            /* 1017 */
int32_t DIRAPI DirGetClassDef(DirContextHandle ctx, DirBuffer reply, char *className,
                              DirClassInfo *classInfo);                                       /* 1019 */
int32_t DIRAPI DirGetNextName(DirContextHandle ctx, DirBuffer reply, char *name);             /* 1020 */
int32_t DIRAPI DirPutClassName(DirContextHandle ctx, DirBuffer request, const char *className); /* 1021 */
int32_t DIRAPI DirGetAttrValue(DirContextHandle ctx, DirBuffer reply, uint32_t syntaxId,
                               void *destination);                                            /* 1022 */
int32_t DIRAPI DirModifyObject(DirContextHandle ctx, const char *objectName, int32_t *iterationHandle,
                               int32_t moreChanges, DirBuffer request);                        /* 1026 */
int32_t DIRAPI DirReadObject(DirContextHandle ctx, const char *objectName, uint32_t infoType,
                             int32_t allAttributes, DirBuffer request, int32_t *iterationHandle,
                             DirBuffer reply);                                                /* 1028 */
int32_t DIRAPI DirDefineAttribute(DirContextHandle ctx, const char *attrName,
                                  const DirAttributeDefinition *definition);                 /* 1032 */
int32_t DIRAPI DirModifyClassDef(DirContextHandle ctx, const char *className, DirBuffer request); /* 1035 */
int32_t DIRAPI DirReadClassDefs(DirContextHandle ctx, uint32_t infoType, int32_t allClasses,
                                DirBuffer request, int32_t *iterationHandle, DirBuffer reply); /* 1037 */
int32_t DIRAPI DirGetEffectiveRights(DirContextHandle ctx, const char *subjectName,
                                     const char *objectName, const char *attrName,
                                     uint32_t *rights);                                       /* 1046 */
int32_t DIRAPI DirComputeAttrValueSize(DirContextHandle ctx, DirBuffer reply, uint32_t syntaxId,
                                       uint32_t *size);                                       /* 1047 */
int32_t DIRAPI DirCloseIteration(DirContextHandle ctx, int32_t iterationHandle, int32_t operation); /* 1072 */
int32_t DIRAPI DirWhoAmI(DirContextHandle ctx, char *name /* 256 bytes */);                    /* 1093 */

#ifdef __cplusplus
}
#endif

#endif
