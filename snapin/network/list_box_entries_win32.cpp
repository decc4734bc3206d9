#include "network/list_box_entries_win32.h"

namespace rax {

std::size_t ListBoxCount(HWND list)
{
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

ListBoxEntries::ListBoxEntries(HWND list) : m_list(list), m_buffer{}, m_entries{ListBoxCount(list), Text, this} {}

std::string_view ListBoxEntries::Text(const void *context, std::size_t index)
{
    auto *self = static_cast<ListBoxEntries *>(const_cast<void *>(context));
    LRESULT length = SendMessageA(self->m_list, LB_GETTEXTLEN, index, 0);
    if (length <= 0 || static_cast<std::size_t>(length) > ListBoxTextRoom)
        return {};
    LRESULT got = SendMessageA(self->m_list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(self->m_buffer));
    if (got <= 0 || static_cast<std::size_t>(got) > ListBoxTextRoom)
        return {};
    return std::string_view(self->m_buffer, static_cast<std::size_t>(got));
}

} // namespace rax
