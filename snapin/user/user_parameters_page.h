// The User Parameters page as seen from outside its dialog procedure.
#ifndef RAX_USER_PARAMETERS_PAGE_H
#define RAX_USER_PARAMETERS_PAGE_H

#include "core/pages.h"   // UserParametersPageDlg

namespace rax {

inline constexpr const char UserParametersTemplate[] = "UserParameters";

// True from the page's creation until its own end-of-loading message arrives.
bool UserPageLoading();

} // namespace rax

#endif
