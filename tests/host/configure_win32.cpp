// zarn configure through the real control dialog: the runner is started as
// its own process and its dialog driven from here, as a user would.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/win.h"
#include "runner.h"

namespace fs = std::filesystem;
using namespace zarntest;

namespace {

// Waits for the dialog with that caption in any process to be ready for
// clicks: shown, which the modal call does only after WM_INITDIALOG, and with
// its OK button made. A window found earlier may not have its controls yet,
// and a click sent to a missing control would leave the dialog open for ever.
// Null after 20 s.
HWND WaitForWindow(const char* caption) {
  for (int i = 0; i < 400; ++i) {
    HWND window = FindWindowA(nullptr, caption);
    if (window && IsWindowVisible(window) && GetDlgItem(window, IDOK)) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return nullptr;
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Runs zarn with the words while act drives the dialog with that caption;
// answers zarn's result.
Result Drive(const Scratch& s, std::vector<std::string> words, const char* caption, void (*act)(HWND)) {
  Result result;
  std::thread zarn([&] { result = s.Zarn(words); });
  HWND dialog = WaitForWindow(caption);
  if (dialog) act(dialog);
  zarn.join();
  EXPECT_NE(dialog, nullptr) << "no window captioned " << caption;
  return result;
}

Result Configure(const Scratch& s, void (*act)(HWND)) {
  return Drive(s, {"configure", "--config", "m.cfg"}, "Image Zarn Control", act);
}

TEST(Configure, OkWritesTheBlock) {
  Scratch s;
  const Result r = Configure(s, [](HWND dialog) {
    Click(dialog, 1003);  // Flip Vertically? on, horizontal stays on
    Click(dialog, 1);
  });
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Bytes(s.Path("m.cfg")), (std::vector<std::uint8_t>{0x78, 0x41, 0xFD, 0x43, 1, 0, 0, 0, 1, 0, 0, 0}));
}

TEST(Configure, CancelWritesNothing) {
  Scratch s;
  const std::vector<std::uint8_t> saved = {0x78, 0x41, 0xFD, 0x43, 0, 0, 0, 0, 1, 0, 0, 0};
  WriteBytes(s.Path("m.cfg"), saved);
  const Result r = Configure(s, [](HWND dialog) {
    Click(dialog, 1002);
    Click(dialog, 2);
  });
  EXPECT_EQ(r.code, 130);
  EXPECT_EQ(r.err, "zarn: cancelled; m.cfg left as it was\n");
  EXPECT_EQ(Bytes(s.Path("m.cfg")), saved);
}

TEST(About, OkEndsTheCommand) {
  Scratch s;
  const Result r = Drive(s, {"about"}, "About Image Zarn", [](HWND dialog) { Click(dialog, 1); });
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

}  // namespace
