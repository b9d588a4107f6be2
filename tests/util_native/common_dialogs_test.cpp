// Without the platform's common dialogs every call answers as a cancelled
// one: an empty path, the font record untouched.
#include <gtest/gtest.h>

#include <cstring>

#include "frame/plugin_info.h"
#include "util/messages.h"

namespace {

TEST(CommonDialogs, OpenFileAnswersAnEmptyPath) {
  char result[256];
  std::memset(result, 'j', sizeof(result));
  ChooseOpenFile(nullptr, "/tmp", "Open", "Images", "*.png", "png", result);
  EXPECT_STREQ(result, "");
  ChooseOpenFile(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(CommonDialogs, FontDialogLeavesTheRecord) {
  LOGFONTA font;
  std::memset(&font, 0x5A, sizeof(font));
  LOGFONTA before = font;
  EXPECT_EQ(ChooseFontDialog(nullptr, &font), 0);
  EXPECT_EQ(std::memcmp(&font, &before, sizeof(font)), 0);
  EXPECT_EQ(ChooseFontDialog(nullptr, nullptr), 0);
}

TEST(CommonDialogs, NoStringResourcesEvenWhenAttached) {
  HINSTANCE const saved = moduleInstance;
  moduleInstance = reinterpret_cast<HINSTANCE>(0x1000);
  EXPECT_EQ(LoadResourceText(1), nullptr);
  moduleInstance = saved;
}

}  // namespace
