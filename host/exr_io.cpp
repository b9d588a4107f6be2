// Scan-line OpenEXR frames through tinyexr.
#include "host/exr_io.h"

#include <tinyexr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zarn::io {
namespace {

std::string ExrMessage(const char* err, const char* fallback) {
  std::string text = err ? err : fallback;
  if (err) FreeEXRErrorMessage(err);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// tinyexr writes the data window as (0, 0)-(w-1, h-1), the display window
// the same, and a pixel aspect of 1. The three attributes have a fixed size,
// so the values read from the input are put back in place afterwards, and
// each scan-line chunk's first line is moved to the data window's top.
void RestoreWindows(std::vector<std::uint8_t>& bytes, const Image& image, int compression) {
  auto putInt = [&](std::size_t at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
  };
  std::size_t at = 8;  // after the magic number and version
  for (int guard = 0; guard < 1024 && at < bytes.size(); ++guard) {
    const auto nameEnd = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), 0);
    if (nameEnd == bytes.end()) return;
    const std::string name(bytes.begin() + static_cast<std::ptrdiff_t>(at), nameEnd);
    if (name.empty()) {  // end of the header; the chunk offsets follow
      const int lines = compression == TINYEXR_COMPRESSIONTYPE_ZIP ? 16 : 1;
      const std::size_t chunks = (static_cast<std::size_t>(image.height) + lines - 1) / lines;
      std::size_t table = at + 1;
      if (table + 8 * chunks > bytes.size()) return;
      for (std::size_t c = 0; c < chunks; ++c) {
        std::uint64_t offset = 0;
        for (int i = 0; i < 8; ++i) offset |= static_cast<std::uint64_t>(bytes[table + 8 * c + i]) << (8 * i);
        if (offset + 4 > bytes.size()) return;
        const auto at32 = static_cast<std::size_t>(offset);
        const std::uint32_t y = bytes[at32] | bytes[at32 + 1] << 8 | bytes[at32 + 2] << 16 |
                                static_cast<std::uint32_t>(bytes[at32 + 3]) << 24;
        putInt(at32, static_cast<std::int32_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(y)) +
                                               image.dataWindow[1]));
      }
      return;
    }
    const auto typeEnd = std::find(nameEnd + 1, bytes.end(), 0);
    if (typeEnd == bytes.end()) return;
    std::size_t value = static_cast<std::size_t>(typeEnd - bytes.begin()) + 1;
    if (value + 4 > bytes.size()) return;
    const std::uint32_t size = bytes[value] | bytes[value + 1] << 8 | bytes[value + 2] << 16 |
                               static_cast<std::uint32_t>(bytes[value + 3]) << 24;
    value += 4;
    if (size > bytes.size() - value) return;
    if (name == "dataWindow" && size == 16) {
      for (int i = 0; i < 4; ++i) putInt(value + 4 * i, image.dataWindow[i]);
    } else if (name == "displayWindow" && size == 16) {
      for (int i = 0; i < 4; ++i) putInt(value + 4 * i, image.displayWindow[i]);
    } else if (name == "pixelAspectRatio" && size == 4) {
      std::uint32_t bits;
      std::memcpy(&bits, &image.pixelAspect, 4);
      putInt(value, static_cast<std::int32_t>(bits));
    }
    at = value + size;
  }
}

}  // namespace

