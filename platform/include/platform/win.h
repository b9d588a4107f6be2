// The one place that knows which build it is in. On Win32 this is the real
// <windows.h>; natively it declares the few types and calls the portable code
// needs, with SendMessageA delivering to window procedures registered in
// this process.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#else

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = unsigned char;
using WORD = unsigned short;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using CHAR = char;
using LPVOID = void*;

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

#define WINAPI
#define CALLBACK
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr int LF_FACESIZE = 32;

// Same field order and 60-byte layout as the Win32 record.
struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};

constexpr LONG FW_NORMAL = 400;
constexpr BYTE HANGEUL_CHARSET = 129;
constexpr BYTE OUT_STROKE_PRECIS = 3;
constexpr BYTE CLIP_STROKE_PRECIS = 2;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_ROMAN = 16;

inline WORD LOWORD(UINT_PTR v) { return static_cast<WORD>(v & 0xFFFF); }

// Graphics, global memory and message boxes, with the Win32 layouts. The
// calls themselves are in platform/gdi.h.
using SHORT = short;
using SIZE_T = std::size_t;
using LPCSTR = const char*;
using HANDLE = void*;
using HGDIOBJ = void*;
using HGLOBAL = void*;
struct HDC__;
using HDC = HDC__*;
struct HFONT__;
using HFONT = HFONT__*;

struct POINT {
  LONG x;
  LONG y;
};

struct FIXED {
  WORD fract;
  short value;
};

struct MAT2 {
  FIXED eM11;
  FIXED eM12;
  FIXED eM21;
  FIXED eM22;
};

struct GLYPHMETRICS {
  UINT gmBlackBoxX;
  UINT gmBlackBoxY;
  POINT gmptGlyphOrigin;
  short gmCellIncX;
  short gmCellIncY;
};

struct TEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

constexpr UINT GGO_METRICS = 0;
constexpr UINT GGO_BITMAP = 1;
constexpr DWORD GDI_ERROR = 0xFFFFFFFFu;
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr LONG FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE GB2312_CHARSET = 134;
constexpr BYTE CHINESEBIG5_CHARSET = 136;
constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_ICONERROR = 0x0010;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// Delivers to the procedure registered for the window; 0 when there is none.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void InitCommonControls();

#endif

static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA must keep the Win32 layout");
static_assert(sizeof(GLYPHMETRICS) == 20, "GLYPHMETRICS must keep the Win32 layout");
static_assert(sizeof(MAT2) == 16, "MAT2 must keep the Win32 layout");

// Marks the functions a module exports by name: the Windows build names
// them in its module definition file, the native one keeps them visible.
#ifdef _WIN32
#define PLATFORM_EXPORT
#else
#define PLATFORM_EXPORT __attribute__((visibility("default")))
#endif

namespace platform {
// A window that only receives messages: SendMessageA to it calls procedure
// until it is destroyed. On Win32 a real message-only window of this thread.
HWND CreateMessageWindow(WNDPROC procedure);
void DestroyMessageWindow(HWND window);
// How many times InitCommonControls has run in this process as far as this
// build can tell; -1 where the platform's own keeps no count.
int CommonControlsInitCount();
// Host policy for processes that handle frame after frame: keep large
// blocks in the heap between frames instead of mapping fresh, zeroed pages
// for every frame's buffers. Call once at start-up.
void KeepFrameBuffersMapped();
// The failure value of the platform's modal dialog call.
constexpr INT_PTR kDialogFailed = -1;
}  // namespace platform
