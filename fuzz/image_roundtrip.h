// The runner's road for one file, on any bytes: read, mirror through the
// filter (extra channels and full-precision EXR channels moved with their
// pixels), write back in the same type and the other, and read again. A
// file the reader refuses must come with a reason; a file it takes must
// survive the road with its size and, where the format keeps them exactly,
// its pixels and channels.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "filter/mirror_filter.h"
#include "frame/plugin_info.h"
#include "host/frame.h"
#include "host/image_io.h"

namespace zarnfuzz {

inline bool SameFloat(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Everything the second read must give back as the first read had it after
// the mirror: the size, the bitmap's pixels (PNG) and every EXR channel.
inline void CheckSame(const zarn::io::Image& a, const zarn::io::Image& b) {
  if (a.width != b.width || a.height != b.height) __builtin_trap();
  const std::size_t n = static_cast<std::size_t>(a.width) * a.height;
  if (a.type == zarn::io::FileType::Png) {
    if (std::memcmp(a.storage->Pixels(), b.storage->Pixels(), n * sizeof(BMM_Color_64)) != 0)
      __builtin_trap();
    return;
  }
  if (a.exr.size() != b.exr.size()) __builtin_trap();
  for (std::size_t c = 0; c < a.exr.size(); ++c) {
    const zarn::io::ExrChannel& x = a.exr[c];
    const zarn::io::ExrChannel& y = b.exr[c];
    if (x.name != y.name || x.pixelType != y.pixelType || x.u != y.u || x.f.size() != y.f.size())
      __builtin_trap();
    for (std::size_t i = 0; i < x.f.size(); ++i)
      if (!SameFloat(x.f[i], y.f[i])) __builtin_trap();
  }
}

inline void Roundtrip(const std::uint8_t* data, std::size_t size, zarn::io::FileType type) {
  if (size < 1) return;
  // The first byte sets the mirror flags, the rest is the file.
  const std::uint8_t flags = data[0];
  const std::vector<std::uint8_t> bytes(data + 1, data + size);
  zarn::io::Image image;
  std::string error;
  if (!zarn::io::Decode(bytes, image, error)) {
    if (error.empty()) __builtin_trap();
    return;
  }
  if (image.type != type) return;  // the other target's format

  MirrorFilter filter;
  const std::uint32_t block[3] = {kPluginIdent, flags & 1u, (flags >> 1) & 1u};
  if (filter.LoadConfigure(const_cast<std::uint32_t*>(block)) != 1) __builtin_trap();
  ImageFilterInfo info;
  if (!zarn::host::RenderFrame(filter, image, &info, nullptr, error)) {
    if (error.empty()) __builtin_trap();
    return;
  }

  std::vector<std::uint8_t> again;
  if (!zarn::io::Encode(image, type, again, error)) {
    if (error.empty()) __builtin_trap();
    return;
  }
  zarn::io::Image back;
  if (!zarn::io::Decode(again, back, error)) __builtin_trap();  // our own file
  CheckSame(image, back);

  // The other format takes the same picture.
  const zarn::io::FileType other =
      type == zarn::io::FileType::Png ? zarn::io::FileType::Exr : zarn::io::FileType::Png;
  std::vector<std::uint8_t> crossed;
  if (zarn::io::Encode(image, other, crossed, error)) {
    zarn::io::Image read;
    if (!zarn::io::Decode(crossed, read, error)) __builtin_trap();
    if (read.width != image.width || read.height != image.height) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
}

}  // namespace zarnfuzz
