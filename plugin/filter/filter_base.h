// The library's own filter base: answers the host's text and identity
// queries from the static descriptor record, and offers derived filters a
// convolution of their source bitmap and the screen position of scene nodes.
#pragma once
#include "hostsdk/filter.h"

class FilterBase : public ImageFilter {
public:
  ~FilterBase() override = default;
  const char *FilterName() noexcept override;
  const char *AuthorText() noexcept override;
  const char *CopyrightText() noexcept override;
  std::uint32_t FilterIdent() noexcept override;
  std::uint32_t FilterFlags() noexcept override;

  // Filters the source bitmap in place with a size x size kernel (row-major,
  // size odd), row by row from a copy taken first, so no output feeds a later
  // row. The window is clipped to the picture and its neighbours outside are
  // skipped; the sum is divided by divisor when it is above 1 (not reduced at
  // the borders), bias added, clamped to 0..65535 and, for invert 1, turned
  // into 65535 - v. Alpha is kept. Before each row the window gets
  // CANVAS_PROGRESS and CANVAS_QUERY_ABORT; a set flag stops the call with
  // the rows already written kept. Sums are exact in 64 bits: a kernel whose
  // 32-bit sums would wrap clamps instead.
  //   1 when every row was written; 0 without a source bitmap, for an even,
  //   zero or negative size or a null kernel (bitmap untouched), when memory
  //   is short, when the host refuses a row or when aborted.
  int Convolve(HWND window, const std::int32_t *kernel, int size, int divisor,
               int bias, int invert);

  // Pixel position of the scene node called name in the frame being
  // rendered: the node's origin at the render time, through the frame's
  // world-to-camera transform and its camera-to-screen mapping, each
  // coordinate + 0.5 truncated toward zero (99.5 -> 100, -0.7 -> 0). 0 with
  // the outputs untouched for a null or empty name, a source bitmap without
  // render information, no host interface, no such node or a position that
  // does not fit an int.
  int NodeToScreen(const char *name, int &x, int &y);
  // How far in front of the camera the node's origin lies (minus its
  // camera-space z); 0 with depth untouched as for NodeToScreen.
  int NodeDepth(const char *name, float &depth);
};
