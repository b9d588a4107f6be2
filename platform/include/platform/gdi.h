// The graphics, global-memory and message-box calls of glyph text, under
// their Win32 names. On Win32 they forward to the system. Natively fonts are
// found with fontconfig (by the LOGFONTA's face name, height, weight, slant
// and character set) and drawn with FreeType, and the calls answer the same
// records and the same bitmap layout: 1 bit per pixel, most significant bit
// leftmost, rows top first, each row padded to a multiple of 4 bytes.
//
// Both builds count the fonts, device contexts and global blocks that are
// live, and can be told to fail global allocations or a glyph's bitmap
// query, so tests can follow every path of a caller.
#pragma once
#include <functional>
#include <string>

#include "platform/win.h"

namespace platform {

HFONT CreateFontIndirectA(const LOGFONTA* font);
// The screen's context when window is null.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// Answers the object it replaces.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Natively refuses (FALSE) a font still selected into a context.
BOOL DeleteObject(HGDIOBJ object);
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
// GGO_METRICS and GGO_BITMAP with the identity matrix. A code above 255 is
// a double-byte character: lead byte high, trail byte low. GDI_ERROR on
// failure; a glyph with nothing to draw (a space) answers a 1 x 1 black box
// and a bitmap size of 0.
DWORD GetGlyphOutlineA(HDC dc, UINT code, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize,
                       LPVOID buffer, const MAT2* matrix);

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
// Null on success, as on Win32.
HGLOBAL GlobalFree(HGLOBAL block);

// Natively writes "caption: text" and a line end to stderr and answers IDOK.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// The active window of this thread; natively always null.
HWND GetActiveWindow();

// ---- Multi-byte code page -------------------------------------------------

// The code page whose lead bytes IsLeadByte reports: natively taken from the
// locale (LC_ALL, LC_CTYPE or LANG: ko gives 949, ja 932, zh_CN 936,
// zh_TW and zh_HK 950, anything else 1252); on Win32 the process's ANSI code
// page. SetMultiByteCodePage overrides it; 0 goes back to the default.
int MultiByteCodePage();
// False (and nothing changed) for a code page this build cannot convert.
bool SetMultiByteCodePage(int codePage);
bool IsLeadByte(unsigned char c);
// UTF-8 text in the multi-byte code page, characters it lacks as '?'. Text
// that is not UTF-8 is taken to be in the code page already and kept.
std::string TextInCodePage(const std::string& utf8);

// ---- Seam for tests --------------------------------------------------------

struct GdiUsage {
  int fonts = 0;
  int contexts = 0;
  int globalBlocks = 0;
  bool operator==(const GdiUsage&) const = default;
};
// What the calls above have made and not yet released, in this process.
GdiUsage LiveGdiUsage();
// What they have made in this process, released or not.
GdiUsage MadeGdiUsage();

// The next `successes` GlobalAlloc calls succeed and every later one fails,
// until called again; -1 lets every call through.
void FailGlobalAllocAfter(int successes);
// GetGlyphOutlineA's GGO_BITMAP calls for that code answer GDI_ERROR; 0
// fails none (code 0 is never drawn).
void FailGlyphBitmapFor(UINT code);

// While set, MessageBoxA answers through the hook and shows nothing.
using MessageBoxHook = std::function<int(HWND owner, LPCSTR text, LPCSTR caption, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace platform
