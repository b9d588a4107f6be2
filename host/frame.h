// One frame through the filter and out to its file.
#pragma once
#include <string>

#include "host/image_io.h"
#include "host/plugin_host.h"

namespace zarn::host {

// Renders one frame in place. Pixels the filter only moved carry their
// extra channels (depth, id) and full-precision EXR values along with them.
bool RenderFrame(ImageFilter& filter, io::Image& image, ImageFilterInfo* info, HWND window,
                 std::string& error);

// Encodes the image by the output name's type and writes it atomically.
bool WriteImage(const std::string& path, const io::Image& image, std::string& error);

}  // namespace zarn::host
