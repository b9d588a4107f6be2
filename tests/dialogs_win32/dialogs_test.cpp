// Both dialogs shown for real and driven from a timer of the same thread,
// which runs inside the dialog's own modal loop.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/dialog_driver.h"
#include "filter/dialog_procs.h"
#include "filter/mirror_filter.h"
#include "frame/plugin_info.h"
#include "platform/win.h"

namespace {
using zarntest::Click;
using zarntest::CloseBox;
using zarntest::Drive;
using zarntest::Escape;

struct Checks {
  UINT horizontal = 99;
  UINT vertical = 99;
};
Checks Read(HWND dialog) {
  return {IsDlgButtonChecked(dialog, 1002), IsDlgButtonChecked(dialog, 1003)};
}

std::vector<std::uint32_t> Saved(MirrorFilter& filter) {
  std::vector<std::uint32_t> block(3);
  filter.SaveConfigure(block.data());
  return block;
}

class Dialogs : public ::testing::Test {
 protected:
  // The templates are linked into this executable.
  void SetUp() override { moduleInstance = GetModuleHandleA(nullptr); }
  void TearDown() override {
    moduleInstance = saved;
    EXPECT_EQ(controlDialogFilter, nullptr);
  }
  HINSTANCE const saved = moduleInstance;
};

// Showing a dialog needs an X display for Wine.
class LiveDialogs : public Dialogs {
 protected:
  void SetUp() override {
    if (!zarntest::HasDisplay()) GTEST_SKIP() << "no X display";
    Dialogs::SetUp();
  }
};

TEST_F(LiveDialogs, ControlShowsTheFlagsOfANewFilter) {
  MirrorFilter filter;
  Checks seen;
  MirrorFilter* serving = nullptr;
  const INT_PTR result = Drive(
      "Image Zarn Control",
      [&](HWND d) {
        seen = Read(d);
        serving = controlDialogFilter;
        Click(d, IDCANCEL);
      },
      [&] { return filter.ShowControl(nullptr); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(seen.horizontal, static_cast<UINT>(BST_CHECKED));
  EXPECT_EQ(seen.vertical, static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(serving, &filter);
}

TEST_F(LiveDialogs, ToggleBothAndOkWritesTheFlags) {
  MirrorFilter filter;
  const INT_PTR result = Drive(
      "Image Zarn Control",
      [&](HWND d) {
        Click(d, 1002);
        Click(d, 1003);
        Click(d, IDOK);
      },
      [&] { return filter.ShowControl(nullptr); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Saved(filter), (std::vector<std::uint32_t>{0x43FD4178u, 0, 1}));
}

struct CancelCase {
  const char* name;
  void (*end)(HWND);
};

TEST_F(LiveDialogs, EveryWayOutButOkLeavesTheConfigAlone) {
  const CancelCase cases[] = {
      {"Cancel", [](HWND d) { Click(d, IDCANCEL); }},
      {"Escape", Escape},
      {"close box", CloseBox},
  };
  for (const CancelCase& c : cases) {
    SCOPED_TRACE(c.name);
    MirrorFilter filter;
    Checks toggled;
    const INT_PTR result = Drive(
        "Image Zarn Control",
        [&](HWND d) {
          Click(d, 1002);
          Click(d, 1003);
          toggled = Read(d);
          c.end(d);
        },
        [&] { return filter.ShowControl(nullptr); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(toggled.horizontal, static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(toggled.vertical, static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(Saved(filter), (std::vector<std::uint32_t>{0x43FD4178u, 1, 0}));
  }
}

TEST_F(LiveDialogs, TwoFiltersEachSeeAndChangeTheirOwnFlags) {
  MirrorFilter first;
  MirrorFilter second;
  std::uint32_t block[3] = {0x43FD4178u, 0, 1};
  ASSERT_EQ(second.LoadConfigure(block), 1);

  Checks seenFirst;
  EXPECT_EQ(Drive(
                "Image Zarn Control",
                [&](HWND d) {
                  seenFirst = Read(d);
                  Click(d, 1003);
                  Click(d, IDOK);
                },
                [&] { return first.ShowControl(nullptr); }),
            1);
  Checks seenSecond;
  EXPECT_EQ(Drive(
                "Image Zarn Control",
                [&](HWND d) {
                  seenSecond = Read(d);
                  Click(d, 1003);
                  Click(d, IDOK);
                },
                [&] { return second.ShowControl(nullptr); }),
            1);
  EXPECT_EQ(seenFirst.horizontal, 1u);
  EXPECT_EQ(seenFirst.vertical, 0u);
  EXPECT_EQ(seenSecond.horizontal, 0u);
  EXPECT_EQ(seenSecond.vertical, 1u);
  EXPECT_EQ(Saved(first), (std::vector<std::uint32_t>{0x43FD4178u, 1, 1}));
  EXPECT_EQ(Saved(second), (std::vector<std::uint32_t>{0x43FD4178u, 0, 0}));
}

// A loaded block may hold flag values other than 0 and 1; only exactly 1
// mirrors, so only exactly 1 may show as ticked, and OK writes 0 or 1.
TEST_F(LiveDialogs, FlagsOtherThanOneShowUnticked) {
  MirrorFilter filter;
  std::uint32_t block[3] = {0x43FD4178u, 2, 0xFFFFFFFFu};
  ASSERT_EQ(filter.LoadConfigure(block), 1);
  Checks seen;
  EXPECT_EQ(Drive(
                "Image Zarn Control",
                [&](HWND d) {
                  seen = Read(d);
                  Click(d, IDOK);
                },
                [&] { return filter.ShowControl(nullptr); }),
            1);
  EXPECT_EQ(seen.horizontal, static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(seen.vertical, static_cast<UINT>(BST_UNCHECKED));
  EXPECT_EQ(Saved(filter), (std::vector<std::uint32_t>{0x43FD4178u, 0, 0}));
}

TEST_F(LiveDialogs, ControlIsCentredOverItsOwner) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 100, 80, 600, 400,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  MirrorFilter filter;
  RECT box{};
  HWND ownerSeen = nullptr;
  Drive(
      "Image Zarn Control",
      [&](HWND d) {
        GetWindowRect(d, &box);
        ownerSeen = GetParent(d);
        Click(d, IDCANCEL);
      },
      [&] { return filter.ShowControl(owner); });
  DestroyWindow(owner);
  EXPECT_EQ(ownerSeen, owner);
  const int w = box.right - box.left;
  const int h = box.bottom - box.top;
  EXPECT_EQ(box.left, 100 + (600 - w) / 2);
  EXPECT_EQ(box.top, 80 + (400 - h) / 2);
}

std::vector<std::string> ChildTexts(HWND dialog) {
  std::vector<std::string> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char text[128] = {};
    GetWindowTextA(child, text, sizeof(text));
    // A picture control's text is its resource ordinal, not a line of text.
    const bool picture = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
    texts.emplace_back(picture ? "(picture)" : text);
  }
  return texts;
}

TEST_F(LiveDialogs, AboutShowsItsTextsAndLogo) {
  MirrorFilter filter;
  const auto before = Saved(filter);
  std::vector<std::string> texts;
  SIZE logo{};
  HCURSOR cursor = nullptr;
  const INT_PTR result = Drive(
      "About Image Zarn",
      [&](HWND d) {
        texts = ChildTexts(d);
        cursor = GetCursor();
        for (HWND child = GetWindow(d, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
          auto image =
              reinterpret_cast<HBITMAP>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0));
          BITMAP info{};
          if (image && GetObjectA(image, sizeof(info), &info)) logo = {info.bmWidth, info.bmHeight};
        }
        Click(d, IDOK);
      },
      [&] { return filter.ShowAbout(nullptr); });
  EXPECT_EQ(result, 1);
  const std::vector<std::string> expected = {"",
                                             "Zarn Image Generator",
                                             "Version 1.0",
                                             "Written by the Zarn developers",
                                             "Copyright (c) 2026 the Zarn developers",
                                             "OK",
                                             "(picture)",
                                             "zarn.example.org"};
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(logo.cx, 130);
  EXPECT_EQ(logo.cy, 32);
  EXPECT_EQ(cursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(Saved(filter), before);
}

TEST_F(LiveDialogs, AboutEndsWithZeroOnEscapeAndCloseBox) {
  for (void (*end)(HWND) : {Escape, CloseBox}) {
    MirrorFilter filter;
    const auto before = Saved(filter);
    EXPECT_EQ(Drive("About Image Zarn", end, [&] { return filter.ShowAbout(nullptr); }), 0);
    EXPECT_EQ(Saved(filter), before);
  }
}

// Commands of other controls are answered as handled and end nothing: the
// OK queued behind them is still there to end the dialog.
TEST_F(LiveDialogs, OtherCommandsKeepTheDialogOpen) {
  MirrorFilter filter;
  const INT_PTR result = Drive(
      "Image Zarn Control",
      [&](HWND d) {
        EXPECT_EQ(ControlDlgProc(d, WM_COMMAND, 7777, 0), 1);
        EXPECT_EQ(AboutDlgProc(d, WM_COMMAND, 7777, 0), 1);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0);
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), 0);
        PostMessageA(d, WM_COMMAND, 7777, 0);
        PostMessageA(GetDlgItem(d, IDOK), BM_CLICK, 0, 0);
      },
      [&] { return filter.ShowControl(nullptr); });
  EXPECT_EQ(result, 1);
  // Commands that did not come from clicks toggle nothing.
  EXPECT_EQ(Saved(filter), (std::vector<std::uint32_t>{0x43FD4178u, 1, 0}));
}

TEST_F(Dialogs, ProceduresAnswerZeroForForeignMessages) {
  EXPECT_EQ(AboutDlgProc(nullptr, WM_SIZE, 0, 0), 0);
  ASSERT_EQ(controlDialogFilter, nullptr);
  // Before WM_INITDIALOG there is no filter to serve.
  EXPECT_EQ(ControlDlgProc(nullptr, WM_COMMAND, IDOK, 0), 0);
  MirrorFilter filter;
  EXPECT_EQ(filter.HandleControlMessage(nullptr, WM_SIZE, 0, 0), 0);
}

// Without the templates the platform cannot make either dialog; its failure
// value comes back unchanged and nothing is touched.
TEST_F(Dialogs, MissingTemplateAnswersTheFailureValue) {
  moduleInstance = GetModuleHandleA("kernel32.dll");
  MirrorFilter filter;
  EXPECT_EQ(filter.ShowControl(nullptr), -1);
  EXPECT_EQ(filter.ShowAbout(nullptr), -1);
  EXPECT_EQ(Saved(filter), (std::vector<std::uint32_t>{0x43FD4178u, 1, 0}));
}

}  // namespace
