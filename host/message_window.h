// A window for the toolkit's long operations: it receives CANVAS_PROGRESS
// (wParam = row, lParam = last row) and answers CANVAS_QUERY_ABORT by
// writing 1 through lParam once Ctrl-C has been pressed. One at a time.
#pragma once
#include <functional>

#include "canvas/canvas.h"
#include "platform/win.h"

namespace zarn::host {

class MessageWindow {
 public:
  MessageWindow();
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Null when no window could be made; operations then run without one.
  HWND Handle() const { return window_; }
  // Called for each progress message with (row, last row).
  std::function<void(long long, long long)> onProgress;
  // Whether an abort was answered.
  bool AbortSent() const { return abortSent_; }

  // The shared message handling; true when the message was one of ours.
  static bool Handle(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HWND window_ = nullptr;
  bool abortSent_ = false;
};

}  // namespace zarn::host
