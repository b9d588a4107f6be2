#include <cstdlib>
#include <cstring>
#include <utility>

#include "canvas/canvas.h"
#include "platform/memory.h"

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
  // Reversing each row in place gives the same picture as exchanging column
  // pairs through two column buffers, in one cache-friendly pass instead of
  // four strided ones per pair.
  for (int y = 0; y < height; ++y) {
    BMM_Color_64* left = pixels + static_cast<std::size_t>(y) * width;
    BMM_Color_64* right = left + width - 1;
    for (; left < right; ++left, --right) std::swap(*left, *right);
  }
}

void Canvas::MirrorVertical() {
  if (!pixels || height < 2 || width < 1) return;
  const std::size_t rowBytes = sizeof(BMM_Color_64) * static_cast<std::size_t>(width);
  auto* t = static_cast<BMM_Color_64*>(platform::Allocate(rowBytes));
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
