#include "hostsdk/util.h"

// No windows to move natively.
BOOL CenterWindow(HWND, HWND) { return FALSE; }
