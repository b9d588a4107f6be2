// The dialog procedures of the About box and the control dialog, in the
// platform's form: 1 for a message handled, 0 otherwise.
#pragma once
#include "platform/win.h"

INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM first, LPARAM second);
INT_PTR CALLBACK ControlDlgProc(HWND window, UINT message, WPARAM first, LPARAM second);
