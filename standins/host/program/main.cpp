// RAXHOST: a small directory administrator host. It loads the snap-in, lists the
// objects of the directory (the store, or a directory server), and shows the
// property pages the snap-in adds to an object. Without a display it runs the
// same steps headless. DIR is "/store FILE" or "/directory URL".
//
//   RAXHOST [DIR] [/snapin DLL]                    the window: objects, then pages
//   RAXHOST [DIR] /open OBJECT [/page N]           the window, opened on one object (page N first)
//   RAXHOST [DIR] /list                            print the objects
//   RAXHOST [DIR] /headless /open OBJECT [/field PAGE ID TEXT]... [/ok]
//                                                  print the pages; /field types into a
//                                                  control; /ok applies and saves
#include "admhost95.h"
#include "dircli32_test.h"
#include "directory_objects.h"
#include "harness.h"
#include "object_sheet.h"
#include "sheet_window.h"
#include "snapin_library.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Text typed into control ID of page PAGE (from 1) before the pages are applied.
struct Field {
    int page = 0;
    int id = 0;
    std::string text;
};

struct Options {
    std::string store;
    std::string directory;
    std::string snapin = "RAXADM95.DLL";
    std::string object;
    int page = 1;
    bool list = false;
    bool headless = false;
    bool ok = false;
    std::vector<Field> fields;
};

bool ParseNumber(const std::string &text, int &value)
{
    char *end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n <= 0 || n > 0xFFFF)
        return false;
    value = static_cast<int>(n);
    return true;
}

bool ParseOptions(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&](std::string &into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (lstrcmpiA(arg.c_str(), "/store") == 0) {
            if (!next(options.store))
                return false;
        } else if (lstrcmpiA(arg.c_str(), "/directory") == 0) {
            if (!next(options.directory))
                return false;
        } else if (lstrcmpiA(arg.c_str(), "/snapin") == 0) {
            if (!next(options.snapin))
                return false;
        } else if (lstrcmpiA(arg.c_str(), "/open") == 0) {
            if (!next(options.object))
                return false;
        } else if (lstrcmpiA(arg.c_str(), "/page") == 0) {
            std::string number;
            if (!next(number))
                return false;
            options.page = std::atoi(number.c_str());
        } else if (lstrcmpiA(arg.c_str(), "/list") == 0) {
            options.list = true;
        } else if (lstrcmpiA(arg.c_str(), "/headless") == 0) {
            options.headless = true;
        } else if (lstrcmpiA(arg.c_str(), "/field") == 0) {
            Field field;
            std::string page, id;
            if (!next(page) || !next(id) || !next(field.text) || !ParseNumber(page, field.page) ||
                !ParseNumber(id, field.id))
                return false;
            options.fields.push_back(std::move(field));
        } else if (lstrcmpiA(arg.c_str(), "/ok") == 0) {
            options.ok = true;
        } else {
            return false;
        }
    }
    return options.store.empty() || options.directory.empty();
}

const char Usage[] =
    "RAXHOST [/store FILE | /directory URL] [/snapin DLL] [/list | [/headless] /open OBJECT [/page N]\n"
    "        [/field PAGE ID TEXT]... [/ok]]\n"
    "  /store FILE    the directory store (default: RAX_DIRECTORY_STORE, else directory.ldif\n"
    "                 beside the directory client)\n"
    "  /directory URL the directory server(s), as RAX_DIRECTORY_URL: \"ldap://HOST:PORT/o=ROOT ...\"\n"
    "                 (identity: RAX_DIRECTORY_BIND_DN and RAX_DIRECTORY_PASSWORD_FILE)\n"
    "  /snapin DLL    the snap-in to load (default RAXADM95.DLL)\n"
    "  /list          print the objects of the directory and end\n"
    "  /open OBJECT   open the pages of one object\n"
    "  /page N        with /open in the window: show page N first\n"
    "  /headless      no window: print the pages; with /ok apply them and save\n"
    "  /field PAGE ID TEXT  headless: type TEXT into control ID of page PAGE first\n";

