#include "file_status.h"

const char PathSeparators[] = "\\/:";

#include <windows.h>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/utime.h>

bool ReadFileStatus(const char *path, FileStatus *status)
{
    struct _stati64 st;
    if (_stati64(path, &st) != 0)
        return false;
    status->Size = static_cast<uint64_t>(st.st_size);
    status->AccessTime = static_cast<int64_t>(st.st_atime);
    status->ModifyTime = static_cast<int64_t>(st.st_mtime);
    status->IsDirectory = (st.st_mode & _S_IFDIR) != 0;
    return true;
}

bool SetFileTimes(const char *path, int64_t accessTime, int64_t modifyTime)
{
    // _utime keeps the creation time and stores whole seconds, the same
    // values _stati64 reports for the reuse test.
    struct _utimbuf times;
    times.actime = static_cast<time_t>(accessTime);
    times.modtime = static_cast<time_t>(modifyTime);
    return _utime(path, &times) == 0;
}

bool PathExists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool SeekFile(FILE *file, uint64_t offset)
{
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

bool SeekFileEnd(FILE *file)
{
    return _fseeki64(file, 0, SEEK_END) == 0;
}

bool TellFile(FILE *file, uint64_t *offset)
{
    __int64 at = _ftelli64(file);
    if (at < 0)
        return false;
    *offset = static_cast<uint64_t>(at);
    return true;
}
