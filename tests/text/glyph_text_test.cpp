// Glyph text against its own glyph source: the expected picture is worked
// out here from the platform's glyph calls for the same font and character
// (padded 1-bit rows read bit by bit), placed where the text's steps say:
// baseline tmExternalLeading + tmAscent below y, box gmptGlyphOrigin.x right
// of the pen and gmptGlyphOrigin.y above the baseline, pen moved by the cell
// advances. Codes are CP949 (lead bytes 0x81..0xFE).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "platform/gdi.h"
#include "support/bitmaps.h"
#include "support/fonts.h"

namespace {

using zarntest::FontRecord;
using zarntest::IdentityTransform;

using zarntest::PositionBitmap;
using zarntest::PositionColor;

constexpr BMM_Color_64 kInk{65535, 1, 2, 65535};
constexpr char kHan[] = "\xC7\xD1";   // U+D55C in CP949
constexpr char kGeul[] = "\xB1\xDB";  // U+AE00


std::vector<UINT> Codes(const std::string& text) {
  std::vector<UINT> codes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
      codes.push_back(c * 256u + static_cast<unsigned char>(text[i + 1]));
      ++i;
    } else {
      codes.push_back(c);
    }
  }
  return codes;
}

struct Picture {
  std::vector<BMM_Color_64> pixels;
  int inked = 0;
  std::vector<int> advances;
};

// The position fixture with the text's glyph bits in kInk. A code equal to
// `noBitmap` only moves the pen.
Picture Expected(int w, int h, const LOGFONTA& font, const std::string& text, int x, int y,
                 UINT noBitmap = 0) {
  Picture out;
  for (int py = 0; py < h; ++py)
    for (int px = 0; px < w; ++px) out.pixels.push_back(PositionColor(px, py));
  HFONT f = platform::CreateFontIndirectA(&font);
  HDC dc = platform::GetDC(nullptr);
  HGDIOBJ kept = platform::SelectObject(dc, f);
  TEXTMETRICA tm{};
  EXPECT_TRUE(platform::GetTextMetricsA(dc, &tm));
  const MAT2 identity = IdentityTransform();
  long long penX = x;
  long long penY = y;
  for (UINT code : Codes(text)) {
    GLYPHMETRICS gm{};
    EXPECT_NE(platform::GetGlyphOutlineA(dc, code, GGO_METRICS, &gm, 0, nullptr, &identity),
              GDI_ERROR);
    out.advances.push_back(gm.gmCellIncX);
    const DWORD size = platform::GetGlyphOutlineA(dc, code, GGO_BITMAP, &gm, 0, nullptr, &identity);
    if (code != noBitmap && size != 0 && size != GDI_ERROR) {
      std::vector<unsigned char> bits(size);
      platform::GetGlyphOutlineA(dc, code, GGO_BITMAP, &gm, size, bits.data(), &identity);
      const UINT stride = (gm.gmBlackBoxX + 31) / 32 * 4;
      for (UINT r = 0; r < gm.gmBlackBoxY; ++r)
        for (UINT c = 0; c < gm.gmBlackBoxX; ++c) {
          if (!(bits[r * stride + c / 8] & (0x80 >> (c % 8)))) continue;
          const long long px = penX + gm.gmptGlyphOrigin.x + c;
          const long long py = penY + tm.tmExternalLeading + tm.tmAscent - gm.gmptGlyphOrigin.y + r;
          if (px < 0 || px >= w || py < 0 || py >= h) continue;
          out.pixels[py * w + px] = kInk;
          ++out.inked;
        }
    }
    penX += gm.gmCellIncX;
    penY += gm.gmCellIncY;
  }
  platform::SelectObject(dc, kept);
  platform::DeleteObject(f);
  platform::ReleaseDC(nullptr, dc);
  return out;
}

