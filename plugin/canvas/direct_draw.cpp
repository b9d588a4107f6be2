#include "canvas/direct_draw.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace {

// One pixel through the host; false when the host refuses it.
bool Put(Bitmap &bitmap, std::int64_t x, std::int64_t y,
         const BMM_Color_64 &colour) {
  // The host cannot even be asked about a position beyond an int: treat it
  // as refused, as any host refuses pixels that far off.
  if (x > INT_MAX || y > INT_MAX)
    return false;
  return bitmap.PutPixels(static_cast<int>(x), static_cast<int>(y), 1,
                          &colour) == 1;
}

// Steps from along one axis; `fixed` is the other coordinate.
int Run(Bitmap *bitmap, int from, int fixed, int count, BMM_Color_64 colour,
        bool horizontal) {
  if (count < 1)
    return 1;
  if (!bitmap)
    return 0;
  // Negative positions are skipped without a call, so start at 0.
  const std::int64_t first = std::max<std::int64_t>(from, 0);
  const std::int64_t end = static_cast<std::int64_t>(from) + count;
  for (std::int64_t p = first; p < end; ++p) {
    const bool put = horizontal ? Put(*bitmap, p, fixed, colour)
                                : Put(*bitmap, fixed, p, colour);
    if (!put)
      return 0;
  }
  return 1;
}

} // namespace

int PutMaskBands(Bitmap *bitmap, int x, int y, int bytesPerRow, int bands,
                 const std::uint8_t *mask, BMM_Color_64 colour) {
  if (bands < 1 || bytesPerRow < 1)
    return 1;
  if (!bitmap || !mask)
    return 0;
  const std::int64_t w = bitmap->Width();
  const std::int64_t h = bitmap->Height();
  const auto stride = static_cast<std::size_t>(bytesPerRow);
  for (std::int64_t b = 0; b < bands; ++b) {
    const std::int64_t top = static_cast<std::int64_t>(y) - 16 * b;
    // Bands stack upward: once one lies wholly above row 0, so do the rest.
    if (top + 15 < 0)
      break;
    for (std::int64_t r = 0; r < 16; ++r) {
      const std::int64_t row = top + r;
      if (row < 0 || row >= h)
        continue;
      const std::uint8_t *bytes =
          mask + static_cast<std::size_t>(b * 16 + r) * stride;
      for (std::size_t j = 0; j < stride; ++j) {
        const std::int64_t column =
            static_cast<std::int64_t>(x) + 8 * static_cast<std::int64_t>(j);
        if (column >= w)
          break; // the rest of the row is off the right edge
        const std::uint8_t byte = bytes[j];
        if (byte == 0 || column + 7 < 0)
          continue;
        for (int bit = 0; bit < 8; ++bit) {
          const std::int64_t c = column + bit;
          if ((byte & (0x80 >> bit)) && c >= 0 && c < w &&
              !Put(*bitmap, c, row, colour))
            return 0;
        }
      }
    }
  }
  return 1;
}

int BitmapHRun(Bitmap *bitmap, int x, int y, int count, BMM_Color_64 colour) {
  return Run(bitmap, x, y, count, colour, true);
}

int BitmapVRun(Bitmap *bitmap, int x, int y, int count, BMM_Color_64 colour) {
  return Run(bitmap, y, x, count, colour, false);
}
