// langsup32.dll: the locale support stand-in. Only the name comparison.
#include <atomic>

#include "langsup32.h"
#include "langsup32_test.h"

namespace {

std::atomic<uint32_t> g_calls{0};

unsigned char Fold(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

extern "C" {

int32_t LANGAPI LangCompareNames(const char *first, const char *second)
{
    ++g_calls;
    const unsigned char *a = reinterpret_cast<const unsigned char *>(first ? first : "");
    const unsigned char *b = reinterpret_cast<const unsigned char *>(second ? second : "");
    for (;; ++a, ++b) {
        int diff = Fold(*a) - Fold(*b);
        if (diff != 0)
            return diff < 0 ? -1 : 1;
        if (*a == 0)
            return 0;
    }
}

uint32_t LangTestCallCount(void)
{
    return g_calls;
}

void LangTestResetCounts(void)
{
    g_calls = 0;
}

}  // extern "C"
