#include "file_status.h"

const char PathSeparators[] = "/";

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

static_assert(sizeof(off_t) == 8, "the viewer needs 64-bit file offsets");

bool ReadFileStatus(const char *path, FileStatus *status)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return false;
    status->Size = static_cast<uint64_t>(st.st_size);
    status->AccessTime = static_cast<int64_t>(st.st_atime);
    status->ModifyTime = static_cast<int64_t>(st.st_mtime);
    status->IsDirectory = S_ISDIR(st.st_mode);
    return true;
}

bool SetFileTimes(const char *path, int64_t accessTime, int64_t modifyTime)
{
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(accessTime);
    times[0].tv_nsec = 0;
    times[1].tv_sec = static_cast<time_t>(modifyTime);
    times[1].tv_nsec = 0;
    return utimensat(AT_FDCWD, path, times, 0) == 0;
}

bool PathExists(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0;
}

bool SeekFile(FILE *file, uint64_t offset)
{
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool SeekFileEnd(FILE *file)
{
    return fseeko(file, 0, SEEK_END) == 0;
}

bool TellFile(FILE *file, uint64_t *offset)
{
    off_t at = ftello(file);
    if (at < 0)
        return false;
    *offset = static_cast<uint64_t>(at);
    return true;
}
