// The host's side of one object's property pages: it drives a snap-in's class
// procedure through set-up, load and page information, creates each page from
// the snap-in's template and page procedure, watches for change notices, and
// on OK applies every page and saves. Used by the host program and by tests.
#ifndef RAX_HOST_OBJECT_SHEET_H
#define RAX_HOST_OBJECT_SHEET_H

#include "admhost95.h"

#include <string>
#include <vector>

namespace host {

struct SheetPage {
    HostPageInfo info{};
    std::string templateName;   // copied: the snap-in owns the texts of its page table
    std::string tabTitle;
    HWND window = nullptr;
    int changeNotices = 0;      // change notices the page sent to its own window
};

class ObjectSheet {
public:
    ObjectSheet(HostClassProc classProc, std::string objectName);
    ~ObjectSheet();
    ObjectSheet(const ObjectSheet &) = delete;
    ObjectSheet &operator=(const ObjectSheet &) = delete;

    // Set-up (256), load (259) and one page information request (260) per page.
    // Returns the number of pages the class procedure announced.
    int Open();

    // Creates every page as a child of `parent` (hidden when `visible` is false).
    bool CreatePages(HWND parent, bool visible);

    // Sends the apply request to each page in order and stops at the first page
    // that refuses; its index goes to *refusedPage. True when every page accepted.
    // A page refuses by answering 0 after it announced a change or showed a
    // message; a 0 from a page that did neither (a page with nothing to
    // validate) is not a refusal. After a refusal the host must not save: the
    // refusing page may have left its edited state half taken.
    bool Apply(int *refusedPage = nullptr);

    // Help request to page `index`.
    void Help(size_t index);

    // Save (262). The host saves only after every page accepted the apply request.
    void Save();

    // Destroys the pages and ends the class's use of its page table (257).
    void Close();

    const std::vector<SheetPage> &Pages() const { return m_pages; }
    int LoadResult() const { return m_loadResult; }

private:
    static LRESULT CALLBACK PageSubclass(HWND, UINT, WPARAM, LPARAM);

    HostClassProc m_classProc;
    std::string m_objectName;
    std::vector<SheetPage> m_pages;
    int m_loadResult = 0;
    bool m_open = false;
};

} // namespace host

#endif
