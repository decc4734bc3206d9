// The texts of a list box as the value builders read them, one at a time and
// without a copy of the whole list.
#ifndef RAX_LIST_BOX_ENTRIES_WIN32_H
#define RAX_LIST_BOX_ENTRIES_WIN32_H

#include "network/value_lists.h"

#include <windows.h>

namespace rax {

// The longest list-box text read back; a longer one (no entry the snap-in
// makes comes near it) reads as empty, which the builders pass over.
inline constexpr std::size_t ListBoxTextRoom = 256;

class ListBoxEntries {
public:
    explicit ListBoxEntries(HWND list);
    ListBoxEntries(const ListBoxEntries &) = delete;
    ListBoxEntries &operator=(const ListBoxEntries &) = delete;

    const ListEntries &Entries() const { return m_entries; }

private:
    static std::string_view Text(const void *context, std::size_t index);

    HWND m_list;
    char m_buffer[ListBoxTextRoom + 1];
    ListEntries m_entries;
};

// Number of entries of a list box (0 when it has none or is missing).
std::size_t ListBoxCount(HWND list);

} // namespace rax

#endif
