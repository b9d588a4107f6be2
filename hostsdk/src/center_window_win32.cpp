#include "hostsdk/util.h"

BOOL CenterWindow(HWND window, HWND parent) {
  RECT box;
  RECT over;
  if (!window || !GetWindowRect(window, &box)) return FALSE;
  if (!parent || !GetWindowRect(parent, &over)) {
    over.left = 0;
    over.top = 0;
    over.right = GetSystemMetrics(SM_CXSCREEN);
    over.bottom = GetSystemMetrics(SM_CYSCREEN);
  }
  const int w = box.right - box.left;
  const int h = box.bottom - box.top;
  const int x = over.left + ((over.right - over.left) - w) / 2;
  const int y = over.top + ((over.bottom - over.top) - h) / 2;
  return SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