std::vector<BMM_Color_64> Printed(int w, int h, const LOGFONTA& font, const std::string& text,
                                  int x, int y, HWND window = nullptr) {
  auto bitmap = PositionBitmap(w, h);
  Canvas canvas(window, nullptr, bitmap.get());
  canvas.SetFont(font);
  canvas.SetDrawColor(kInk);
  canvas.PrintText(x, y, CStr(text.c_str()));
  return std::vector<BMM_Color_64>(canvas.pixels, canvas.pixels + w * h);
}

// First differing pixel, for a readable failure.
std::string FirstDifference(const std::vector<BMM_Color_64>& a, const std::vector<BMM_Color_64>& b,
                            int w) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (!(a[i] == b[i]))
      return "pixel (" + std::to_string(i % w) + ", " + std::to_string(i / w) + ")";
  return a.size() == b.size() ? "none" : "sizes differ";
}

class GlyphText : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::SetMultiByteCodePage(949));
    before = platform::LiveGdiUsage();
  }
  void TearDown() override {
    platform::SetMultiByteCodePage(0);
    platform::FailGlobalAllocAfter(-1);
    platform::FailGlyphBitmapFor(0);
    platform::SetMessageBoxHook(nullptr);
    EXPECT_EQ(platform::LiveGdiUsage(), before) << "a font, context or block was left behind";
  }
  platform::GdiUsage before;
};

struct PlacementCase {
  const char* name;
  const char* face;
  int height;
  BYTE charset;
  std::string text;
  int x, y, w, h;
  std::string expectedText;  // what must appear: the text unless it ends early
};
void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }

class Placement : public GlyphText, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(Placement, SetsExactlyTheGlyphSourcesBits) {
  const PlacementCase& c = GetParam();
  const LOGFONTA font = FontRecord(c.face, c.height, c.charset);
  const Picture expected = Expected(c.w, c.h, font, c.expectedText, c.x, c.y);
  if (!c.expectedText.empty()) {
    ASSERT_GT(expected.inked, 0) << "the case draws nothing";
  }
  const auto printed = Printed(c.w, c.h, font, c.text, c.x, c.y);
  EXPECT_TRUE(printed == expected.pixels) << FirstDifference(printed, expected.pixels, c.w);
}

const PlacementCase kPlacements[] = {
    {"ArialLatin28", "Arial", 28, ANSI_CHARSET, "Zarn gW!", 3, 2, 140, 40, "Zarn gW!"},
    {"ArialLatin12", "Arial", 12, ANSI_CHARSET, "Wiggly 0.5", 1, 0, 80, 20, "Wiggly 0.5"},
    {"ArialEmHeight", "Arial", -20, ANSI_CHARSET, "Tj", 0, 0, 40, 30, "Tj"},
    {"NanumLatin20", "NanumGothic", 20, HANGEUL_CHARSET, "Hello", 2, 1, 80, 30, "Hello"},
    {"NanumKorean36", "NanumGothic", 36, HANGEUL_CHARSET, std::string(kHan) + kGeul, 0, 0, 90, 45,
     std::string(kHan) + kGeul},
    {"MixedDoubleByte", "NanumGothic", 20, HANGEUL_CHARSET, std::string("a") + kHan + "b", 0, 0, 60,
     30, std::string("a") + kHan + "b"},
    {"DefaultFontKorean", "Arial", 28, HANGEUL_CHARSET, kHan, 0, 0, 40, 40, kHan},
    {"ClipLeft", "Arial", 28, ANSI_CHARSET, "WM", -9, 0, 30, 32, "WM"},
    {"ClipTop", "Arial", 28, ANSI_CHARSET, "WM", 0, -12, 40, 20, "WM"},
    {"ClipRight", "Arial", 28, ANSI_CHARSET, "WM", 20, 0, 30, 32, "WM"},
    {"ClipBottom", "Arial", 28, ANSI_CHARSET, "gjy", 0, 10, 40, 25, "gjy"},
    {"FarOffCanvas", "Arial", 28, ANSI_CHARSET, "W", 2147483000, -2147483000, 10, 10, ""},
    {"Spaces", "Arial", 28, ANSI_CHARSET, "A  B", 0, 0, 80, 32, "A  B"},
    {"EmptyText", "Arial", 28, ANSI_CHARSET, "", 0, 0, 10, 10, ""},
    // Any character set: the face's own missing-glyph box would show a
    // lead byte taken with the NUL after it.
    {"LeadByteLast", "Arial", 20, DEFAULT_CHARSET, "A\xC7", 0, 0, 40, 30, "A"},
    {"LeadByteOnly", "Arial", 20, DEFAULT_CHARSET, "\xC7", 0, 0, 20, 30, ""},
};

