/* svclib32: client services. The connection query and the object scan. */
#ifndef SVCLIB32_H
#define SVCLIB32_H

#include <stdint.h>

#ifdef _WIN32
#define SVCAPI __stdcall
#else
#define SVCAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t SvcConnection;

#define SVC_OBJECT_TYPE_SERVER 1024   /* object type value of access servers */
#define SVC_MAX_OBJECT_NAME    48     /* longest object name, with its NUL */

/* Results of this library beside 0. */
#define SVC_ERR_NO_CONNECTION  0x8801  /* no connection, or not one of ours */
#define SVC_ERR_NO_MORE        0x89FC  /* the scan is at its end */

/* Ordinal 101: the caller's default connection; 0 on success. */
int32_t SVCAPI SvcGetDefaultConnection(SvcConnection *connection);

/* Ordinal 102: one object per call. The scan position starts at 0 and is advanced by the
   library; the name buffer (SVC_MAX_OBJECT_NAME bytes) receives the next object's name.
   Returns 0 while objects remain and nonzero at the end. The four trailing arguments are 0. */
int32_t SVCAPI SvcScanObject(SvcConnection connection, const char *namePattern, uint32_t objectType,
                             int32_t *scanPosition, char *objectName,
                             void *reserved1, void *reserved2, void *reserved3, void *reserved4);

#ifdef __cplusplus
}
#endif

#endif
