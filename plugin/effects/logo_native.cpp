#include "canvas/canvas.h"

// Bitmap resources live in the Windows module; this build has none to load.
int Canvas::DrawBitmapResource(int) { return 0; }
