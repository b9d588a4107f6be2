// String resources from this executable's own table, and the file-open and
// font dialogs shown for real and driven from a timer of this thread.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "canvas/canvas.h"
#include "frame/plugin_info.h"
#include "platform/gdi.h"
#include "support/dialog_driver.h"
#include "util/messages.h"
#include "util_win32/test_strings.h"

namespace {
using zarntest::Click;
using zarntest::Drive;

// Control ids of the platform's common dialog templates.
constexpr int kFileNameCombo = 0x047C;  // cmb13
constexpr int kFileNameEdit = 0x0480;   // edt1
constexpr int kFaceCombo = 0x0470;      // cmb1
constexpr int kSizeCombo = 0x0472;      // cmb3
constexpr int kMessageText = 0xFFFF;    // the message box's static text

class Strings : public ::testing::Test {
 protected:
  void SetUp() override { moduleInstance = GetModuleHandleA(nullptr); }
  void TearDown() override {
    moduleInstance = saved;
    platform::SetMessageBoxHook(nullptr);
  }
  HINSTANCE const saved = moduleInstance;
};

TEST_F(Strings, NothingBeforeTheLibraryIsAttached) {
  moduleInstance = nullptr;
  EXPECT_EQ(LoadResourceText(TEST_TEXT_ID), nullptr);
}

struct TextCase {
  const char* name;
  UINT id;
  const char* expected;  // null: no text
};

TEST_F(Strings, LoadsIntoTheSharedBuffer) {
  const TextCase rows[] = {
      {"text", TEST_TEXT_ID, "Zarn says hello"},
      {"caption", TEST_CAPTION_ID, "Zarn caption"},
      {"missing", TEST_MISSING_ID, nullptr},
  };
  for (const TextCase& row : rows) {
    SCOPED_TRACE(row.name);
    const char* got = LoadResourceText(row.id);
    if (!row.expected) {
      EXPECT_EQ(got, nullptr);
    } else {
      ASSERT_NE(got, nullptr);
      EXPECT_STREQ(got, row.expected);
    }
  }
  // 301 characters in the table: 255 and the NUL reach the buffer.
  const char* cut = LoadResourceText(TEST_LONG_ID);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(std::strlen(cut), 255u);
  EXPECT_EQ(std::string(cut, 8), "L000-001");
}

TEST_F(Strings, TwoLoadsAnswerOneBufferWithTheSecondText) {
  const char* first = LoadResourceText(TEST_TEXT_ID);
  const char* second = LoadResourceText(TEST_CAPTION_ID);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "Zarn caption");
}

TEST_F(Strings, ResourceBoxCopiesEachTextBeforeTheNextLoad) {
  std::string text, caption;
  UINT type = 0;
  platform::SetMessageBoxHook([&](HWND, LPCSTR t, LPCSTR c, UINT s) {
    text = t;
    caption = c;
    type = s;
    return IDOK;
  });
  EXPECT_EQ(ResourceMessageBox(TEST_TEXT_ID, TEST_CAPTION_ID, MB_ICONERROR), IDOK);
  EXPECT_EQ(text, "Zarn says hello");
  EXPECT_EQ(caption, "Zarn caption");
  EXPECT_EQ(type, static_cast<UINT>(MB_ICONERROR));
}

class LiveDialogs : public Strings {
 protected:
  void SetUp() override {
    if (!zarntest::HasDisplay()) GTEST_SKIP() << "no X display";
    Strings::SetUp();
  }
};

std::string TextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

TEST_F(LiveDialogs, ResourceBoxShowsBothTexts) {
  std::string shown;
  const INT_PTR answer = Drive(
      "Zarn caption",
      [&](HWND box) {
        shown = TextOf(GetDlgItem(box, kMessageText));
        Click(box, IDOK);
      },
      [] {
        return static_cast<INT_PTR>(ResourceMessageBox(TEST_TEXT_ID, TEST_CAPTION_ID, MB_OK));
      });
  EXPECT_EQ(answer, IDOK);
  EXPECT_EQ(shown, "Zarn says hello");
}

