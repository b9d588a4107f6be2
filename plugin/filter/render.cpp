#include "canvas/canvas.h"
#include "filter/mirror_filter.h"

int MirrorFilter::Render(HWND window) noexcept {
  // A host call that throws leaves the frame unfinished and answers 0; the
  // canvas releases its buffers on the way out.
  try {
    return RenderFrame(window);
  } catch (...) {
    return 0;
  }
}

int MirrorFilter::RenderFrame(HWND window) {
  Bitmap* bitmap = Source();
  if (!bitmap) return 0;
  SourceCanvas canvas(window, FilterInfo(), bitmap);
  // A canvas that could not get its buffers leaves the frame as it was.
  if (!canvas.HasPixels()) return 0;
  if (config.horizontal == 1) canvas.MirrorHorizontal();
  if (config.vertical == 1) canvas.MirrorVertical();
  canvas.Store();
  return 1;
}