INSTANTIATE_TEST_SUITE_P(Text, Placement, ::testing::ValuesIn(kPlacements),
                         [](const auto& info) { return std::string(info.param.name); });

// One double-byte character is one glyph with one advance; read as two single
// bytes it would be two glyphs.
TEST_F(GlyphText, DoubleByteCharacterIsOneGlyph) {
  const LOGFONTA font = FontRecord("NanumGothic", 30, HANGEUL_CHARSET);
  const std::string text = std::string(kHan) + "A";
  const Picture asOne = Expected(60, 40, font, text, 0, 0);
  ASSERT_EQ(asOne.advances.size(), 2u);
  EXPECT_TRUE(Printed(60, 40, font, text, 0, 0) == asOne.pixels);
  ASSERT_TRUE(platform::SetMultiByteCodePage(1252));
  // The same bytes as three single-byte characters draw something else.
  EXPECT_FALSE(Printed(60, 40, font, text, 0, 0) == asOne.pixels);
}

// Consecutive characters go by their own advances, which differ.
TEST_F(GlyphText, AdvancesAreTheGlyphsOwn) {
  const LOGFONTA font = FontRecord("Arial", 28, ANSI_CHARSET);
  const Picture p = Expected(10, 10, font, "iW", 0, 0);
  ASSERT_EQ(p.advances.size(), 2u);
  EXPECT_GT(p.advances[0], 0);
  EXPECT_LT(p.advances[0], p.advances[1]);
}

TEST_F(GlyphText, FailedBitmapQueryOnlyMovesThePen) {
  const LOGFONTA font = FontRecord("Arial", 28, ANSI_CHARSET);
  const Picture expected = Expected(90, 32, font, "AbA", 0, 0, 'b');
  platform::FailGlyphBitmapFor('b');
  const auto printed = Printed(90, 32, font, "AbA", 0, 0);
  EXPECT_TRUE(printed == expected.pixels) << FirstDifference(printed, expected.pixels, 90);
}

// ---- Failure paths --------------------------------------------------------

struct Box {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
  bool operator==(const Box&) const = default;
};

