#include "browser.h"

#include "event_header.h"
#include "file_status.h"
#include "console.h"
#include "output.h"
#include "settings.h"
#include "trace_handlers.h"
#include "work_file.h"

#include <cstring>

namespace {

const char OptionPrompt[] = "<Select Option: View (N)ext, (P)revious, e(X)it.>";
const char PagePrompt[] = "<Press any key to view rest of event.>";
// A carriage return, as many blanks as the page prompt has characters, and
// a carriage return: the next dump line starts where the prompt stood.
const char PagePromptErase[] = "\r                                      \r";
static_assert(sizeof PagePromptErase - 3 == sizeof PagePrompt - 1, "the erase covers the prompt");

constexpr std::size_t BytesPerLine = 16;

// Dump lines are built in this buffer and written in blocks.
class DumpWriter {
public:
    DumpWriter() : separator_(DumpSeparator()), separatorLength_(std::strlen(separator_)) {}
    ~DumpWriter() { Flush(); }

    void Line(std::size_t offset, const uint8_t *bytes, std::size_t count)
    {
        if (used_ + MaxLine > sizeof block_)
            Flush();
        char *out = block_ + used_;
        if (offset <= 0xFFFF) {
            static const char hex[] = "0123456789ABCDEF";
            out[0] = '(';
            out[1] = hex[(offset >> 12) & 0xF];
            out[2] = hex[(offset >> 8) & 0xF];
            out[3] = hex[(offset >> 4) & 0xF];
            out[4] = hex[offset & 0xF];
            out[5] = ')';
            out[6] = ' ';
            out[7] = ' ';
            out += 8;
        } else {
            out += std::snprintf(out, 24, "(%04zX)  ", offset);
        }
        for (std::size_t i = 0; i < BytesPerLine; ++i) {
            if (i < count) {
                std::memcpy(out, HexColumn(bytes[i]), 3);
            } else {
                out[0] = out[1] = out[2] = ' ';
            }
            out += 3;
        }
        *out++ = ' ';
        *out++ = ' ';
        std::memcpy(out, separator_, separatorLength_);
        out += separatorLength_;
        *out++ = ' ';
        *out++ = ' ';
        for (std::size_t i = 0; i < count; ++i)
            *out++ = (bytes[i] >= 0x21 && bytes[i] <= 0x7E) ? static_cast<char>(bytes[i]) : '.';
        *out++ = '\n';
        used_ = static_cast<std::size_t>(out - block_);
    }

    void Flush()
    {
        if (used_ > 0)
            ListingWrite(block_, used_);
        used_ = 0;
    }

private:
    static const char *HexColumn(uint8_t byte)
    {
        static char table[256][3];
        static bool ready = false;
        if (!ready) {
            static const char hex[] = "0123456789ABCDEF";
            for (int b = 0; b < 256; ++b) {
                table[b][0] = hex[b >> 4];
                table[b][1] = hex[b & 0xF];
                table[b][2] = ' ';
            }
            ready = true;
        }
        return table[byte];
    }

    static constexpr std::size_t MaxLine = 24 + 48 + 4 + 4 + 16 + 1;
    const char *separator_;
    std::size_t separatorLength_;
    char block_[16384];
    std::size_t used_ = 0;
};

// -1 when no key could be read; otherwise the key, a to z made upper case.
int ReadOption()
{
    ConsoleText(OptionPrompt);
    int key = ConsoleKey();
    if (key < 0)
        return -1;
    // Every key is echoed as its code, control codes and the 0 of a key
    // without a character included.
    const char echo = static_cast<char>(key);
    ConsoleWrite(&echo, 1);
    if (key >= 'a' && key <= 'z')
        key = key - 'a' + 'A';
    return key;
}

// True when a header and all its data can be read at `offset` in the work
// file, whose length is `length`. Leaves the file position anywhere.
bool EventFitsAt(FILE *workFile, uint64_t offset, uint64_t length)
{
    uint8_t raw[EventHeaderSize];
    if (offset > length || length - offset < EventHeaderSize || !SeekFile(workFile, offset) ||
        std::fread(raw, sizeof raw, 1, workFile) != 1)
        return false;
    const uint32_t traced = DecodeEventHeader(raw).TracedSize;
    return traced <= EventDataBufferSize && traced <= length - offset - EventHeaderSize;
}

void WriteHeaderLines(const EventHeader &h)
{
    ListingPrintf("Event #%06d, Time = %04d, Full Size = %4d bytes, Traced Size = %4d,\n", h.EventNumber, h.Time,
                  static_cast<int>(h.FullSize), static_cast<int>(h.TracedSize));
    ListingPrintf("Source = %04x, Type = %04x, SubType = %04x.\n\n", static_cast<unsigned>(h.Source),
                  static_cast<unsigned>(h.Type), static_cast<unsigned>(h.SubType));
}

}  // namespace

