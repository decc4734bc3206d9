// Stands in for the command processor in tests: appends its command line to
// the file named by KAVELIN_RECORD and ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main()
{
    const char *record = std::getenv("KAVELIN_RECORD");
    if (!record)
        return 2;
    FILE *out = std::fopen(record, "ab");
    if (!out)
        return 3;
    std::fprintf(out, "%s\n", GetCommandLineA());
    std::fclose(out);
    return 0;
}