struct FailureCase {
  const char* name;
  int allocsBeforeFailure;  // global blocks that can be had
  std::string drawn;        // what stays on the canvas
  int boxes;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class Failure : public GlyphText, public ::testing::WithParamInterface<FailureCase> {};

LRESULT CALLBACK Ignore(HWND, UINT, WPARAM, LPARAM) { return 0; }

TEST_P(Failure, ShowsTheBoxAndReleasesEverything) {
  const FailureCase& c = GetParam();
  const LOGFONTA font = FontRecord("Arial", 28, ANSI_CHARSET);
  const Picture expected = Expected(70, 32, font, c.drawn, 0, 0);
  HWND window = platform::CreateMessageWindow(&Ignore);
  std::vector<Box> boxes;
  platform::SetMessageBoxHook([&](HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    boxes.push_back({owner, text, caption, type});
    return IDOK;
  });
  platform::FailGlobalAllocAfter(c.allocsBeforeFailure);
  const auto printed = Printed(70, 32, font, "Ab", 0, 0, window);
  platform::FailGlobalAllocAfter(-1);
  platform::DestroyMessageWindow(window);
  EXPECT_TRUE(printed == expected.pixels) << FirstDifference(printed, expected.pixels, 70);
  const Box box{window, "Unable to allocate memory.", "Memory Error", MB_ICONERROR};
  EXPECT_EQ(boxes, std::vector<Box>(static_cast<std::size_t>(c.boxes), box));
  EXPECT_EQ(MB_ICONERROR, 16u);
}

const FailureCase kFailures[] = {
    {"Nothing", -1, "Ab", 0},          {"FirstGlyphBuffer", 0, "", 1},
    {"FirstPackedBuffer", 1, "", 1},   {"SecondGlyphBuffer", 2, "A", 1},
    {"SecondPackedBuffer", 3, "A", 1},
};

INSTANTIATE_TEST_SUITE_P(Text, Failure, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// Each path makes one font and one context, and two blocks per glyph drawn.
TEST_F(GlyphText, EveryCallMakesOneFontAndOneContext) {
  struct Row {
    const char* name;
    std::string text;
    platform::GdiUsage made;
  };
  const Row rows[] = {
      {"empty", "", {1, 1, 0}},
      {"two glyphs", "Ab", {1, 1, 4}},
      {"space takes no blocks", " ", {1, 1, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const platform::GdiUsage start = platform::MadeGdiUsage();
    Printed(8, 8, FontRecord("Arial", 28, ANSI_CHARSET), row.text, 0, 0);
    const platform::GdiUsage end = platform::MadeGdiUsage();
    EXPECT_EQ((platform::GdiUsage{end.fonts - start.fonts, end.contexts - start.contexts,
                                  end.globalBlocks - start.globalBlocks}),
              row.made);
    EXPECT_EQ(platform::LiveGdiUsage(), before);
  }
}

// ---- PlotBits ---------------------------------------------------------------

struct BitsCase {
  const char* name;
  int x, y, bytesPerRow, rows;
  std::vector<unsigned char> bits;
  std::vector<std::pair<int, int>> plotted;  // on a 12 x 4 canvas
};
void PrintTo(const BitsCase& c, std::ostream* os) { *os << c.name; }

class PlotBits : public ::testing::TestWithParam<BitsCase> {};

TEST_P(PlotBits, PlotsTheSetBits) {
  const BitsCase& c = GetParam();
  auto bitmap = PositionBitmap(12, 4);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetDrawColor(kInk);
  canvas.PlotBits(c.x, c.y, c.bytesPerRow, c.rows, c.bits.empty() ? nullptr : c.bits.data());
  std::vector<BMM_Color_64> expected;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 12; ++x) expected.push_back(PositionColor(x, y));
  for (auto [x, y] : c.plotted) expected[y * 12 + x] = kInk;
  EXPECT_TRUE(std::vector<BMM_Color_64>(canvas.pixels, canvas.pixels + 48) == expected)
      << FirstDifference(std::vector<BMM_Color_64>(canvas.pixels, canvas.pixels + 48), expected,
                         12);
}

const BitsCase kBits[] = {
    {"OuterBitsOnly", 2, 1, 1, 1, {0x81}, {{2, 1}, {9, 1}}},
    {"ZeroByteSkipsEight", 0, 0, 2, 1, {0x00, 0xC0}, {{8, 0}, {9, 0}}},
    {"RowsFollowEachOther", 1, 0, 1, 3, {0x80, 0x40, 0x20}, {{1, 0}, {2, 1}, {3, 2}}},
    {"ClippedLeftAndTop", -7, -1, 1, 2, {0xFF, 0x03}, {{0, 0}}},
    {"ClippedRightAndBottom", 10, 3, 1, 2, {0xE0, 0xFF}, {{10, 3}, {11, 3}}},
    {"NegativeRows", 0, 0, 1, -1, {0xFF}, {}},
    {"NegativeBytesPerRow", 0, 0, -1, 1, {0xFF}, {}},
    {"NullBits", 0, 0, 1, 1, {}, {}},
    // A mask that size would overflow the arithmetic; nothing is read.
    {"HugeMaskRefused", 0, 0, 65536, 65536, {0xFF}, {}},
    {"ExtremeOrigin", 2147483647, 2147483647, 1, 1, {0xFF}, {}},
};

INSTANTIATE_TEST_SUITE_P(Text, PlotBits, ::testing::ValuesIn(kBits),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