bool DecodeExr(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error) {
  EXRVersion version;
  if (ParseEXRVersionFromMemory(&version, bytes.data(), bytes.size()) != TINYEXR_SUCCESS) {
    error = "corrupt OpenEXR (bad version field)";
    return false;
  }
  if (version.multipart || version.non_image) {
    error = std::string("unsupported OpenEXR layout (") +
            (version.multipart ? "multi-part" : "deep") + "); zarn reads single-part scan-line files";
    return false;
  }
  EXRHeader header;
  InitEXRHeader(&header);
  // The parser fills the header even when it fails, so it is freed either way.
  struct HeaderGuard {
    EXRHeader* h;
    ~HeaderGuard() { FreeEXRHeader(h); }
  } headerGuard{&header};
  const char* err = nullptr;
  if (ParseEXRHeaderFromMemory(&header, &version, bytes.data(), bytes.size(), &err) !=
      TINYEXR_SUCCESS) {
    error = "corrupt OpenEXR (" + ExrMessage(err, "bad header") + ")";
    return false;
  }
  if (header.tiled) {
    error = "unsupported OpenEXR layout (tiled); zarn reads single-part scan-line files";
    return false;
  }
  bool seen[6] = {};
  for (int c = 0; c < header.num_channels; ++c) {
    const EXRChannelInfo& info = header.channels[c];
    Role role;
    if (!RoleOf(info.name, role)) {
      error = std::string("unsupported OpenEXR layout (channel '") + info.name +
              "'); zarn reads R, G, B, A, Z and id";
      return false;
    }
    if (seen[static_cast<int>(role)]) {
      error = std::string("unsupported OpenEXR layout (channel '") + info.name + "' twice)";
      return false;
    }
    seen[static_cast<int>(role)] = true;
    if (info.x_sampling != 1 || info.y_sampling != 1) {
      error = std::string("unsupported OpenEXR layout (channel '") + info.name + "' is subsampled)";
      return false;
    }
    if (header.pixel_types[c] == TINYEXR_PIXELTYPE_HALF)
      header.requested_pixel_types[c] = TINYEXR_PIXELTYPE_FLOAT;
  }
  if (!seen[0] || !seen[1] || !seen[2]) {
    error = "unsupported OpenEXR layout (needs R, G and B channels)";
    return false;
  }
  const long long w = static_cast<long long>(header.data_window.max_x) - header.data_window.min_x + 1;
  const long long h = static_cast<long long>(header.data_window.max_y) - header.data_window.min_y + 1;
  if (w <= 0 || h <= 0 || w > 65535 || h > 65535) {
    error = "unsupported OpenEXR size (" + std::to_string(w) + "x" + std::to_string(h) +
            "); zarn reads 1 to 65535 pixels each way";
    return false;
  }
  EXRImage exr;
  InitEXRImage(&exr);
  // A failed load frees the image itself, but only the channels it counts:
  // counting them up front lets it free the planes it had allocated.
  exr.num_channels = header.num_channels;
  if (LoadEXRImageFromMemory(&exr, &header, bytes.data(), bytes.size(), &err) != TINYEXR_SUCCESS) {
    error = "corrupt OpenEXR (" + ExrMessage(err, "bad pixel data") + ")";
    return false;
  }
  struct ImageGuard {
    EXRImage* i;
    ~ImageGuard() { FreeEXRImage(i); }
  } imageGuard{&exr};
  if (exr.width != w || exr.height != h || !exr.images) {
    error = "corrupt OpenEXR (pixel data does not match the data window)";
    return false;
  }
  std::uint32_t channels = 0;
  if (seen[static_cast<int>(Role::Depth)]) channels |= BMM_CHAN_FLOAT;
  if (seen[static_cast<int>(Role::Id)]) channels |= BMM_CHAN_U16;
  if (!Allocate(image, exr.width, exr.height, channels, error)) return false;
  image.type = FileType::Exr;
  image.exrCompression = header.compression_type;
  image.dataWindow[0] = header.data_window.min_x;
  image.dataWindow[1] = header.data_window.min_y;
  image.dataWindow[2] = header.data_window.max_x;
  image.dataWindow[3] = header.data_window.max_y;
  image.displayWindow[0] = header.display_window.min_x;
  image.displayWindow[1] = header.display_window.min_y;
  image.displayWindow[2] = header.display_window.max_x;
  image.displayWindow[3] = header.display_window.max_y;
  image.pixelAspect = header.pixel_aspect_ratio;
  const std::size_t n = static_cast<std::size_t>(exr.width) * exr.height;
  image.exr.clear();
  for (int c = 0; c < header.num_channels; ++c) {
    ExrChannel channel;
    channel.name = header.channels[c].name;
    channel.pixelType = header.channels[c].pixel_type;
    if (header.requested_pixel_types[c] == TINYEXR_PIXELTYPE_UINT) {
      const auto* src = reinterpret_cast<const std::uint32_t*>(exr.images[c]);
      channel.u.assign(src, src + n);
    } else {
      const auto* src = reinterpret_cast<const float*>(exr.images[c]);
      channel.f.assign(src, src + n);
    }
    image.exr.push_back(std::move(channel));
  }
  // Colours and extra channels of the bitmap from the full-precision data.
  BMM_Color_64* pixels = image.storage->Pixels();
  for (std::size_t i = 0; i < n; ++i) pixels[i] = {0, 0, 0, 65535};
  for (const ExrChannel& channel : image.exr) {
    Role role;
    RoleOf(channel.name, role);
    for (std::size_t i = 0; i < n; ++i) {
      const float fv = channel.u.empty() ? channel.f[i] : static_cast<float>(channel.u[i]);
      switch (role) {
        case Role::Red: pixels[i].r = ToU16(fv); break;
        case Role::Green: pixels[i].g = ToU16(fv); break;
        case Role::Blue: pixels[i].b = ToU16(fv); break;
        case Role::Alpha: pixels[i].a = ToU16(fv); break;
        case Role::Depth: image.storage->FloatChannel()[i] = fv; break;
        case Role::Id: {
          std::uint32_t id = channel.u.empty()
                                 ? (std::isfinite(fv) && fv > 0.0f
                                        ? (fv >= 65535.0f ? 65535u : static_cast<std::uint32_t>(fv))
                                        : 0u)
                                 : std::min<std::uint32_t>(channel.u[i], 65535u);
          image.storage->U16Channel()[i] = static_cast<std::uint16_t>(id);
          break;
        }
      }
    }
  }
  return true;
}