bool DumpEventData(const uint8_t *data, uint32_t count)
{
    const int pageSize = Settings.ScreenLines - 4;
    int lines = 0;
    DumpWriter writer;
    for (std::size_t offset = 0; offset < count; offset += BytesPerLine) {
        std::size_t remaining = count - offset;
        writer.Line(offset, data + offset, remaining < BytesPerLine ? remaining : BytesPerLine);
        if (++lines == pageSize) {
            lines = 0;
            if (Settings.NoPause == 0 && remaining > BytesPerLine) {
                writer.Flush();
                ConsoleText(PagePrompt);
                if (ConsoleKey() < 0)
                    return false;
                ConsoleText(PagePromptErase);
            }
        }
    }
    return true;
}

int BrowseEvents(FILE *workFile, uint8_t *buffer)
{
    uint64_t length = 0;
    if (!SeekFileEnd(workFile) || !TellFile(workFile, &length) || !SeekFile(workFile, 0)) {
        ConsoleText("\rKAVELIN: Error reading event header.\r\n");
        return 1;
    }
    uint64_t position = 0;   // where the next header is read
    bool leave = false;
    for (;;) {
        if (leave || ConsoleInterrupted())
            return 0;
        if (Settings.NoPause == 1)
            AdvanceSpinner();
        else
            ClearScreen();

        const uint64_t offset = position;
        if (offset >= length)
            return 0;
        uint8_t raw[EventHeaderSize];
        if (std::fread(raw, sizeof raw, 1, workFile) != 1) {
            ConsoleText("\rKAVELIN: Error reading event header.\r\n");
            return 1;
        }
        EventHeader header = DecodeEventHeader(raw);
        WriteHeaderLines(header);

        if (header.TracedSize > EventDataBufferSize) {
            ListingPrintf("\rKAVELIN: Error reading event data.\r\nCause : Traced size larger than the event "
                          "buffer of %u bytes.\r\n",
                          static_cast<unsigned>(EventDataBufferSize));
            return 1;
        }
        if (header.TracedSize > 0 && std::fread(buffer, header.TracedSize, 1, workFile) != 1) {
            ListingPrintf("\rKAVELIN: Error reading event data.\r\n");
            return 1;
        }
        position = offset + EventHeaderSize + header.TracedSize;   // the next event

        // A source without a slot (over 255) has no handler: dumped.
        TraceEventHandlerFn handler = Settings.DecodeLevel != 0 ? FindSourceHandler(header.Source) : nullptr;
        if (handler) {
            FlushOutput();
            handler(&header, buffer, &Settings);
        } else if (!DumpEventData(buffer, header.TracedSize)) {
            return 0;   // no key for the page pause: as if e(X)it
        }

        if (Settings.NoPause == 1) {
            ListingWrite("\n\n", 2);
            if (std::ferror(ListingStream()))
                return 1;   // the listing cannot be written: no use going on
            continue;
        }
        int key = ReadOption();
        if (key < 0)
            return 0;   // no key: as if e(X)it
        if (key == 'P') {
            // A damaged link is followed wherever it leads, as long as the
            // event there can be read within the file.
            if (!EventFitsAt(workFile, header.PrevOffset, length)) {
                ConsolePrintf("\rKAVELIN: Error, Bad previous event offset %lu in event #%06d.\r\n",
                              static_cast<unsigned long>(header.PrevOffset), header.EventNumber);
                return 1;
            }
            position = header.PrevOffset;
        } else if (key == 'X') {
            leave = true;
        }
        if (!SeekFile(workFile, position)) {
            ConsoleText("\rKAVELIN: Error reading event header.\r\n");
            return 1;
        }
    }
}
