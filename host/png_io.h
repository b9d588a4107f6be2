// The PNG codec behind io::Decode and io::Encode.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/image_io.h"

namespace zarn::io {

bool DecodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error);
bool EncodePng(const Image& image, std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace zarn::io
