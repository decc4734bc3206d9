#include "trace_handlers.h"

#include "dynamic_library.h"
#include "output.h"
#include "profile_file.h"
#include "program_path.h"
#include "settings.h"
#include "trace_handlers_internal.h"

#include <string>

namespace {

// Source identifier -> the event handler of the plug-in that claimed it.
TraceEventHandlerFn SourceTable[SourceTableSize];

// Handler number -> its loaded library. Entered as soon as a library loads,
// so that FreeTraceHandlers releases it whatever fails afterwards.
LibraryHandle HandlerLibraryTable[HandlerLibraryTableSize];

const char SectionName[] = "TraceHandlers";
const char MissingName[] = "(None)";

void EmptySourceTable()
{
    for (TraceEventHandlerFn &slot : SourceTable)
        slot = nullptr;
}

// Enters `library` in slot n; a library left there by an earlier loading is
// released first rather than lost.
void EnterHandlerLibrary(unsigned n, LibraryHandle library)
{
    CloseLibrary(HandlerLibraryTable[n]);
    HandlerLibraryTable[n] = library;
}

// Asks the plug-in for its sources and claims them in the SourceTable. The
// first claim of a source wins; a refused claim ends the plug-in's claims
// but is not a failure. Returns 1 (after its message) when the plug-in
// gives no sources.
int ClaimSources(const char *name, SourceIDQueryHandlerFn query, TraceEventHandlerFn handler, std::FILE *out)
{
    uint32_t count = 0;
    uint32_t *ids = nullptr;
    query(&count, &ids);
    if (count == 0 || ids == nullptr) {
        std::fprintf(out, "KAVELIN: No source IDs returned by dll \"%s\".\n", name);
        return 1;
    }
    // The array is the plug-in's: read it now and keep nothing of it.
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t id = ids[i];
        if (id >= SourceTableSize) {
            std::fprintf(out, "KAVELIN: dll \"%s\". tried to register for source %u which is out of range.\n",
                         name, static_cast<unsigned>(id));
            break;
        }
        if (SourceTable[id] != nullptr) {
            std::fprintf(out, "KAVELIN: dll \"%s\". tried to register for source %d wich is taken.\n", name,
                         static_cast<int>(id));
            break;
        }
        SourceTable[id] = handler;
    }
    return 0;
}

}  // namespace

int LoadTraceHandlersFromIni(const char *iniPath, std::FILE *out)
{
    EmptySourceTable();

    unsigned count = ReadProfileInt(iniPath, SectionName, "Count", 0);
    if (count == 0) {
        std::fputs("KAVELIN: No trace handlers found.\n", out);
        return 1;
    }
    // Handler numbers past 255 have no slot in the library table.
    if (count >= HandlerLibraryTableSize) {
        std::fprintf(out, "KAVELIN: Too many trace handlers (%u); at most %u.\n", count,
                     HandlerLibraryTableSize - 1);
        return 1;
    }

    for (unsigned n = 1; n <= count; ++n) {
        std::string key = "Handler." + std::to_string(n);
        // Read with room to spare, so that a name too long for its buffer is
        // refused instead of being loaded cut short.
        char name[HandlerNameBufferSize + 1];
        unsigned length = ReadProfileString(iniPath, SectionName, key.c_str(), MissingName, name, sizeof name);
        if (std::string_view(name) == MissingName || length >= HandlerNameBufferSize) {
            std::fprintf(out, "KAVELIN: Failure reading handler #%u name.\n", n);
            return 1;
        }

        if (Verbose == 1)
            std::fprintf(out, "Loading %s.\n", name);

        LibraryHandle library = OpenLibrary(name);
        if (library == nullptr) {
            std::fprintf(out, "KAVELIN: Failure loading dll \"%s\".\n", name);
            return 1;
        }
        EnterHandlerLibrary(n, library);

        auto query = reinterpret_cast<SourceIDQueryHandlerFn>(FindLibraryEntry(library, "SourceIDQueryHandler_"));
        if (query == nullptr) {
            std::fprintf(out, "KAVELIN: Failure importing ID query handler for dll \"%s\".\n", name);
            return 1;
        }
        auto handler = reinterpret_cast<TraceEventHandlerFn>(FindLibraryEntry(library, "TraceEventHandler_"));
        if (handler == nullptr) {
            std::fprintf(out, "KAVELIN: Failure importing event handler for dll \"%s\".\n", name);
            return 1;
        }
        if (ClaimSources(name, query, handler, out) != 0)
            return 1;
    }

    if (Verbose == 1)
        std::fputs("KAVELIN: Finished loading sequence.\n", out);
    return 0;
}

int LoadTraceHandlers()
{
    EmptySourceTable();

    std::string programPath;
    if (!GetProgramPath(programPath)) {
        std::fputs("KAVELIN: Unable to get module name.\n", ListingStream());
        return 1;
    }
    std::string iniPath;
    if (!ProgramIniFileName(programPath, iniPath)) {
        std::fputs("KAVELIN: Module name doesn't have .EXE extension.\n", ListingStream());
        return 1;
    }
    return LoadTraceHandlersFromIni(iniPath.c_str(), ListingStream());
}

void FreeTraceHandlers()
{
    // The handlers go with their libraries: empty the table that points at them.
    EmptySourceTable();
    for (LibraryHandle &library : HandlerLibraryTable) {
        CloseLibrary(library);
        library = nullptr;
    }
}

TraceEventHandlerFn FindSourceHandler(uint32_t source)
{
    return source < SourceTableSize ? SourceTable[source] : nullptr;
}

LibraryHandle HandlerLibrary(unsigned n)
{
    return n < HandlerLibraryTableSize ? HandlerLibraryTable[n] : nullptr;
}
