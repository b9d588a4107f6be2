// The OpenEXR codec behind io::Decode and io::Encode, through the OpenEXR
// library: every part and level is read and written back with its header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/image_io.h"

namespace zarn::io {

bool DecodeExr(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error);
bool EncodeExr(const Image& image, std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace zarn::io
