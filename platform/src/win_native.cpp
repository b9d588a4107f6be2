#include "platform/win.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace {
std::mutex windowsMutex;
std::unordered_map<HWND, WNDPROC>& Windows() {
  static std::unordered_map<HWND, WNDPROC> windows;
  return windows;
}
std::atomic<std::uintptr_t> nextHandle{0x1000};
std::atomic<int> commonControlsInits{0};
}  // namespace

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure = nullptr;
  {
    std::lock_guard<std::mutex> lock(windowsMutex);
    auto it = Windows().find(window);
    if (it != Windows().end()) procedure = it->second;
  }
  return procedure ? procedure(window, message, wParam, lParam) : 0;
}

void InitCommonControls() { ++commonControlsInits; }

namespace platform {
HWND CreateMessageWindow(WNDPROC procedure) {
  HWND window = reinterpret_cast<HWND>(nextHandle.fetch_add(0x10));
  std::lock_guard<std::mutex> lock(windowsMutex);
  Windows()[window] = procedure;
  return window;
}

void DestroyMessageWindow(HWND window) {
  std::lock_guard<std::mutex> lock(windowsMutex);
  Windows().erase(window);
}

int CommonControlsInitCount() { return commonControlsInits.load(); }
}  // namespace platform
