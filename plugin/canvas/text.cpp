#include <algorithm>
#include <climits>
#include <cstdint>

#include "canvas/canvas.h"
#include "platform/gdi.h"

namespace {
constexpr char kNoMemoryText[] = "Unable to allocate memory.";
constexpr char kNoMemoryCaption[] = "Memory Error";

MAT2 Identity() {
  MAT2 m{};
  m.eM11.value = 1;
  m.eM22.value = 1;
  return m;
}

// The pen in the int range PlotBits takes; past it every pixel is off any
// canvas.
int PenToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// The two buffers of one glyph, freed on every way out of its step.
struct GlyphBuffers {
  HGLOBAL glyph = nullptr;
  HGLOBAL packed = nullptr;
  ~GlyphBuffers() {
    if (glyph) {
      platform::GlobalUnlock(glyph);
      platform::GlobalFree(glyph);
    }
    if (packed) {
      platform::GlobalUnlock(packed);
      platform::GlobalFree(packed);
    }
  }
};
}  // namespace

void Canvas::PlotBits(int x, int y, int bytesPerRow, int rows, const unsigned char* bits) {
  if (!bits || rows <= 0 || bytesPerRow <= 0) return;
  if (static_cast<long long>(rows) * bytesPerRow > INT_MAX) return;
  for (int r = 0; r < rows; ++r) {
    const unsigned char* row = bits + static_cast<std::size_t>(r) * bytesPerRow;
    const long long rowY = static_cast<long long>(y) + r;
    // A row off the canvas plots nothing.
    if (rowY < 0 || rowY >= height) continue;
    long long column = x;
    for (int b = 0; b < bytesPerRow; ++b) {
      const unsigned byte = row[b];
      if (byte == 0) {
        column += 8;
        continue;
      }
      for (int bit = 7; bit >= 0; --bit, ++column)
        if (byte >> bit & 1u) Plot(static_cast<float>(column), static_cast<float>(rowY));
    }
  }
}

void Canvas::PrintText(int x, int y, CStr text) {
  HFONT fontHandle = platform::CreateFontIndirectA(&font);
  HDC dc = platform::GetDC(window);
  HGDIOBJ kept = platform::SelectObject(dc, fontHandle);
  TEXTMETRICA metrics{};
  platform::GetTextMetricsA(dc, &metrics);
  const MAT2 identity = Identity();
  const long long baseline = static_cast<long long>(metrics.tmExternalLeading) + metrics.tmAscent;
  long long penX = x;
  long long penY = y;

  const int n = text.Length();
  for (int i = 0; i < n; ++i) {
    UINT code = static_cast<unsigned char>(text[i]);
    if (platform::IsLeadByte(static_cast<unsigned char>(code))) {
      // A lead byte with no trail byte ends the text; the NUL is no trail byte.
      if (i + 1 >= n) break;
      code = code * 256 + static_cast<unsigned char>(text[i + 1]);
      ++i;
    }
    GLYPHMETRICS gm{};
    platform::GetGlyphOutlineA(dc, code, GGO_METRICS, &gm, 0, nullptr, &identity);
    const DWORD size = platform::GetGlyphOutlineA(dc, code, GGO_BITMAP, &gm, 0, nullptr, &identity);
    const short advanceX = gm.gmCellIncX;
    const short advanceY = gm.gmCellIncY;

    // An empty bitmap (a space) or a failed query has nothing to copy.
    if (size != 0 && size != GDI_ERROR) {
      GlyphBuffers buffers;
      buffers.glyph = platform::GlobalAlloc(GMEM_ZEROINIT, size);
      auto* glyphBits = buffers.glyph
                            ? static_cast<unsigned char*>(platform::GlobalLock(buffers.glyph))
                            : nullptr;
      if (!glyphBits) {
        platform::MessageBoxA(window, kNoMemoryText, kNoMemoryCaption, MB_ICONERROR);
        break;
      }
      const DWORD fetched =
          platform::GetGlyphOutlineA(dc, code, GGO_BITMAP, &gm, size, glyphBits, &identity);
      buffers.packed = platform::GlobalAlloc(GMEM_ZEROINIT, size);
      auto* packedBits = buffers.packed
                             ? static_cast<unsigned char*>(platform::GlobalLock(buffers.packed))
                             : nullptr;
      if (!packedBits) {
        platform::MessageBoxA(window, kNoMemoryText, kNoMemoryCaption, MB_ICONERROR);
        break;
      }
      // Rows are copied only when the bitmap really holds them all.
      const std::uint64_t rowBytes = (static_cast<std::uint64_t>(gm.gmBlackBoxX) + 7) / 8;
      const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
      const std::uint64_t rows = gm.gmBlackBoxY;
      // A bitmap past 2 GB is no glyph: refused, like any size that does not
      // add up.
      if (fetched != GDI_ERROR && rowBytes > 0 && rows > 0 && stride * rows <= size &&
          stride * rows <= INT_MAX) {
        for (std::uint64_t r = 0; r < rows; ++r)
          for (std::uint64_t b = 0; b < rowBytes; ++b)
            packedBits[r * rowBytes + b] = glyphBits[r * stride + b];
        const long long top = baseline + penY - gm.gmptGlyphOrigin.y;
        PlotBits(PenToInt(penX + gm.gmptGlyphOrigin.x), PenToInt(top), static_cast<int>(rowBytes),
                 static_cast<int>(rows), packedBits);
      }
    }
    penX += advanceX;
    penY += advanceY;
  }

  platform::SelectObject(dc, kept);
  platform::DeleteObject(fontHandle);
  platform::ReleaseDC(window, dc);
}
