// File status, time stamps and 64-bit positions: the few file services the
// viewer needs beyond the C library's portable calls.
#ifndef KAVELIN_FILE_STATUS_H
#define KAVELIN_FILE_STATUS_H

#include <cstdint>
#include <cstdio>

struct FileStatus {
    uint64_t Size;
    int64_t AccessTime;   // whole seconds
    int64_t ModifyTime;   // whole seconds
    bool IsDirectory;
};

// False (with errno set) when the status cannot be read.
bool ReadFileStatus(const char *path, FileStatus *status);

// Gives the file these last-access and last-modification times (whole
// seconds); other times stay. False on failure.
bool SetFileTimes(const char *path, int64_t accessTime, int64_t modifyTime);

// The characters after which a path's file-name part begins: "\\/:" on
// Windows, "/" on POSIX.
extern const char PathSeparators[];

// True when the name exists as any file-system object, directories included.
bool PathExists(const char *path);

// Positions beyond 2 GiB on every target.
bool SeekFile(FILE *file, uint64_t offset);
bool SeekFileEnd(FILE *file);
bool TellFile(FILE *file, uint64_t *offset);

#endif
