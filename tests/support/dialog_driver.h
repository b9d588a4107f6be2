// Drives a modal dialog from a timer of the thread that shows it: the timer
// fires inside the dialog's own modal loop, finds the thread's window by
// caption and acts on it once.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

#include "platform/win.h"

namespace zarntest {

inline constexpr INT_PTR kStuck = 4242;  // end value when a script left its dialog open
inline constexpr int kTickMs = 20;
inline constexpr int kGiveUpTicks = 250;

struct Driver {
  const char* caption;
  std::function<void(HWND)> act;
  bool acted = false;
  int ticks = 0;
};
inline Driver* driver = nullptr;

struct CaptionSearch {
  const char* caption;
  HWND found;
};
inline BOOL CALLBACK MatchCaption(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<CaptionSearch*>(param);
  char text[64] = {};
  GetWindowTextA(window, text, sizeof(text));
  if (std::strcmp(text, search->caption) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

// The window of this thread with that caption: another test process under
// the same wineserver may show a dialog of the same name.
inline HWND FindOwnWindow(const char* caption) {
  CaptionSearch search{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!driver) return;
  ++driver->ticks;
  HWND dialog = FindOwnWindow(driver->caption);
  if (dialog && !driver->acted) {
    driver->acted = true;
    driver->act(dialog);
  } else if (dialog && driver->ticks > kGiveUpTicks) {
    EndDialog(dialog, kStuck);
  }
}

// Runs show() while act(dialog) is applied once to the window with that
// caption; answers what show() answers.
inline INT_PTR Drive(const char* caption, std::function<void(HWND)> act,
                     std::function<INT_PTR()> show) {
  Driver d{caption, std::move(act)};
  driver = &d;
  const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, Tick);
  const INT_PTR result = show();
  KillTimer(nullptr, timer);
  driver = nullptr;
  EXPECT_TRUE(d.acted) << "no window captioned " << caption;
  return result;
}

inline void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
// Escape as the keyboard gives it: the modal loop turns it into IDCANCEL.
inline void Escape(HWND dialog) {
  HWND focus = GetFocus();
  PostMessageA(focus ? focus : dialog, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(focus ? focus : dialog, WM_KEYUP, VK_ESCAPE, 0);
}
inline void CloseBox(HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }

// Wine shows windows only with an X display.
inline bool HasDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}

}  // namespace zarntest
