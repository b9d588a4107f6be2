// The native glyph service answers in GDI's shapes: checked against the font
// file read here with fontconfig and FreeType directly. Expected metrics of
// Liberation Sans (the face fontconfig gives for "Arial") are worked out by
// hand from its tables: 2048 units per em, OS/2 winAscent 1854 and
// winDescent 434, hhea line gap 67.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
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


std::string FontFile(const char* family) {
  FcInit();
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcChar8* file = nullptr;
  std::string path;
  if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
    path = reinterpret_cast<const char*>(file);
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return path;
}

// A context with the font selected, released at the end of the scope.
struct Selected {
  explicit Selected(const LOGFONTA& record)
      : font(platform::CreateFontIndirectA(&record)),
        dc(platform::GetDC(nullptr)),
        kept(platform::SelectObject(dc, font)) {}
  ~Selected() {
    platform::SelectObject(dc, kept);
    EXPECT_TRUE(platform::DeleteObject(font));
    platform::ReleaseDC(nullptr, dc);
  }
  HFONT font;
  HDC dc;
  HGDIOBJ kept;
};

struct GlyphCase {
  const char* name;
  const char* face;    // asked of the platform
  const char* family;  // the family fontconfig must have served
  int height;
  BYTE charset;
  UINT code;              // as the text gives it
  unsigned long unicode;  // what it is
  int ppem;               // worked out by hand
};

class Shapes : public ::testing::TestWithParam<GlyphCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(platform::SetMultiByteCodePage(949)); }
  void TearDown() override { platform::SetMultiByteCodePage(0); }
};

TEST_P(Shapes, GlyphMatchesFreeTypesMonochromeRendering) {
  const GlyphCase& c = GetParam();
  FT_Library library;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face;
  const std::string file = FontFile(c.family);
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(FT_New_Face(library, file.c_str(), 0, &face), 0);
  ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(c.ppem)), 0);
  ASSERT_EQ(FT_Load_Char(face, c.unicode, FT_LOAD_TARGET_MONO | FT_LOAD_RENDER), 0);
  const FT_Bitmap& ft = face->glyph->bitmap;
  ASSERT_EQ(ft.pixel_mode, FT_PIXEL_MODE_MONO);
  ASSERT_GT(ft.width, 0u);

  Selected s(FontRecord(c.face, c.height, c.charset));
  const MAT2 identity = IdentityTransform();
  GLYPHMETRICS gm{};
  ASSERT_EQ(platform::GetGlyphOutlineA(s.dc, c.code, GGO_METRICS, &gm, 0, nullptr, &identity), 0u);
  EXPECT_EQ(gm.gmBlackBoxX, ft.width);
  EXPECT_EQ(gm.gmBlackBoxY, ft.rows);
  EXPECT_EQ(gm.gmptGlyphOrigin.x, face->glyph->bitmap_left);
  EXPECT_EQ(gm.gmptGlyphOrigin.y, face->glyph->bitmap_top);
  EXPECT_EQ(gm.gmCellIncX, (face->glyph->advance.x + 32) >> 6);
  EXPECT_EQ(gm.gmCellIncY, 0);

  const UINT stride = (ft.width + 31) / 32 * 4;
  const DWORD size =
      platform::GetGlyphOutlineA(s.dc, c.code, GGO_BITMAP, &gm, 0, nullptr, &identity);
  ASSERT_EQ(size, stride * ft.rows);
  // One spare byte at the end must stay as it was.
  std::vector<unsigned char> bits(size + 1, 0xAA);
  ASSERT_EQ(platform::GetGlyphOutlineA(s.dc, c.code, GGO_BITMAP, &gm, size, bits.data(), &identity),
            size);
  EXPECT_EQ(bits[size], 0xAA);
  for (unsigned r = 0; r < ft.rows; ++r)
    for (unsigned col = 0; col < stride * 8; ++col) {
      const bool got = bits[r * stride + col / 8] & (0x80 >> (col % 8));
      const bool want =
          col < ft.width && (ft.buffer[r * ft.pitch + col / 8] & (0x80 >> (col % 8))) != 0;
      ASSERT_EQ(got, want) << "row " << r << " column " << col;
    }
  // A buffer too small for the bitmap is refused.
  EXPECT_EQ(
      platform::GetGlyphOutlineA(s.dc, c.code, GGO_BITMAP, &gm, size - 1, bits.data(), &identity),
      GDI_ERROR);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

const GlyphCase kGlyphs[] = {
    // cell 28: ppem = 28 * 2048 / 2288 = 25.06 -> 25
    {"ArialG28", "Arial", "Liberation Sans", 28, ANSI_CHARSET, 'g', 'g', 25},
    {"ArialW28", "Arial", "Liberation Sans", 28, ANSI_CHARSET, 'W', 'W', 25},
    {"ArialEm13", "Arial", "Liberation Sans", -13, ANSI_CHARSET, 'Q', 'Q', 13},
    // cp1252 0xE9 is e acute
    {"ArialHighByte", "Arial", "Liberation Sans", -20, ANSI_CHARSET, 0xE9, 0xE9, 20},
    {"NanumHan", "NanumGothic", "NanumGothic", -30, HANGEUL_CHARSET, 0xC7D1, 0xD55C, 30},
    {"NanumGeul", "NanumGothic", "NanumGothic", -17, HANGEUL_CHARSET, 0xB1DB, 0xAE00, 17},
};

INSTANTIATE_TEST_SUITE_P(Native, Shapes, ::testing::ValuesIn(kGlyphs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NativeFonts, TextMetricsOfArialAtCellHeight28) {
  Selected s(FontRecord("Arial", 28, ANSI_CHARSET));
  TEXTMETRICA tm{};
  ASSERT_TRUE(platform::GetTextMetricsA(s.dc, &tm));
  // ppem 25: ascent 1854 * 25 / 2048 = 22.6 -> 23, descent 434 * 25 / 2048
  // = 5.3 -> 5, external leading 67 * 25 / 2048 = 0.8 -> 1.
  EXPECT_EQ(tm.tmAscent, 23);
  EXPECT_EQ(tm.tmDescent, 5);
  EXPECT_EQ(tm.tmHeight, 28);
  EXPECT_EQ(tm.tmInternalLeading, 3);
  EXPECT_EQ(tm.tmExternalLeading, 1);
}

// The space: a 1 x 1 box and an empty bitmap, as GDI gives it.
TEST(NativeFonts, SpaceHasAnEmptyBitmap) {
  Selected s(FontRecord("Arial", 28, ANSI_CHARSET));
  const MAT2 identity = IdentityTransform();
  GLYPHMETRICS gm{};
  EXPECT_EQ(platform::GetGlyphOutlineA(s.dc, ' ', GGO_BITMAP, &gm, 0, nullptr, &identity), 0u);
  EXPECT_EQ(gm.gmBlackBoxX, 1u);
  EXPECT_EQ(gm.gmBlackBoxY, 1u);
  EXPECT_GT(gm.gmCellIncX, 0);
}

// The Windows mapper weighs the character set above the name: a Korean
// record naming a face without Hangul still gets a face that has it.
TEST(NativeFonts, CharacterSetOutweighsTheFaceName) {
  ASSERT_TRUE(platform::SetMultiByteCodePage(949));
  const MAT2 identity = IdentityTransform();
  GLYPHMETRICS viaArial{};
  GLYPHMETRICS viaNanum{};
  std::vector<unsigned char> a(4096), b(4096);
  {
    Selected s(FontRecord("Arial", -24, HANGEUL_CHARSET));
    ASSERT_NE(
        platform::GetGlyphOutlineA(s.dc, 0xC7D1, GGO_BITMAP, &viaArial, 4096, a.data(), &identity),
        GDI_ERROR);
  }
  {
    Selected s(FontRecord("NanumGothic", -24, HANGEUL_CHARSET));
    ASSERT_NE(
        platform::GetGlyphOutlineA(s.dc, 0xC7D1, GGO_BITMAP, &viaNanum, 4096, b.data(), &identity),
        GDI_ERROR);
  }
  platform::SetMultiByteCodePage(0);
  EXPECT_EQ(viaArial.gmBlackBoxX, viaNanum.gmBlackBoxX);
  EXPECT_EQ(viaArial.gmBlackBoxY, viaNanum.gmBlackBoxY);
  EXPECT_EQ(a, b);
}

struct CodePageCase {
  const char* name;
  const char* lang;
  int codePage;
  bool lead81;
  bool leadC7;  // a single half-width katakana in 932
};

TEST(NativeFonts, CodePageComesFromTheLocaleUnlessSet) {
  const CodePageCase rows[] = {
      {"Korean", "ko_KR.UTF-8", 949, true, true},     {"Japanese", "ja_JP.UTF-8", 932, true, false},
      {"Chinese", "zh_CN.UTF-8", 936, true, true},    {"Taiwan", "zh_TW.UTF-8", 950, true, true},
      {"English", "en_US.UTF-8", 1252, false, false}, {"Plain", "C", 1252, false, false},
  };
  const char* saved = std::getenv("LC_ALL");
  const std::string keep = saved ? saved : "";
  for (const CodePageCase& row : rows) {
    SCOPED_TRACE(row.name);
    setenv("LC_ALL", row.lang, 1);
    EXPECT_EQ(platform::MultiByteCodePage(), row.codePage);
    EXPECT_EQ(platform::IsLeadByte(0x81), row.lead81);
    EXPECT_EQ(platform::IsLeadByte(0xC7), row.leadC7);
    EXPECT_FALSE(platform::IsLeadByte('A'));
  }
  setenv("LC_ALL", "en_US.UTF-8", 1);
  ASSERT_TRUE(platform::SetMultiByteCodePage(949));
  EXPECT_TRUE(platform::IsLeadByte(0x81));
  EXPECT_FALSE(platform::IsLeadByte(0x80));
  EXPECT_FALSE(platform::IsLeadByte(0xFF));
  EXPECT_FALSE(platform::SetMultiByteCodePage(123456));
  EXPECT_EQ(platform::MultiByteCodePage(), 949);
  ASSERT_TRUE(platform::SetMultiByteCodePage(0));
  EXPECT_EQ(platform::MultiByteCodePage(), 1252);
  if (saved)
    setenv("LC_ALL", keep.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

// Without a hook the native box goes to stderr.
TEST(NativeFonts, AllocationFailureBoxGoesToStderr) {
  auto bitmap = zarntest::PositionBitmap(20, 20);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  platform::FailGlobalAllocAfter(0);
  ::testing::internal::CaptureStderr();
  canvas.PrintText(0, 0, "A");
  const std::string said = ::testing::internal::GetCapturedStderr();
  platform::FailGlobalAllocAfter(-1);
  EXPECT_EQ(said, "Memory Error: Unable to allocate memory.\n");
}

}  // namespace
