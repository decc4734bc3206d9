// Message boxes of the calling thread, caught when they are activated and
// answered with OK, so no test waits for a click.
#ifndef RAX_TESTS_BOX_CAPTURE_H
#define RAX_TESTS_BOX_CAPTURE_H

#include <windows.h>

#include <string>
#include <vector>

namespace raxtest {

struct CapturedBox {
    std::string text;
    std::string caption;
    HWND owner = nullptr;
    bool stopIcon = false;
};

// While alive, records every message box this thread opens and closes it.
// Boxes of other processes are left alone: under Wine a thread's hook also
// hears of windows that other programs on the same desktop activate, and
// tests run side by side.
class BoxCapture {
public:
    BoxCapture();
    ~BoxCapture();
    BoxCapture(const BoxCapture &) = delete;
    BoxCapture &operator=(const BoxCapture &) = delete;
    const std::vector<CapturedBox> &Boxes() const;
    int ForeignActivations() const;
};

} // namespace raxtest

#endif