bool EncodeExr(const Image& image, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::vector<ExrChannel> built;
  const std::vector<ExrChannel>* source = &image.exr;
  if (image.type != FileType::Exr || image.exr.empty()) {
    // From a PNG: half R, G, B, and A when the PNG had alpha.
    const bool alpha = image.type != FileType::Png || image.pngChannels == 2 || image.pngChannels == 4;
    Image copy;
    copy.width = image.width;
    copy.height = image.height;
    copy.storage = image.storage;
    for (const char* name : {"R", "G", "B", "A"}) {
      if (!alpha && name[0] == 'A') continue;
      ExrChannel c;
      c.name = name;
      c.pixelType = TINYEXR_PIXELTYPE_HALF;
      copy.exr.push_back(std::move(c));
    }
    SyncFromBitmap(copy);
    built = std::move(copy.exr);
    source = &built;
  }
  // Channels in name order, as readers expect.
  std::vector<const ExrChannel*> order;
  for (const ExrChannel& c : *source) order.push_back(&c);
  std::sort(order.begin(), order.end(),
            [](const ExrChannel* a, const ExrChannel* b) { return a->name < b->name; });
  const int count = static_cast<int>(order.size());
  std::vector<EXRChannelInfo> infos(count);
  std::vector<int> pixelTypes(count);
  std::vector<int> requestedTypes(count);
  std::vector<unsigned char*> planes(count);
  for (int i = 0; i < count; ++i) {
    std::memset(&infos[i], 0, sizeof(EXRChannelInfo));
    std::snprintf(infos[i].name, sizeof(infos[i].name), "%s", order[i]->name.c_str());
    infos[i].pixel_type = order[i]->pixelType;
    infos[i].x_sampling = 1;
    infos[i].y_sampling = 1;
    const bool isUint = order[i]->pixelType == TINYEXR_PIXELTYPE_UINT;
    pixelTypes[i] = isUint ? TINYEXR_PIXELTYPE_UINT : TINYEXR_PIXELTYPE_FLOAT;
    requestedTypes[i] = order[i]->pixelType;
    planes[i] = isUint ? reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(order[i]->u.data()))
                       : reinterpret_cast<unsigned char*>(const_cast<float*>(order[i]->f.data()));
  }
  EXRHeader header;
  InitEXRHeader(&header);
  header.num_channels = count;
  header.channels = infos.data();
  header.pixel_types = pixelTypes.data();
  header.requested_pixel_types = requestedTypes.data();
  const int compression = image.type == FileType::Exr ? image.exrCompression : TINYEXR_COMPRESSIONTYPE_ZIP;
  header.compression_type = (compression == TINYEXR_COMPRESSIONTYPE_NONE ||
                             compression == TINYEXR_COMPRESSIONTYPE_RLE ||
                             compression == TINYEXR_COMPRESSIONTYPE_ZIPS ||
                             compression == TINYEXR_COMPRESSIONTYPE_ZIP)
                                ? compression
                                : TINYEXR_COMPRESSIONTYPE_ZIP;
  if (image.type == FileType::Exr) {
    header.data_window = {image.dataWindow[0], image.dataWindow[1], image.dataWindow[2], image.dataWindow[3]};
    header.display_window = {image.displayWindow[0], image.displayWindow[1], image.displayWindow[2],
                             image.displayWindow[3]};
    header.pixel_aspect_ratio = image.pixelAspect;
  } else {
    header.data_window = {0, 0, image.width - 1, image.height - 1};
    header.display_window = header.data_window;
    header.pixel_aspect_ratio = 1.0f;
  }
  header.screen_window_width = 1.0f;
  EXRImage exr;
  InitEXRImage(&exr);
  exr.num_channels = count;
  exr.images = planes.data();
  exr.width = image.width;
  exr.height = image.height;
  unsigned char* memory = nullptr;
  const char* err = nullptr;
  const std::size_t size = SaveEXRImageToMemory(&exr, &header, &memory, &err);
  if (size == 0 || !memory) {
    error = "cannot encode OpenEXR (" + ExrMessage(err, "encoder failed") + ")";
    std::free(memory);
    return false;
  }
  bytes.assign(memory, memory + size);
  std::free(memory);
  if (image.type == FileType::Exr) RestoreWindows(bytes, image, header.compression_type);
  return true;
}

}  // namespace zarn::io
