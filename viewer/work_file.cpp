#include "work_file.h"

#include "event_copy.h"
#include "output.h"
#include "settings.h"

#include <cerrno>
#include <cstring>

uint8_t EventDataBuffer[EventDataBufferSize];
char WorkFileName[WorkFileNameSize];

namespace {

FileStatus TraceStatus;
bool HaveTraceStatus = false;

// Browsing without pauses is one sequential pass over the work file: a large
// stream buffer, given explicitly (a C library may ignore the size otherwise).
// Before that, the copy goes through it in eight slots of 256 KiB, one read
// and linked while those before it are written: the fewer and larger the
// reads and writes, the less a busy machine holds the copy up between them
// (a slot much larger than the processor's cache costs more than it saves).
alignas(4096) char WorkStreamBuffer[2 << 20];

// The work file, open for reading in binary mode with its large buffer.
FILE *OpenWorkForReading()
{
    FILE *file = std::fopen(WorkFileName, "rb");
    if (file)
        std::setvbuf(file, WorkStreamBuffer, _IOFBF, sizeof WorkStreamBuffer);
    return file;
}

void ReportFileError(const char *what, const char *name)
{
    ListingPrintf("\rKAVELIN: Error, %s \"%s\".\r\nCause : %s.\r\n", what, name, std::strerror(errno));
}

class StdioFile {
public:
    StdioFile() = default;
    ~StdioFile() { Close(); }
    StdioFile(const StdioFile &) = delete;
    StdioFile &operator=(const StdioFile &) = delete;

    bool Open(const char *name, const char *mode)
    {
        file_ = std::fopen(name, mode);
        return file_ != nullptr;
    }
    FILE *Get() const { return file_; }
    // False when buffered output could not be written out.
    bool Close()
    {
        FILE *file = file_;
        file_ = nullptr;
        return file == nullptr || std::fclose(file) == 0;
    }

private:
    FILE *file_ = nullptr;
};

void TurnSpinner()
{
    if (Settings.NoPause == 0)
        AdvanceSpinner();
}

int ReportCopyResult(CopyResult result)
{
    switch (result) {
    case CopyResult::Done:
        return 0;
    case CopyResult::HeaderRead:
        ListingPrintf("\rKAVELIN: Error reading event header.\r\n");
        break;
    case CopyResult::HeaderWrite:
        ListingPrintf("\rKAVELIN: Error writing event header.\r\n");
        break;
    case CopyResult::DataRead:
        ListingPrintf("\rKAVELIN: Error reading event data.\r\n");
        break;
    case CopyResult::DataTooLarge:
        ListingPrintf("\rKAVELIN: Error reading event data.\r\nCause : Traced size larger than the "
                      "event buffer of %u bytes.\r\n",
                      static_cast<unsigned>(EventDataBufferSize));
        break;
    case CopyResult::DataWrite:
        ListingPrintf("\rKAVELIN: Error writing event data.\r\n");
        break;
    }
    return 1;
}

}  // namespace

bool MakeWorkFileName(const char *traceName, char (&workName)[WorkFileNameSize], const char *separators)
{
    static const char suffix[] = ".TMP";
    const char *namePart = traceName;
    for (const char *at = traceName; *at; ++at) {
        if (std::strchr(separators, *at))
            namePart = at + 1;
    }
    const char *dot = std::strchr(namePart, '.');
    std::size_t keep = dot ? static_cast<std::size_t>(dot - traceName) : std::strlen(traceName);
    if (keep + sizeof suffix > WorkFileNameSize) {
        workName[0] = '\0';
        return false;
    }
    std::memcpy(workName, traceName, keep);
    std::memcpy(workName + keep, suffix, sizeof suffix);
    return true;
}

int PrepareWorkFile(const char *traceName, FILE **workFile, uint8_t * /*buffer*/)
{
    *workFile = nullptr;
    HaveTraceStatus = false;
    if (!MakeWorkFileName(traceName, WorkFileName)) {
        ListingPrintf("\rKAVELIN: Error, Work file name for \"%s\" is too long.\r\n", traceName);
        return 1;
    }
    if (!ReadFileStatus(traceName, &TraceStatus)) {
        ReportFileError("Unable to get stats on file", traceName);
        return 1;
    }
    HaveTraceStatus = true;
    if (TraceStatus.Size >= TraceSizeLimit) {
        ListingPrintf("\rKAVELIN: Error, Trace file \"%s\" is too large (4 GiB or more).\r\n",
                      traceName);
        return 1;
    }

    FileStatus work;
    if (ReadFileStatus(WorkFileName, &work) && work.Size == TraceStatus.Size &&
        work.ModifyTime == TraceStatus.ModifyTime) {
        *workFile = OpenWorkForReading();
        if (!*workFile) {
            ReportFileError("Unable to open file", WorkFileName);
            return 1;
        }
        return 0;
    }

    StdioFile trace;
    if (!trace.Open(traceName, "rb")) {
        ReportFileError("Unable to open file", traceName);
        return 1;
    }
    // A folder passes the command line and has a status. Windows refuses to
    // open it; POSIX systems open it but it cannot be read, and its length
    // is meaningless: refuse it here, before the work file is made.
    if (TraceStatus.IsDirectory) {
        errno = EISDIR;
        ReportFileError("Unable to open file", traceName);
        return 1;
    }
    StdioFile copy;
    if (!copy.Open(WorkFileName, "wb")) {
        ListingPrintf("\rKAVELIN: Error, Unable create temp file.\r\nCause : %s.\r\n",
                      std::strerror(errno));
        return 1;
    }
    // The copy reads and writes whole blocks of the stream buffer, which no
    // stream holds yet.
    std::setvbuf(trace.Get(), nullptr, _IONBF, 0);
    std::setvbuf(copy.Get(), nullptr, _IONBF, 0);

    uint64_t length = TraceStatus.Size;
    if (!SeekFileEnd(trace.Get()) || !TellFile(trace.Get(), &length) || !SeekFile(trace.Get(), 0))
        length = TraceStatus.Size;
    if (length >= TraceSizeLimit) {   // grown since its status was read
        ListingPrintf("\rKAVELIN: Error, Trace file \"%s\" is too large (4 GiB or more).\r\n",
                      traceName);
        return 1;
    }
    ConsoleText("\rPreparing temporary work file, Please wait...  ");

    int result = ReportCopyResult(CopyEvents(trace.Get(), copy.Get(), length,
                                             reinterpret_cast<uint8_t *>(WorkStreamBuffer), sizeof WorkStreamBuffer,
                                             static_cast<uint32_t>(EventDataBufferSize), TurnSpinner));

    trace.Close();
    if (!copy.Close() && result == 0)
        result = ReportCopyResult(CopyResult::DataWrite);
    ListingPrintf("\n");
    *workFile = OpenWorkForReading();
    if (!*workFile) {
        ReportFileError("Unable to open file", WorkFileName);
        return 1;
    }
    return result;
}

void StampWorkFile()
{
    if (HaveTraceStatus)
        SetFileTimes(WorkFileName, TraceStatus.AccessTime, TraceStatus.ModifyTime);
}
