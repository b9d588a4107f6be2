#include <atomic>
#include <string>
#include <vector>

#include "gdi_seam.h"
#include "platform/gdi.h"

namespace platform {
namespace {
std::atomic<int> codePageOverride{0};
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  HFONT handle = ::CreateFontIndirectA(font);
  if (handle) seam::Made(seam::Kind::Font);
  return handle;
}

HDC GetDC(HWND window) {
  HDC dc = ::GetDC(window);
  if (dc) seam::Made(seam::Kind::Context);
  return dc;
}

int ReleaseDC(HWND window, HDC dc) {
  const int released = ::ReleaseDC(window, dc);
  if (released) seam::Released(seam::Kind::Context);
  return released;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) { return ::SelectObject(dc, object); }

// Only glyph text's fonts come here, so every deletion is a font.
BOOL DeleteObject(HGDIOBJ object) {
  const BOOL deleted = ::DeleteObject(object);
  if (deleted) seam::Released(seam::Kind::Font);
  return deleted;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) { return ::GetTextMetricsA(dc, metrics); }

DWORD GetGlyphOutlineA(HDC dc, UINT code, UINT format, GLYPHMETRICS* metrics, DWORD bufferSize,
                       LPVOID buffer, const MAT2* matrix) {
  if (format == GGO_BITMAP && seam::GlyphBitmapFails(code)) return GDI_ERROR;
  return ::GetGlyphOutlineA(dc, code, format, metrics, bufferSize, buffer, matrix);
}

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (!seam::AllowGlobalAlloc()) return nullptr;
  HGLOBAL block = ::GlobalAlloc(flags, bytes);
  if (block) seam::Made(seam::Kind::GlobalBlock);
  return block;
}

LPVOID GlobalLock(HGLOBAL block) { return ::GlobalLock(block); }

BOOL GlobalUnlock(HGLOBAL block) { return ::GlobalUnlock(block); }

HGLOBAL GlobalFree(HGLOBAL block) {
  HGLOBAL left = ::GlobalFree(block);
  if (!left && block) seam::Released(seam::Kind::GlobalBlock);
  return left;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  int answer = 0;
  if (seam::Hooked(owner, text, caption, type, answer)) return answer;
  return ::MessageBoxA(owner, text, caption, type);
}

HWND GetActiveWindow() { return ::GetActiveWindow(); }

int MultiByteCodePage() {
  const int chosen = codePageOverride.load();
  return chosen ? chosen : static_cast<int>(GetACP());
}

bool SetMultiByteCodePage(int codePage) {
  if (codePage == 0) {
    codePageOverride = 0;
    return true;
  }
  CPINFO info;
  if (!GetCPInfo(static_cast<UINT>(codePage), &info)) return false;
  codePageOverride = codePage;
  return true;
}

bool IsLeadByte(unsigned char c) {
  return IsDBCSLeadByteEx(static_cast<UINT>(MultiByteCodePage()), c) != FALSE;
}

std::string TextInCodePage(const std::string& utf8) {
  if (utf8.empty()) return utf8;
  const int length = static_cast<int>(utf8.size());
  const int wide =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (wide <= 0) return utf8;
  std::vector<wchar_t> chars(static_cast<std::size_t>(wide));
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, chars.data(), wide);
  const UINT codePage = static_cast<UINT>(MultiByteCodePage());
  const int bytes = WideCharToMultiByte(codePage, 0, chars.data(), wide, nullptr, 0, "?", nullptr);
  if (bytes <= 0) return utf8;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, 0, chars.data(), wide, out.data(), bytes, "?", nullptr);
  return out;
}

}  // namespace platform
