// The OpenEXR codec behind io::Decode and io::Encode, through the OpenEXR
// library: every part and level is read and written back with its header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/image_io.h"

namespace zarn::io {

// Refuses, before OpenEXR reads the file, a header whose attributes claim
// more bytes than follow them, tiles far larger than the picture, or more
// pixels than limits allow.
bool DecodeExr(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error,
               const ReadLimits& limits = {});
bool EncodeExr(const Image& image, std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace zarn::io
