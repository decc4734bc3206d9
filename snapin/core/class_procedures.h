// The class procedures the host calls for objects of each registered class,
// and the library's start and end.
#ifndef RAX_CLASS_PROCEDURES_H
#define RAX_CLASS_PROCEDURES_H

#include "core/snapin_state.h"

#include <cstdint>

// Class procedure messages (only the low 16 bits of the code count).
namespace rax {
inline constexpr uint32_t ClassMsgSetup = 256;
inline constexpr uint32_t ClassMsgCleanup = 257;
inline constexpr uint32_t ClassMsgLoad = 259;
inline constexpr uint32_t ClassMsgPageInfo = 260;
inline constexpr uint32_t ClassMsgSave = 262;
inline constexpr uint32_t ClassMsgQuery = 272;
inline constexpr int32_t ClassQueryAnswer = 137;

inline constexpr std::size_t TabTitleSize = 126;

// One row of a class's page table.
struct PageTableRow {
    PageInfo info;
    char title[TabTitleSize];
};

// Copies row `index` of a table into the host's record; rows outside the
// table leave the record alone.
void FillPageInfo(const PageTableRow *table, uint32_t rows, uint32_t index, PageInfo *info);
} // namespace rax

extern "C" {
int32_t WINAPI InitSnapin();
void WINAPI ShutDown();
int32_t WINAPI SnapinUserProc(const char *objectName, uint32_t message, uint32_t pageIndex, rax::PageInfo *info);
int32_t WINAPI SnapinOuProc(const char *objectName, uint32_t message, uint32_t pageIndex, rax::PageInfo *info);
int32_t WINAPI SnapinOProc(const char *objectName, uint32_t message, uint32_t pageIndex, rax::PageInfo *info);
int32_t WINAPI SnapinLocalProc(const char *objectName, uint32_t message, uint32_t pageIndex, rax::PageInfo *info);
int32_t WINAPI SnapinCountryProc(const char *objectName, uint32_t message, uint32_t pageIndex, rax::PageInfo *info);
int32_t WINAPI SnapinRAXProc(const char *objectName, uint32_t message, uint32_t pageIndex, rax::PageInfo *info);
}

#endif
