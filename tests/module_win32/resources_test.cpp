// The dialog templates and the logo inside the built module, read back from
// its resource section and compared field by field.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "module_win32/module_path.h"
#include "platform/win.h"

namespace {

struct Item {
  std::string className;
  int id;
  std::string text;  // "#n" for a resource ordinal
  DWORD style;
  int x, y, cx, cy;
  friend bool operator==(const Item&, const Item&) = default;
};

void PrintTo(const Item& item, std::ostream* os) {
  *os << "{" << item.className << " " << item.id << " \"" << item.text << "\" 0x" << std::hex
      << item.style << std::dec << " " << item.x << "," << item.y << "," << item.cx << ","
      << item.cy << "}";
}

struct Dialog {
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;
  int pointSize = 0;
  std::string face;
  std::vector<Item> items;
};

// Reads a classic dialog template: fixed header, then 16-bit strings or
// 0xFFFF-prefixed ordinals, items aligned to four bytes.
class TemplateReader {
 public:
  TemplateReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

  bool Read(Dialog& out) {
    out.style = Dword();
    Dword();  // extended style
    const int count = Word();
    out.x = Short();
    out.y = Short();
    out.cx = Short();
    out.cy = Short();
    SzOrOrd();  // menu
    SzOrOrd();  // class
    out.caption = SzOrOrd();
    if (out.style & DS_SETFONT) {
      out.pointSize = Word();
      out.face = SzOrOrd();
    }
    for (int i = 0; i < count && ok_; ++i) {
      pos_ = (pos_ + 3) & ~std::size_t{3};
      Item item;
      item.style = Dword();
      Dword();
      item.x = Short();
      item.y = Short();
      item.cx = Short();
      item.cy = Short();
      item.id = Short();
      item.className = ClassName(SzOrOrd());
      item.text = SzOrOrd();
      pos_ += Word();  // creation data
      out.items.push_back(item);
    }
    return ok_;
  }

