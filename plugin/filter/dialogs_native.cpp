// The native module has no dialog resources: both dialogs answer the
// platform's failure value and leave the configuration alone.
#include "filter/mirror_filter.h"

INT_PTR MirrorFilter::ShowAbout(HWND) noexcept { return platform::kDialogFailed; }
int MirrorFilter::ShowControl(HWND) noexcept { return static_cast<int>(platform::kDialogFailed); }
INT_PTR MirrorFilter::HandleControlMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }
