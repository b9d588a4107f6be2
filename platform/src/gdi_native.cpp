// Glyph text's Win32 calls over fontconfig and FreeType. Fonts are looked up
// as the Windows font mapper would weigh them: a font that cannot show the
// requested character set loses to one that can, whatever its name; within
// that, the face name, then weight and slant. Sizes follow GDI: a positive
// height is the cell height (ascent plus descent from the OS/2 table), a
// negative one the em height.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "gdi_seam.h"
#include "platform/gdi.h"

struct HFONT__ {
  LOGFONTA record{};
  FT_Face face = nullptr;
  int ppem = 0;
  // Code page double-byte codes are converted with: the character set's own,
  // or the process's for DEFAULT_CHARSET and the like.
  int codePage = 0;
  TEXTMETRICA metrics{};
  struct Glyph {
    GLYPHMETRICS metrics{};
    std::vector<unsigned char> bits;  // rows padded to 4 bytes
    bool ok = false;
  };
  std::map<UINT, Glyph> glyphs;
};

struct HDC__ {
  HWND window = nullptr;
  HFONT__* font = nullptr;
};

namespace platform {
namespace {

// A glyph larger than this many pixels per em would only make huge bitmaps.
constexpr int kMaxPixelsPerEm = 2048;
constexpr std::size_t kGlyphCacheLimit = 512;

std::mutex gdiMutex;  // FreeType's library and faces are not thread-safe
FT_Library library = nullptr;
bool fontconfigReady = false;
HFONT__ stockFont;  // what a new context has selected: no face
std::set<HFONT__*> fonts;
std::set<HDC__*> contexts;

struct Block {
  unsigned char* bytes;
  SIZE_T size;
  int locks;
};
std::set<Block*> blocks;

int codePageOverride = 0;

int CodePageFromLocale() {
  const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  std::string locale;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value && *value) {
      locale = value;
      break;
    }
  }
  const std::string language = locale.substr(0, locale.find_first_of("_.@"));
  const std::size_t underscore = locale.find('_');
  const std::string territory =
      underscore == std::string::npos ? "" : locale.substr(underscore + 1, 2);
  if (language == "ko") return 949;
  if (language == "ja") return 932;
  if (language == "zh") return territory == "TW" || territory == "HK" ? 950 : 936;
  return 1252;
}

// Lead bytes of the double-byte code pages.
bool LeadByteOf(int codePage, unsigned char c) {
  switch (codePage) {
    case 932:
      return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950:
      return c >= 0x81 && c <= 0xFE;
    default:
      return false;
  }
}

std::string IconvName(int codePage) { return "CP" + std::to_string(codePage); }

// One converter per code page, kept for the process. Caller holds gdiMutex.
iconv_t Converter(int codePage) {
  // Never destroyed: the converters stay reachable until the process ends.
  static auto* converters = new std::map<int, iconv_t>;
  auto it = converters->find(codePage);
  if (it != converters->end()) return it->second;
  iconv_t cd = iconv_open("UTF-32LE", IconvName(codePage).c_str());
  try {
    (*converters)[codePage] = cd;
  } catch (const std::bad_alloc&) {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    throw;
  }
  return cd;
}

bool CodePageKnown(int codePage) {
  iconv_t cd = iconv_open("UTF-32LE", IconvName(codePage).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

int ProcessCodePage() { return codePageOverride ? codePageOverride : CodePageFromLocale(); }

// The character's Unicode value; 0 when the code page has none for it.
std::uint32_t ToUnicode(int codePage, UINT code) {
  if (code < 0x80) return code;
  char in[2];
  std::size_t inLeft = 0;
  if (code > 0xFF) {
    in[0] = static_cast<char>((code >> 8) & 0xFF);
    in[1] = static_cast<char>(code & 0xFF);
    inLeft = 2;
  } else {
    in[0] = static_cast<char>(code);
    inLeft = 1;
  }
  iconv_t cd = Converter(codePage);
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  unsigned char out[8] = {};
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  std::size_t outLeft = sizeof(out);
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
      inLeft != 0 || sizeof(out) - outLeft != 4)
    return 0;
  return static_cast<std::uint32_t>(out[0]) | static_cast<std::uint32_t>(out[1]) << 8 |
         static_cast<std::uint32_t>(out[2]) << 16 | static_cast<std::uint32_t>(out[3]) << 24;
}

int CharsetCodePage(BYTE charset) {
  switch (charset) {
    case ANSI_CHARSET:
      return 1252;
    case SHIFTJIS_CHARSET:
      return 932;
    case HANGEUL_CHARSET:
      return 949;
    case GB2312_CHARSET:
      return 936;
    case CHINESEBIG5_CHARSET:
      return 950;
    default:
      return 0;
  }
}

const char* CharsetLanguage(BYTE charset) {
  switch (charset) {
    case SHIFTJIS_CHARSET:
      return "ja";
    case HANGEUL_CHARSET:
      return "ko";
    case GB2312_CHARSET:
      return "zh-cn";
    case CHINESEBIG5_CHARSET:
      return "zh-tw";
    default:
      return nullptr;
  }
}

struct FontFile {
  std::string path;
  int index = 0;
};

// Caller holds gdiMutex.
bool Match(const std::string& face, int weight, bool italic, const char* language, FontFile& found,
           bool& coversLanguage) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  if (!face.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
  else if (language)
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  int index = 0;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
  if (ok) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    found.path = reinterpret_cast<const char*>(file);
    found.index = index;
    coversLanguage = true;
    FcLangSet* languages = nullptr;
    if (language && FcPatternGetLangSet(match, FC_LANG, 0, &languages) == FcResultMatch)
      coversLanguage = FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>(language)) !=
                       FcLangDifferentLang;
  }
  FcPatternDestroy(match);
  return ok;
}

// Caller holds gdiMutex.
bool FindFontFile(const LOGFONTA& record, FontFile& found) {
  static std::map<std::tuple<std::string, int, bool, int>, FontFile> cache;
  const std::string face(record.lfFaceName, strnlen(record.lfFaceName, LF_FACESIZE));
  const int weight = record.lfWeight <= 0 ? 400 : std::min<int>(record.lfWeight, 1000);
  const bool italic = record.lfItalic != 0;
  const auto key = std::make_tuple(face, weight, italic, static_cast<int>(record.lfCharSet));
  auto it = cache.find(key);
  if (it != cache.end()) {
    found = it->second;
    return true;
  }
  if (!fontconfigReady) fontconfigReady = FcInit() == FcTrue;
  if (!fontconfigReady) return false;
  const char* language = CharsetLanguage(record.lfCharSet);
  bool covers = true;
  if (!Match(face, weight, italic, language, found, covers)) return false;
  // The character set outweighs the name.
  if (!covers) Match("", weight, italic, language, found, covers);
  cache[key] = found;
  return true;
}

long RoundScaled(FT_Long units, FT_Fixed scale) { return (FT_MulFix(units, scale) + 32) >> 6; }

void FillMetrics(HFONT__& font) {
  FT_Face face = font.face;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  long winAscent = face->ascender;
  long winDescent = -face->descender;
  if (os2 && os2->version != 0xFFFFu && (os2->usWinAscent || os2->usWinDescent)) {
    winAscent = os2->usWinAscent;
    winDescent = os2->usWinDescent;
  }
  const FT_Fixed yScale = face->size->metrics.y_scale;
  const FT_Fixed xScale = face->size->metrics.x_scale;
  TEXTMETRICA& tm = font.metrics;
  tm = TEXTMETRICA{};
  tm.tmAscent = static_cast<LONG>(RoundScaled(winAscent, yScale));
  tm.tmDescent = static_cast<LONG>(RoundScaled(winDescent, yScale));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = tm.tmHeight - font.ppem;
  if (hhea) {
    const long gap =
        hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
    tm.tmExternalLeading = static_cast<LONG>(std::max(0L, RoundScaled(gap, yScale)));
  }
  tm.tmAveCharWidth = os2 && os2->version != 0xFFFFu
                          ? static_cast<LONG>(RoundScaled(os2->xAvgCharWidth, xScale))
                          : 0;
  tm.tmMaxCharWidth = static_cast<LONG>(RoundScaled(face->max_advance_width, xScale));
  tm.tmWeight = font.record.lfWeight > 0 ? font.record.lfWeight : 400;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFF;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = font.record.lfItalic;
  tm.tmUnderlined = font.record.lfUnderline;
  tm.tmStruckOut = font.record.lfStrikeOut;
  tm.tmPitchAndFamily = font.record.lfPitchAndFamily;
  tm.tmCharSet = font.record.lfCharSet;
}

// Caller holds gdiMutex.
bool OpenFace(HFONT__& font) {
  if (!library && FT_Init_FreeType(&library) != 0) {
    library = nullptr;
    return false;
  }
  FontFile file;
  if (!FindFontFile(font.record, file)) return false;
  if (FT_New_Face(library, file.path.c_str(), file.index, &font.face) != 0) {
    font.face = nullptr;
    return false;
  }
  FT_Select_Charmap(font.face, FT_ENCODING_UNICODE);
  const long long height = font.record.lfHeight;
  long long ppem = 0;
  if (height < 0) {
    ppem = -height;
  } else {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(font.face, FT_SFNT_OS2));
    long long cell = font.face->ascender - font.face->descender;
    if (os2 && os2->version != 0xFFFFu && (os2->usWinAscent || os2->usWinDescent))
      cell = static_cast<long long>(os2->usWinAscent) + os2->usWinDescent;
    // Height 0 asks for the default size, a 16-pixel cell.
    const long long wanted = height == 0 ? 16 : height;
    if (cell <= 0) cell = font.face->units_per_EM;
    ppem = (wanted * font.face->units_per_EM + cell / 2) / cell;
  }
  font.ppem = static_cast<int>(std::clamp<long long>(ppem, 1, kMaxPixelsPerEm));
  if (FT_Set_Pixel_Sizes(font.face, 0, static_cast<FT_UInt>(font.ppem)) != 0) {
    FT_Done_Face(font.face);
    font.face = nullptr;
    return false;
  }
  FillMetrics(font);
  return true;
}

// Renders the glyph of code into GDI's shapes. Caller holds gdiMutex.
const HFONT__::Glyph& RenderGlyph(HFONT__& font, UINT code) {
  auto it = font.glyphs.find(code);
  if (it != font.glyphs.end()) return it->second;
  if (font.glyphs.size() >= kGlyphCacheLimit) font.glyphs.clear();
  HFONT__::Glyph& glyph = font.glyphs[code];
  const int codePage = font.codePage ? font.codePage : ProcessCodePage();
  const FT_UInt index = FT_Get_Char_Index(font.face, ToUnicode(codePage, code));
  if (FT_Load_Glyph(font.face, index, FT_LOAD_TARGET_MONO) != 0) return glyph;
  FT_GlyphSlot slot = font.face->glyph;
  // FreeType renders an outline without contours (a space) as one clear
  // pixel; GDI has no bitmap for it.
  const bool blank = slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_contours == 0;
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && !blank &&
      FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
    return glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  glyph.metrics.gmCellIncX = static_cast<short>((slot->advance.x + 32) >> 6);
  glyph.metrics.gmCellIncY = 0;
  if (blank || bitmap.width == 0 || bitmap.rows == 0) {
    // Nothing to draw: GDI answers a 1 x 1 box and an empty bitmap.
    glyph.metrics.gmBlackBoxX = 1;
    glyph.metrics.gmBlackBoxY = 1;
    glyph.metrics.gmptGlyphOrigin = POINT{0, 0};
    glyph.ok = true;
    return glyph;
  }
  glyph.metrics.gmBlackBoxX = bitmap.width;
  glyph.metrics.gmBlackBoxY = bitmap.rows;
  glyph.metrics.gmptGlyphOrigin = POINT{slot->bitmap_left, slot->bitmap_top};
  const std::size_t stride = (static_cast<std::size_t>(bitmap.width) + 31) / 32 * 4;
  glyph.bits.assign(stride * bitmap.rows, 0);
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    unsigned char* target = glyph.bits.data() + row * stride;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
      std::memcpy(target, source, (bitmap.width + 7) / 8);
    } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      for (unsigned col = 0; col < bitmap.width; ++col)
        if (source[col] >= 128) target[col / 8] |= static_cast<unsigned char>(0x80 >> (col % 8));
    }
  }
  glyph.ok = true;
  return glyph;
}

HFONT__* FontOf(HDC dc) {
  if (!dc || !contexts.count(dc)) return nullptr;
  HFONT__* font = dc->font;
  return font && font != &stockFont && font->face ? font : nullptr;
}

}  // namespace

// These stand in for C calls, which answer failure and never throw: a
// shortage of memory gives the failure value and leaves nothing behind.

HFONT CreateFontIndirectA(const LOGFONTA* record) {
  if (!record) return nullptr;
  std::lock_guard<std::mutex> lock(gdiMutex);
  std::unique_ptr<HFONT__> font;
  try {
    font = std::make_unique<HFONT__>();
    font->record = *record;
    font->codePage = CharsetCodePage(record->lfCharSet);
    // A font with no face still makes a handle, as GDI's always does; its
    // queries then fail.
    OpenFace(*font);
    fonts.insert(font.get());
    seam::Made(seam::Kind::Font);
    return font.release();
  } catch (const std::bad_alloc&) {
    if (font && font->face) FT_Done_Face(font->face);
    return nullptr;
  }
}

HDC GetDC(HWND window) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  try {
    auto dc = std::make_unique<HDC__>();
    dc->window = window;
    dc->font = &stockFont;
    contexts.insert(dc.get());
    seam::Made(seam::Kind::Context);
    return dc.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int ReleaseDC(HWND, HDC dc) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  if (!dc || !contexts.erase(dc)) return 0;
  delete dc;
  seam::Released(seam::Kind::Context);
  return 1;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  auto* font = static_cast<HFONT__*>(object);
  if (!dc || !contexts.count(dc) || (font != &stockFont && !fonts.count(font))) return nullptr;
  HFONT__* previous = dc->font;
  dc->font = font;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  auto* font = static_cast<HFONT__*>(object);
  if (!fonts.count(font)) return FALSE;
  for (HDC__* dc : contexts)
    if (dc->font == font) return FALSE;
  fonts.erase(font);
  if (font->face) FT_Done_Face(font->face);
  delete font;
  seam::Released(seam::Kind::Font);
  return TRUE;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  HFONT__* font = FontOf(dc);
  if (!font || !metrics) return FALSE;
  *metrics = font->metrics;
  return TRUE;
}

DWORD GetGlyphOutlineA(HDC dc, UINT code, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize,
                       LPVOID buffer, const MAT2* matrix) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  HFONT__* font = FontOf(dc);
  if (!font || !metrics || !matrix) return GDI_ERROR;
  const bool identity = matrix->eM11.value == 1 && matrix->eM11.fract == 0 &&
                        matrix->eM22.value == 1 && matrix->eM22.fract == 0 &&
                        matrix->eM12.value == 0 && matrix->eM12.fract == 0 &&
                        matrix->eM21.value == 0 && matrix->eM21.fract == 0;
  if (!identity || code > 0xFFFF) return GDI_ERROR;
  if (format != GGO_METRICS && format != GGO_BITMAP) return GDI_ERROR;
  if (format == GGO_BITMAP && seam::GlyphBitmapFails(code)) return GDI_ERROR;
  const HFONT__::Glyph* rendered = nullptr;
  try {
    rendered = &RenderGlyph(*font, code);
  } catch (const std::bad_alloc&) {
    font->glyphs.erase(code);  // not cached half-made: the next query tries again
    return GDI_ERROR;
  }
  const HFONT__::Glyph& glyph = *rendered;
  if (!glyph.ok) return GDI_ERROR;
  *metrics = glyph.metrics;
  if (format == GGO_METRICS) return 0;
  const DWORD size = static_cast<DWORD>(glyph.bits.size());
  if (!buffer || bufferSize == 0) return size;
  if (bufferSize < size) return GDI_ERROR;
  if (size) std::memcpy(buffer, glyph.bits.data(), size);
  return size;
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (!seam::AllowGlobalAlloc()) return nullptr;
  // Exactly the bytes asked for, none for none, so a read past them shows.
  void* memory = bytes == 0                ? std::malloc(0)
                 : (flags & GMEM_ZEROINIT) ? std::calloc(bytes, 1)
                                           : std::malloc(bytes);
  if (!memory && bytes == 0) memory = std::malloc(1);
  if (!memory) return nullptr;
  auto* block = new (std::nothrow) Block{static_cast<unsigned char*>(memory), bytes, 0};
  try {
    if (!block) throw std::bad_alloc();
    std::lock_guard<std::mutex> lock(gdiMutex);
    blocks.insert(block);
  } catch (const std::bad_alloc&) {
    delete block;
    std::free(memory);
    return nullptr;
  }
  seam::Made(seam::Kind::GlobalBlock);
  return block;
}

LPVOID GlobalLock(HGLOBAL handle) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  auto* block = static_cast<Block*>(handle);
  if (!blocks.count(block)) return nullptr;
  ++block->locks;
  return block->bytes;
}

BOOL GlobalUnlock(HGLOBAL handle) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  auto* block = static_cast<Block*>(handle);
  if (!blocks.count(block) || block->locks == 0) return FALSE;
  --block->locks;
  return block->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  auto* block = static_cast<Block*>(handle);
  if (!blocks.erase(block)) return handle;
  std::free(block->bytes);
  delete block;
  seam::Released(seam::Kind::GlobalBlock);
  return nullptr;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  int answer = 0;
  if (seam::Hooked(owner, text, caption, type, answer)) return answer;
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return IDOK;
}

HWND GetActiveWindow() { return nullptr; }

int MultiByteCodePage() {
  std::lock_guard<std::mutex> lock(gdiMutex);
  return ProcessCodePage();
}

bool SetMultiByteCodePage(int codePage) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  if (codePage != 0 && !CodePageKnown(codePage)) return false;
  codePageOverride = codePage;
  return true;
}

bool IsLeadByte(unsigned char c) {
  std::lock_guard<std::mutex> lock(gdiMutex);
  return LeadByteOf(ProcessCodePage(), c);
}

namespace {
// An iconv descriptor closed on every way out.
class Iconv {
 public:
  Iconv(const std::string& to, const char* from) : cd_(iconv_open(to.c_str(), from)) {}
  ~Iconv() {
    if (Ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  operator iconv_t() const { return cd_; }

 private:
  iconv_t cd_;
};
}  // namespace

std::string TextInCodePage(const std::string& utf8) {
  const int codePage = MultiByteCodePage();
  Iconv check("UTF-32LE", "UTF-8");
  Iconv convert(IconvName(codePage) + "//TRANSLIT", "UTF-8");
  std::string out = utf8;
  if (check.Ok() && convert.Ok()) {
    std::vector<char> in(utf8.begin(), utf8.end());
    std::vector<char> wide(utf8.size() * 4 + 4);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = wide.data();
    std::size_t outLeft = wide.size();
    const bool isUtf8 =
        iconv(check, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    if (isUtf8) {
      std::vector<char> bytes(utf8.size() * 4 + 4);
      inPtr = in.data();
      inLeft = in.size();
      outPtr = bytes.data();
      outLeft = bytes.size();
      if (iconv(convert, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
        out.assign(bytes.data(), bytes.size() - outLeft);
    }
  }
  return out;
}

}  // namespace platform
