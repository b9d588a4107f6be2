#include "platform/win.h"

namespace platform {
namespace {
const char kClassName[] = "ZarnMessageWindow";

// The caller's procedure rides in the window's user data, so one class
// serves every message window.
LRESULT CALLBACK Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (procedure && message != WM_NCCREATE && message != WM_NCDESTROY && message != WM_CREATE &&
      message != WM_DESTROY && message != WM_NCCALCSIZE && message != WM_GETMINMAXINFO)
    return procedure(window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

HWND CreateMessageWindow(WNDPROC procedure) {
  static ATOM registered = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Dispatch;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc);
  }();
  if (!registered) return nullptr;
  return CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), reinterpret_cast<LPVOID>(procedure));
}

void DestroyMessageWindow(HWND window) {
  if (window) DestroyWindow(window);
}
}  // namespace platform