std::string SheetCaption(const host::DirectoryObject &object)
{
    std::string leaf = object.name.substr(0, object.name.find('.'));
    size_t eq = leaf.find('=');
    if (eq != std::string::npos)
        leaf = leaf.substr(eq + 1);
    return leaf + " Properties";
}

const char NoWindowsHint[] =
    "RAXHOST: no window can be created here: without a display, Wine needs its \"null\" graphics driver\n"
    "  (wine reg add \"HKCU\\Software\\Wine\\Drivers\" /v Graphics /d null /f)\n";

// Headless, nobody can answer a message box: each one is printed and closed
// with OK, and a dialog is cancelled.
void PrintMessages(const harness::ModalCapture &capture, size_t &printed)
{
    for (; printed < capture.Boxes().size(); ++printed)
        std::printf("message: %s: %s\n", capture.Boxes()[printed].caption.c_str(),
                    capture.Boxes()[printed].text.c_str());
}

// Types each field's text into its control, as a user would before pressing OK.
bool TypeFields(const host::ObjectSheet &sheet, const std::vector<Field> &fields)
{
    for (const Field &field : fields) {
        size_t index = static_cast<size_t>(field.page - 1);
        HWND page = index < sheet.Pages().size() ? sheet.Pages()[index].window : nullptr;
        HWND control = page ? GetDlgItem(page, field.id) : nullptr;
        if (!control) {
            std::printf("field: page %d has no control %d\n", field.page, field.id);
            return false;
        }
        SetWindowTextA(control, field.text.c_str());
        std::printf("field: page %d control %d: %s\n", field.page, field.id, field.text.c_str());
    }
    return true;
}

int RunHeadless(const host::DirectoryObject &object, bool ok, const std::vector<Field> &fields,
                harness::ModalCapture &capture)
{
    size_t printed = 0;
    PrintMessages(capture, printed);
    HostClassProc proc = HostFindClassProc(object.className.c_str());
    std::printf("object: %s (%s)\n", object.name.c_str(), object.className.c_str());
    if (!proc) {
        std::printf("no pages: the snap-in registered no class procedure for %s\n", object.className.c_str());
        return 0;
    }
    HWND parent = CreateWindowExA(0, "STATIC", "sheet", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr);
    int status = 0;
    {
        host::ObjectSheet sheet(proc, object.name);
        int count = sheet.Open();
        PrintMessages(capture, printed);
        bool created = sheet.CreatePages(parent, false);
        std::printf("pages: %d\n", count);
        for (size_t i = 0; i < sheet.Pages().size(); ++i)
            std::printf("page %zu: %s (%s)%s\n", i + 1, sheet.Pages()[i].tabTitle.c_str(),
                        sheet.Pages()[i].templateName.c_str(), sheet.Pages()[i].window ? "" : " not created");
        if (!created) {
            // A page that is not there can neither be applied nor saved.
            if (!parent)
                std::fputs(NoWindowsHint, stderr);
            std::fputs("RAXHOST: not every page could be created: nothing saved\n", stderr);
            status = 1;
        } else if (!TypeFields(sheet, fields)) {
            status = 1;
        } else if (ok) {
            int refused = -1;
            if (sheet.Apply(&refused)) {
                sheet.Save();
                std::printf("applied and saved\n");
            } else {
                PrintMessages(capture, printed);
                std::printf("refused by page %d: nothing saved\n", refused + 1);
                status = 1;
            }
        }
    }
    PrintMessages(capture, printed);
    DestroyWindow(parent);
    return status;
}

