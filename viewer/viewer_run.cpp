#include "viewer_run.h"

#include "browser.h"
#include "command_line.h"
#include "console.h"
#include "console_lines.h"
#include "output.h"
#include "settings.h"
#include "trace_handlers.h"
#include "work_file.h"

#include <cstdio>

int RunViewer(int argc, char **argv)
{
    // Listings redirected to a file are written in large blocks.
    static char listingBuffer[1 << 16];
    if (!StandardOutputIsConsole())
        std::setvbuf(stdout, listingBuffer, _IOFBF, sizeof listingBuffer);

    if (ParseCommandLine(argc, argv) != 0) {
        FlushOutput();
        return 1;
    }

    FILE *work = nullptr;
    if (PrepareWorkFile(Settings.TraceFileName, &work, EventDataBuffer) != 0) {
        if (work)
            std::fclose(work);
        FreeTraceHandlers();
        FlushOutput();
        return 1;
    }

    int status = 0;
    if (LoadTraceHandlers() == 0) {
        // Ctrl-C from here on ends the run as e(X)it does: console lines
        // switched back, work file closed and stamped.
        CatchConsoleInterrupt();
        ToggleConsoleLines();
        ConsoleText("\nProcessing Trace, Please wait...  ");
        status = BrowseEvents(work, EventDataBuffer);
        ToggleConsoleLines();
    } else {
        status = 1;
    }

    std::fclose(work);
    StampWorkFile();
    FreeTraceHandlers();
    FlushOutput();
    // A listing that could not be written (a full disk, a closed pipe) is a
    // failed run, not a complete one.
    if (std::ferror(stdout)) {
        std::fputs("KAVELIN: Error writing to standard output.\n", stderr);
        status = 1;
    }
    return status;
}
