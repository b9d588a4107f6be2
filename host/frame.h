// One frame through the filter and out to its file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/image_io.h"
#include "host/plugin_host.h"

namespace zarn::host {

// Renders one frame in place. Pixels the filter only moved carry their
// extra channels (depth, id) and full-precision EXR values along with them.
bool RenderFrame(ImageFilter& filter, io::Image& image, ImageFilterInfo* info, HWND window,
                 std::string& error);

// Where each pixel of a frame comes from under one filter and configuration,
// learnt by rendering a frame of coordinates once per frame size: from is
// empty when the filter does more than move pixels. One per worker.
struct PixelMoves {
  bool known = false;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> from;
};
// As above, learning where pixels move only when moves does not yet know
// this frame size.
bool RenderFrame(ImageFilter& filter, io::Image& image, ImageFilterInfo* info, HWND window, PixelMoves& moves,
                 std::string& error);

// Encodes the image by the output name's type and writes it atomically.
bool WriteImage(const std::string& path, const io::Image& image, std::string& error);

}  // namespace zarn::host