// The glyph text's own box, found on the screen.
TEST_F(LiveDialogs, GlyphTextAllocationFailureBox) {
  std::string shown;
  auto bitmap = std::make_unique<Bitmap>(MemoryStorage::Create(8, 8, 0));
  Canvas canvas(nullptr, nullptr, bitmap.get());
  platform::FailGlobalAllocAfter(0);
  Drive(
      "Memory Error",
      [&](HWND box) {
        shown = TextOf(GetDlgItem(box, kMessageText));
        Click(box, IDOK);
      },
      [&] {
        canvas.PrintText(0, 0, "A");
        return INT_PTR{0};
      });
  platform::FailGlobalAllocAfter(-1);
  EXPECT_EQ(shown, "Unable to allocate memory.");
}

HWND FileNameControl(HWND dialog) {
  HWND combo = GetDlgItem(dialog, kFileNameCombo);
  if (combo) {
    HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    if (edit) return edit;
  }
  return GetDlgItem(dialog, kFileNameEdit);
}

std::string TempFile(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(sizeof(dir), dir);
  std::string path = std::string(dir) + name;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return path;
}

void Open(char* result) {
  ChooseOpenFile(nullptr, nullptr, "Zarn Open Test", "Text files", "*.txt", "txt", result);
}

TEST_F(LiveDialogs, OpenFileAnswersThePathAndReopensWithIt) {
  const std::string path = TempFile("zarn-open-test.txt");
  char result[256];
  std::memset(result, 'j', sizeof(result));
  Drive(
      "Zarn Open Test",
      [&](HWND d) {
        SetWindowTextA(FileNameControl(d), path.c_str());
        Click(d, IDOK);
      },
      [&] {
        Open(result);
        return INT_PTR{0};
      });
  EXPECT_STREQ(result, path.c_str());

  // The next dialog starts from that path; cancelled, it answers nothing.
  std::string offered;
  std::memset(result, 'j', sizeof(result));
  Drive(
      "Zarn Open Test",
      [&](HWND d) {
        offered = TextOf(FileNameControl(d));
        Click(d, IDCANCEL);
      },
      [&] {
        Open(result);
        return INT_PTR{0};
      });
  EXPECT_STREQ(result, "");
  ASSERT_FALSE(offered.empty());
  EXPECT_EQ(path.substr(path.size() - offered.size()), offered);
  DeleteFileA(path.c_str());
}

void Choose(HWND dialog, int comboId, const char* text) {
  HWND combo = GetDlgItem(dialog, comboId);
  SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

LOGFONTA StartFont() {
  LOGFONTA f;
  std::memset(&f, 0, sizeof(f));
  f.lfHeight = -16;
  f.lfWeight = FW_NORMAL;
  f.lfCharSet = ANSI_CHARSET;
  std::strcpy(f.lfFaceName, "Liberation Serif");
  return f;
}

TEST_F(LiveDialogs, CancelledFontDialogLeavesEveryByte) {
  LOGFONTA font = StartFont();
  std::memset(font.lfFaceName + 17, 0x7E, sizeof(font.lfFaceName) - 17);  // bytes past the NUL
  const LOGFONTA before = font;
  const INT_PTR answer = Drive(
      "Font",
      [](HWND d) {
        Choose(d, kFaceCombo, "Liberation Sans");
        Choose(d, kSizeCombo, "20");
        Click(d, IDCANCEL);
      },
      [&] { return static_cast<INT_PTR>(ChooseFontDialog(nullptr, &font)); });
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(std::memcmp(&font, &before, sizeof(font)), 0);
}

TEST_F(LiveDialogs, ChosenFontIsWrittenBack) {
  LOGFONTA font = StartFont();
  const INT_PTR answer = Drive(
      "Font",
      [](HWND d) {
        Choose(d, kFaceCombo, "Liberation Sans");
        Choose(d, kSizeCombo, "20");
        Click(d, IDOK);
      },
      [&] { return static_cast<INT_PTR>(ChooseFontDialog(nullptr, &font)); });
  EXPECT_EQ(answer, 1);
  EXPECT_STREQ(font.lfFaceName, "Liberation Sans");
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(font.lfHeight, -MulDiv(20, dpi, 72));
}

}  // namespace
