#include "canvas/canvas.h"

namespace {

// The module this code is linked into. In ZARN.FLT that is the instance the
// loader hands the load handler (moduleInstance); asking the loader keeps
// the toolkit free of the plug-in frame, and lets an executable linking the
// toolkit draw its own copy of the resources.
HINSTANCE ResourceModule() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ResourceModule), &module)) {
    return nullptr;
  }
  return module;
}

}  // namespace

int Canvas::DrawBitmapResource(int resourceId) {
  HDC screen = GetDC(window);
  HBITMAP bitmapHandle = LoadBitmapA(
      ResourceModule(), MAKEINTRESOURCEA(static_cast<WORD>(resourceId & 0xFFFF)));
  if (!bitmapHandle) {
    if (screen) ReleaseDC(window, screen);
    return 0;
  }
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ previous = memory ? SelectObject(memory, bitmapHandle) : nullptr;
  BITMAP info = {};
  const bool sized = GetObjectA(bitmapHandle, sizeof(info), &info) != 0;
  if (memory && sized) {
    for (int row = 0; row < info.bmHeight; ++row) {
      for (int col = 0; col < info.bmWidth; ++col) {
        const COLORREF c = GetPixel(memory, col, row);
        // 8-bit channels widen by a shift: 255 becomes 65280.
        const BMM_Color_64 colour{static_cast<std::uint16_t>(GetRValue(c) * 256),
                                  static_cast<std::uint16_t>(GetGValue(c) * 256),
                                  static_cast<std::uint16_t>(GetBValue(c) * 256), 65535};
        PlotColor(static_cast<float>(col) + penPos.x, static_cast<float>(row) + penPos.y, colour);
      }
    }
  }
  if (memory) {
    SelectObject(memory, previous);
    DeleteDC(memory);
  }
  DeleteObject(bitmapHandle);
  if (screen) ReleaseDC(window, screen);
  return memory && sized ? 1 : 0;
}
