#include <algorithm>
#include <cmath>
#include <cstdint>

#include "canvas/arith.h"
#include "canvas/canvas.h"

int Canvas::EscapeCount(float cx, float cy, int maxIterations) const {
  float x = cx;
  float y = cy;
  float m = y * y + x * x;
  std::int64_t i = 1;
  // An orbit that comes back to a state it has been in repeats for ever and
  // never escapes: answering at once gives the same count without running
  // out the remaining iterations. The saved state is renewed at each power
  // of two (Brent's cycle search).
  float savedX = x;
  float savedY = y;
  std::int64_t nextSave = 2;
  while (i <= maxIterations && m <= 4.0f) {
    const float t = x;
    x = (x * x - y * y) + cx;
    y = (t * y) * 2.0f + cy;
    m = y * y + x * x;
    ++i;
    if (x == savedX && y == savedY && m <= 4.0f) {
      i = static_cast<std::int64_t>(maxIterations) + 1;
      break;
    }
    if (i == nextSave) {
      savedX = x;
      savedY = y;
      nextSave *= 2;
    }
  }
  return static_cast<int>(std::min<std::int64_t>(i, INT32_MAX));
}

void Canvas::RenderMandelbrot(float x0, float y0, float x1, float y1, int maxIterations, int cols,
                              int rows) {
  if (!pixels || cols < 2 || rows < 2 || maxIterations < 1) return;
  // Grid points past the canvas are dropped by PlotGrey, so they are not
  // computed at all.
  const int shownRows = std::min(rows, height);
  const int shownCols = std::min(cols, width);
  const float max = static_cast<float>(maxIterations);
  for (int i = 0; i < shownRows; ++i) {
    const float cy = (y1 - y0) * static_cast<float>(i) / static_cast<float>(rows - 1) + y0;
    for (int j = 0; j < shownCols; ++j) {
      const float cx = (x1 - x0) * static_cast<float>(j) / static_cast<float>(cols - 1) + x0;
      const int k = EscapeCount(cx, cy, maxIterations);
      int v = 0;
      if (k < maxIterations) {
        v = zarn::TruncToInt32(std::floor((1.0f - static_cast<float>(k) / max) * 65535.0f));
      }
      PlotGrey(static_cast<float>(j), static_cast<float>(i), v);
    }
  }
}

void Canvas::PlotGrey(float x, float y, int v) {
  const auto g = static_cast<std::uint16_t>(v);
  PlotColor(x, y, BMM_Color_64{g, g, g, 65535});
}
