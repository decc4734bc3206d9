#include "core/class_procedures.h"

namespace rax {

void FillPageInfo(const PageTableRow *table, uint32_t rows, uint32_t index, PageInfo *info)
{
    if (!info || !table || index >= rows)
        return;
    *info = table[index].info;
    info->reserved = 0;
}

} // namespace rax
