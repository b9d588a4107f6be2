#include "host/message_window.h"

#include <cstdint>

#include "host/interrupt.h"

namespace zarn::host {
namespace {
MessageWindow* current = nullptr;
}

bool MessageWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == CANVAS_PROGRESS) {
    if (current && current->onProgress)
      current->onProgress(static_cast<long long>(wParam), static_cast<long long>(lParam));
    return true;
  }
  if (message == CANVAS_QUERY_ABORT) {
    if (Interrupted() && lParam != 0) {
      *reinterpret_cast<std::int32_t*>(lParam) = 1;
      if (current) current->abortSent_ = true;
    }
    return true;
  }
  return false;
}

namespace {
LRESULT CALLBACK Procedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  MessageWindow::Handle(message, wParam, lParam);
  return 0;
}
}  // namespace

// Natively an in-process window that SendMessageA delivers to; on Win32 a
// real message-only window of this thread.
MessageWindow::MessageWindow() {
  current = this;
  window_ = platform::CreateMessageWindow(Procedure);
}

MessageWindow::~MessageWindow() {
  if (window_) platform::DestroyMessageWindow(window_);
  current = nullptr;
}

}  // namespace zarn::host
