// The message boxes' texts, caught through the platform's hook: bounded
// formatting into the 256-byte text, and resource texts that are missing.
#include "util/messages.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/plugin_info.h"
#include "platform/gdi.h"

namespace {

struct Box {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  bool operator==(const Box&) const = default;
};

void PrintTo(const Box& b, std::ostream* os) {
  *os << "[" << b.caption << "] \"" << b.text << "\" type " << b.type;
}

class Boxes : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHook([this](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
      seen.push_back({owner, text ? text : "(null)", caption ? caption : "(null)", type});
      return answer;
    });
  }
  void TearDown() override {
    platform::SetMessageBoxHook(nullptr);
    moduleInstance = savedInstance;
  }
  std::vector<Box> seen;
  int answer = IDCANCEL;
  HINSTANCE const savedInstance = moduleInstance;
};

struct FormatCase {
  const char* name;
  std::function<int()> show;
  std::string text;
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class Format : public Boxes, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(Format, ShowsTheFormattedTextWithAnOkButton) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(c.show(), IDCANCEL);  // the box's answer comes back
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (Box{platform::GetActiveWindow(), c.text, "Zarn", MB_OK}));
  EXPECT_LE(seen[0].text.size(), 255u);
}

const std::string k300(300, 'x');

const FormatCase kFormats[] = {
    {"Numbers", [] { return FormatMessageBox("Zarn", "Frame %d of %d", 3, 10); }, "Frame 3 of 10"},
    {"Text", [] { return FormatMessageBox("Zarn", "%s: %.2f", "gain", 1.5); }, "gain: 1.50"},
    {"Exactly255", [] { return FormatMessageBox("Zarn", "%s", std::string(255, 'y').c_str()); },
     std::string(255, 'y')},
    {"LongTextIsCut", [] { return FormatMessageBox("Zarn", "%s!", k300.c_str()); },
     std::string(255, 'x')},
    {"WidePaddingIsCut", [] { return FormatMessageBox("Zarn", "%0400d", 7); },
     std::string(255, '0')},
    {"NoFormat", [] { return FormatMessageBox("Zarn", nullptr); }, ""},
};

INSTANTIATE_TEST_SUITE_P(Messages, Format, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// Before the library is attached there is no module to load from: both texts
// are missing and show as empty texts.
TEST_F(Boxes, ResourceBoxBeforeAttachShowsEmptyTexts) {
  moduleInstance = nullptr;
  EXPECT_EQ(LoadResourceText(1), nullptr);
  answer = IDOK;
  EXPECT_EQ(ResourceMessageBox(1, 2, MB_ICONERROR), IDOK);
  EXPECT_EQ(seen, (std::vector<Box>{{platform::GetActiveWindow(), "", "", MB_ICONERROR}}));
}

}  // namespace