// The main window: the directory's objects; Enter or a double click opens one.
struct MainWindow {
    std::vector<host::DirectoryObject> objects;
    HWND list = nullptr;
};

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *main = reinterpret_cast<MainWindow *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE:
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA *>(lParam)->lpCreateParams));
        break;
    case WM_CREATE: {
        main->list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                     WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0,
                                     10, 10, window, reinterpret_cast<HMENU>(1), nullptr, nullptr);
        SendMessageA(main->list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        for (const auto &object : main->objects) {
            std::string line = object.name + "    [" + object.className + "]";
            SendMessageA(main->list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        }
        SendMessageA(main->list, LB_SETCURSEL, 0, 0);
        return 0;
    }
    case WM_SIZE:
        MoveWindow(main->list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(main->list);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == 1 && HIWORD(wParam) == LBN_DBLCLK) {
            LRESULT index = SendMessageA(main->list, LB_GETCURSEL, 0, 0);
            if (index >= 0 && static_cast<size_t>(index) < main->objects.size()) {
                const auto &object = main->objects[static_cast<size_t>(index)];
                if (HostClassProc proc = HostFindClassProc(object.className.c_str()))
                    host::RunSheetWindow(window, proc, object.name, SheetCaption(object));
                else
                    MessageBoxA(window, "The snap-in adds no pages to objects of this class.", "RAXHOST",
                                MB_OK | MB_ICONINFORMATION);
            }
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int RunWindow(std::vector<host::DirectoryObject> objects, const host::DirectoryObject *openAtStart, int firstPage)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    MainWindow main;
    main.objects = std::move(objects);
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "RaxHostMain";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "RaxHostMain", "Directory Administrator - RAXHOST", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 520, 360, nullptr, nullptr, instance, &main);
    if (!window)
        return 1;
    ShowWindow(window, SW_SHOW);
    if (openAtStart) {
        if (HostClassProc proc = HostFindClassProc(openAtStart->className.c_str()))
            host::RunSheetWindow(window, proc, openAtStart->name, SheetCaption(*openAtStart), firstPage - 1);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == main.list) {
            SendMessageA(window, WM_COMMAND, MAKEWPARAM(1, LBN_DBLCLK), 0);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(Usage, stdout);
        return 2;
    }
    // Before the directory client's first call, which takes its settings.
    if (!options.directory.empty())
        SetEnvironmentVariableA("RAX_DIRECTORY_URL", options.directory.c_str());
    if (!options.store.empty() && DirTestUseStoreFile(options.store.c_str()) != 0) {
        std::fprintf(stderr, "RAXHOST: %s: the store file cannot be used\n", options.store.c_str());
        return 1;
    }
    // Headless, boxes are answered from the start: loading the snap-in may show one.
    std::unique_ptr<harness::ModalCapture> capture;
    if (options.headless)
        capture = std::make_unique<harness::ModalCapture>();
    host::SnapinLibrary snapin;
    std::string error;
    if (!snapin.Load(options.snapin.c_str(), &error)) {
        std::fprintf(stderr, "RAXHOST: %s\n", error.c_str());
        return 1;
    }
    // One object is opened without listing the others (a server may hold many).
    host::DirectoryObject chosen;
    if (!options.list && !options.object.empty() && !host::FindDirectoryObject(options.object, chosen, &error)) {
        std::fprintf(stderr, "RAXHOST: %s\n", error.c_str());
        return 1;
    }
    if (options.headless) {
        if (options.object.empty()) {
            std::fputs(Usage, stdout);
            return 2;
        }
        return RunHeadless(chosen, options.ok, options.fields, *capture);
    }
    std::vector<host::DirectoryObject> objects = host::ListDirectoryObjects(&error);
    if (objects.empty() && !error.empty()) {
        std::fprintf(stderr, "RAXHOST: %s\n", error.c_str());
        return 1;
    }
    if (options.list) {
        for (const auto &object : objects)
            std::printf("%s\t%s\n", object.name.c_str(), object.className.c_str());
        return 0;
    }
    return RunWindow(std::move(objects), options.object.empty() ? nullptr : &chosen, options.page);
}
