#include <cstdlib>
#include <cstring>

#include "canvas/canvas.h"

void Canvas::ReadColumn(int x, BMM_Color_64* buffer) const {
  const BMM_Color_64* p = pixels + x;
  for (int y = 0; y < height; ++y, p += width) buffer[y] = *p;
}

void Canvas::WriteColumn(int x, const BMM_Color_64* buffer) {
  BMM_Color_64* p = pixels + x;
  for (int y = 0; y < height; ++y, p += width) *p = buffer[y];
}

void Canvas::MirrorHorizontal() {
  if (!pixels || width < 2 || height < 1) return;
  // Both column buffers in one block, obtained once per call.
  auto* a = static_cast<BMM_Color_64*>(std::malloc(2 * sizeof(BMM_Color_64) * height));
  if (!a) return;
  BMM_Color_64* b = a + height;
  for (int i = 0; i < width / 2; ++i) {
    ReadColumn(i, a);
    ReadColumn(width - 1 - i, b);
    WriteColumn(i, b);
    WriteColumn(width - 1 - i, a);
  }
  std::free(a);
}

void Canvas::MirrorVertical() {
  if (!pixels || height < 2 || width < 1) return;
  const std::size_t rowBytes = sizeof(BMM_Color_64) * static_cast<std::size_t>(width);
  auto* t = static_cast<BMM_Color_64*>(std::malloc(rowBytes));
  if (!t) return;
  for (int i = 0; i < height / 2; ++i) {
    BMM_Color_64* rowI = pixels + static_cast<std::size_t>(i) * width;
    BMM_Color_64* rowJ = pixels + static_cast<std::size_t>(height - 1 - i) * width;
    std::memcpy(t, rowJ, rowBytes);
    std::memcpy(rowJ, rowI, rowBytes);
    std::memcpy(rowI, t, rowBytes);
  }
  std::free(t);
}
