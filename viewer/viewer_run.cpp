#include "viewer_run.h"

#include "command_line.h"
#include "output.h"
#include "settings.h"
#include "work_file.h"

#include <cstdio>

int RunViewer(int argc, char **argv)
{
    if (ParseCommandLine(argc, argv) != 0)
        return 1;

    FILE *work = nullptr;
    if (PrepareWorkFile(Settings.TraceFileName, &work, EventDataBuffer) != 0) {
        if (work)
            std::fclose(work);
        FlushOutput();
        return 1;
    }

    std::fclose(work);
    StampWorkFile();
    FlushOutput();
    return 0;
}
