// tracegen: writes a deterministic event trace for the viewer.
//
//   tracegen -o FILE [--seed N] [--events N | --bytes N[K|M|G]]
//            [--min-data N] [--max-data N] [--sources ID,ID,...]
//            [--trailing N] [--cut-data N] [--ppp-source ID]
//
// --ppp-source fills the events of that source with PPP frames. Numbers
// are decimal, or hexadecimal after "0x".
// --trailing appends N bytes of a header cut short; --cut-data removes N
// bytes from the last event's data. Both make damaged traces for tests.
#include "trace_generator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage()
{
    std::fputs("usage: tracegen -o FILE [--seed N] [--events N | --bytes N[K|M|G]]\n"
               "                [--min-data N] [--max-data N] [--sources ID,ID,...]\n"
               "                [--trailing N] [--cut-data N] [--ppp-source ID]\n",
               stderr);
    return 2;
}

bool ParseNumber(const char *text, uint64_t &value)
{
    char *end = nullptr;
    bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    unsigned long long n = std::strtoull(hex ? text + 2 : text, &end, hex ? 16 : 10);
    if (end == text + (hex ? 2 : 0))
        return false;
    uint64_t scale = 1;
    if (*end == 'K' || *end == 'k')
        scale = 1ULL << 10;
    else if (*end == 'M' || *end == 'm')
        scale = 1ULL << 20;
    else if (*end == 'G' || *end == 'g')
        scale = 1ULL << 30;
    if (scale != 1)
        ++end;
    if (*end != '\0')
        return false;
    value = n * scale;
    return true;
}

bool ParseSources(const char *text, std::vector<uint32_t> &sources)
{
    sources.clear();
    std::string list(text);
    std::size_t at = 0;
    while (at <= list.size()) {
        std::size_t comma = list.find(',', at);
        std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        uint64_t id;
        if (!ParseNumber(item.c_str(), id) || id > 0xFFFFFFFFULL)
            return false;
        sources.push_back(static_cast<uint32_t>(id));
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    return !sources.empty();
}

}  // namespace

int main(int argc, char **argv)
{
    TraceOptions options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (i + 1 >= argc)
            return Usage();
        const char *value = argv[++i];
        uint64_t n = 0;
        if (std::strcmp(arg, "-o") == 0) {
            output = value;
            continue;
        }
        if (std::strcmp(arg, "--sources") == 0) {
            if (!ParseSources(value, options.Sources))
                return Usage();
            continue;
        }
        if (!ParseNumber(value, n))
            return Usage();
        if (std::strcmp(arg, "--seed") == 0)
            options.Seed = n;
        else if (std::strcmp(arg, "--events") == 0)
            options.Events = n;
        else if (std::strcmp(arg, "--bytes") == 0)
            options.TargetBytes = n;
        else if (std::strcmp(arg, "--min-data") == 0)
            options.MinData = static_cast<uint32_t>(n);
        else if (std::strcmp(arg, "--max-data") == 0)
            options.MaxData = static_cast<uint32_t>(n);
        else if (std::strcmp(arg, "--trailing") == 0)
            options.TrailingBytes = static_cast<uint32_t>(n);
        else if (std::strcmp(arg, "--ppp-source") == 0)
            options.PppSource = static_cast<uint32_t>(n);
        else if (std::strcmp(arg, "--cut-data") == 0)
            options.CutLastData = static_cast<uint32_t>(n);
        else
            return Usage();
    }
    if (output.empty())
        return Usage();
    if (!WriteTraceFile(options, output)) {
        std::fprintf(stderr, "tracegen: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