 private:
  // The predefined classes may be stored by atom or by name, in any case.
  static std::string ClassName(std::string raw) {
    if (raw == "#128") return "button";
    if (raw == "#130") return "static";
    for (char& c : raw) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return raw;
  }
  std::uint32_t Dword() {
    const std::uint32_t low = Word();
    return low | (static_cast<std::uint32_t>(Word()) << 16);
  }
  int Short() { return static_cast<std::int16_t>(Word()); }
  std::uint16_t Word() {
    if (pos_ + 2 > size_) {
      ok_ = false;
      return 0;
    }
    const std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  std::string SzOrOrd() {
    const std::uint16_t first = Word();
    if (first == 0xFFFF) {
      char ordinal[8];
      std::snprintf(ordinal, sizeof(ordinal), "#%u", static_cast<unsigned>(Word()));
      return ordinal;
    }
    std::vector<char> text;
    for (std::uint16_t c = first; c != 0 && ok_; c = Word()) text.push_back(static_cast<char>(c));
    return std::string(text.begin(), text.end());
  }

  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

class Resources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module = LoadLibraryExA(zarntest::ModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() {
    if (module) FreeLibrary(module);
    module = nullptr;
  }
  void SetUp() override { ASSERT_NE(module, nullptr) << zarntest::ModulePath(); }

  static std::vector<unsigned char> Raw(int id, LPCSTR type) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
    if (!bytes) return {};
    return std::vector<unsigned char>(bytes, bytes + SizeofResource(module, found));
  }

  static Dialog Template(int id) {
    Dialog dialog;
    const auto raw = Raw(id, MAKEINTRESOURCEA(5));  // RT_DIALOG
    EXPECT_FALSE(raw.empty()) << "no dialog " << id;
    if (!raw.empty()) {
      EXPECT_TRUE(TemplateReader(raw.data(), raw.size()).Read(dialog));
    }
    return dialog;
  }

  static HMODULE module;
};
HMODULE Resources::module = nullptr;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kCentred = SS_CENTER | WS_GROUP | kChild;
constexpr DWORD kFrame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
const char kCopyright[] = "Copyright (c) 2026 the Zarn developers";

TEST_F(Resources, AboutDialog) {
  const Dialog d = Template(101);
  EXPECT_EQ(d.style, kFrame | WS_VISIBLE);
  EXPECT_EQ(d.caption, "About Image Zarn");
  EXPECT_EQ((std::vector<int>{d.cx, d.cy}), (std::vector<int>{189, 125}));
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.face, "MS Sans Serif");
  const std::vector<Item> expected = {
      {"button", -1, "", BS_GROUPBOX | kChild, 14, 2, 160, 99},
      {"static", -1, "Zarn Image Generator", kCentred, 16, 41, 156, 8},
      {"static", -1, "Version 1.0", kCentred, 16, 52, 156, 8},
      {"static", -1, "Written by the Zarn developers", kCentred, 16, 63, 156, 8},
      {"static", -1, kCopyright, kCentred, 16, 74, 156, 8},
      {"button", 1, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | kChild, 69, 106, 50, 14},
      {"static", -1, "#102", SS_BITMAP | kChild, 51, 15, 90, 15},
      {"static", -1, "zarn.example.org", kCentred, 16, 85, 156, 8},
  };
  EXPECT_EQ(d.items, expected);
}

TEST_F(Resources, ControlDialog) {
  const Dialog d = Template(102);
  EXPECT_EQ(d.style, kFrame);
  EXPECT_EQ(d.caption, "Image Zarn Control");
  EXPECT_EQ((std::vector<int>{d.cx, d.cy}), (std::vector<int>{189, 90}));
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.face, "MS Sans Serif");
  const std::vector<Item> expected = {
      {"button", -1, "", BS_GROUPBOX | kChild, 3, 0, 184, 33},
      {"static", -1, "Zarn Image Generator, Version 1.0", kCentred, 5, 8, 180, 8},
      {"static", -1, kCopyright, kCentred, 5, 20, 180, 8},
      {"button", 1, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | kChild, 34, 69, 50, 14},
      {"button", 2, "Cancel", BS_PUSHBUTTON | WS_TABSTOP | kChild, 104, 69, 50, 14},
      {"button", 1002, "Flip Horizontally?", BS_AUTOCHECKBOX | WS_TABSTOP | kChild, 25, 46, 70, 10},
      {"button", 1003, "Flip Vertically?", BS_AUTOCHECKBOX | WS_TABSTOP | kChild, 105, 46, 70, 10},
  };
  EXPECT_EQ(d.items, expected);
}

TEST_F(Resources, LogoIsA130By32PaletteBitmap) {
  const auto raw = Raw(102, MAKEINTRESOURCEA(2));  // RT_BITMAP
  ASSERT_GE(raw.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER info;
  std::memcpy(&info, raw.data(), sizeof(info));
  EXPECT_EQ(info.biSize, 40u);
  EXPECT_EQ(info.biWidth, 130);
  EXPECT_EQ(info.biHeight, 32);  // stored bottom row first
  EXPECT_EQ(info.biBitCount, 8);
  EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(info.biClrUsed, 256u);
  const std::size_t stride = 132;
  ASSERT_EQ(raw.size(), 40 + 256 * 4 + stride * 32);

  // The top-left corner is white ground: the last stored row, first byte.
  const unsigned char* palette = raw.data() + 40;
  const unsigned char corner = raw[40 + 256 * 4 + stride * 31];
  EXPECT_EQ(std::vector<int>(palette + corner * 4, palette + corner * 4 + 3),
            (std::vector<int>{255, 255, 255}));
  // Not a blank picture: some pixel takes another colour.
  int others = 0;
  for (std::size_t i = 40 + 256 * 4; i < raw.size(); ++i) others += raw[i] != corner;
  EXPECT_GT(others, 200);
}

}  // namespace
