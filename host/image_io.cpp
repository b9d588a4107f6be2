#include "host/image_io.h"

#include <png.h>
#include <tinyexr.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace zarn::io {
namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::uint8_t kExrMagic[4] = {0x76, 0x2F, 0x31, 0x01};

// ---- PNG --------------------------------------------------------------------
// libpng reports errors by longjmp; the functions that call it keep only
// plain data on their frames so the jump skips no destructor.

struct PngState {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t offset;
  std::vector<std::uint8_t>* out;
  char message[256];
};

void PngError(png_structp png, png_const_charp text) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof(state->message), "%s", text ? text : "error");
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep destination, png_size_t length) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  if (length > state->size - state->offset) {
    png_error(png, "file is truncated");
  }
  std::memcpy(destination, state->data + state->offset, length);
  state->offset += length;
}

void PngWrite(png_structp png, png_bytep source, png_size_t length) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  state->out->insert(state->out->end(), source, source + length);
}

void PngFlush(png_structp) {}

struct PngHeader {
  png_uint_32 width;
  png_uint_32 height;
  int depth;
  int colorType;
};

// Reads the header; rows is filled on the second call (rowBytes per row).
// Answers 0 on success, 1 on a libpng error (message in state).
int PngDecode(PngState* state, PngHeader* header, std::uint8_t* rows, std::size_t rowBytes) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, PngError, PngWarning);
  if (!png) {
    std::snprintf(state->message, sizeof(state->message), "out of memory");
    return 1;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    std::snprintf(state->message, sizeof(state->message), "out of memory");
    return 1;
  }
  // volatile: assigned after setjmp and read after the jump.
  png_bytep* volatile pointers = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(pointers);
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
  }
  png_set_read_fn(png, state, PngRead);
  png_set_user_limits(png, 65535, 65535);
  png_read_info(png, info);
  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  header->depth = png_get_bit_depth(png, info);
  header->colorType = png_get_color_type(png, info);
  if (rows) {
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row size");
    png_bytep* list = static_cast<png_bytep*>(std::calloc(header->height ? header->height : 1, sizeof(png_bytep)));
    if (!list) png_error(png, "out of memory");
    pointers = list;
    for (png_uint_32 y = 0; y < header->height; ++y) list[y] = rows + y * rowBytes;
    png_read_image(png, list);
    png_read_end(png, nullptr);
  }
  std::free(pointers);
  png_destroy_read_struct(&png, &info, nullptr);
  return 0;
}

int PngEncode(PngState* state, const PngHeader* header, const std::uint8_t* rows,
              std::size_t rowBytes) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state, PngError, PngWarning);
  if (!png) {
    std::snprintf(state->message, sizeof(state->message), "out of memory");
    return 1;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    std::snprintf(state->message, sizeof(state->message), "out of memory");
    return 1;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return 1;
  }
  png_set_write_fn(png, state, PngWrite, PngFlush);
  png_set_IHDR(png, info, header->width, header->height, header->depth, header->colorType,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (png_uint_32 y = 0; y < header->height; ++y)
    png_write_row(png, const_cast<png_bytep>(rows + y * rowBytes));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return 0;
}

const char* PngLayoutName(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: return "gray";
    case PNG_COLOR_TYPE_GRAY_ALPHA: return "gray+alpha";
    case PNG_COLOR_TYPE_RGB: return "RGB";
    case PNG_COLOR_TYPE_RGB_ALPHA: return "RGBA";
    case PNG_COLOR_TYPE_PALETTE: return "palette";
  }
  return "unknown";
}

std::string PngFailure(const char* message) {
  if (std::strcmp(message, "file is truncated") == 0) return "truncated PNG";
  return std::string("corrupt PNG (") + message + ")";
}

bool DecodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error) {
  PngState state{bytes.data(), bytes.size(), 0, nullptr, {}};
  PngHeader header{};
  if (PngDecode(&state, &header, nullptr, 0) != 0) {
    error = PngFailure(state.message);
    return false;
  }
  int channels = 0;
  switch (header.colorType) {
    case PNG_COLOR_TYPE_GRAY: channels = 1; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
  }
  if (channels == 0 || (header.depth != 8 && header.depth != 16)) {
    error = "unsupported PNG layout (" + std::string(PngLayoutName(header.colorType)) + ", " +
            std::to_string(header.depth) +
            "-bit); zarn reads 8- and 16-bit gray, gray+alpha, RGB and RGBA";
    return false;
  }
  const int width = static_cast<int>(header.width);
  const int height = static_cast<int>(header.height);
  const std::size_t bytesPerSample = header.depth / 8;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * channels * bytesPerSample;
  std::vector<std::uint8_t> rows;
  try {
    rows.resize(rowBytes * height);
  } catch (const std::bad_alloc&) {
    error = "not enough memory for a " + std::to_string(width) + "x" + std::to_string(height) + " image";
    return false;
  }
  state.offset = 0;
  if (PngDecode(&state, &header, rows.data(), rowBytes) != 0) {
    error = PngFailure(state.message);
    return false;
  }
  if (!Allocate(image, width, height, 0, error)) return false;
  image.type = FileType::Png;
  image.pngChannels = channels;
  image.pngDepth = header.depth;
  BMM_Color_64* pixels = image.storage->Pixels();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rows.data() + static_cast<std::size_t>(y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      std::uint16_t v[4];
      for (int c = 0; c < channels; ++c) {
        const std::uint8_t* s = row + (static_cast<std::size_t>(x) * channels + c) * bytesPerSample;
        // 8-bit values widen so that 255 becomes 65535.
        v[c] = header.depth == 16 ? static_cast<std::uint16_t>(s[0] << 8 | s[1])
                                  : static_cast<std::uint16_t>(s[0] * 257);
      }
      BMM_Color_64& p = pixels[static_cast<std::size_t>(y) * width + x];
      switch (channels) {
        case 1: p = {v[0], v[0], v[0], 65535}; break;
        case 2: p = {v[0], v[0], v[0], v[1]}; break;
        case 3: p = {v[0], v[1], v[2], 65535}; break;
        default: p = {v[0], v[1], v[2], v[3]}; break;
      }
    }
  }
  return true;
}

std::uint8_t ToU8(std::uint16_t v) { return static_cast<std::uint8_t>((v * 255u + 32767u) / 65535u); }

bool EncodePng(const Image& image, std::vector<std::uint8_t>& bytes, std::string& error) {
  int channels = 4;
  int depth = 16;
  if (image.type == FileType::Png) {
    channels = image.pngChannels;
    depth = image.pngDepth;
  } else {
    channels = image.Channel(Role::Alpha) ? 4 : 3;
  }
  const int colorTypes[5] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                             PNG_COLOR_TYPE_RGB_ALPHA};
  const int width = image.width;
  const int height = image.height;
  if (width <= 0 || height <= 0) {
    error = "cannot write an empty image";
    return false;
  }
  const std::size_t bytesPerSample = depth / 8;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * channels * bytesPerSample;
  std::vector<std::uint8_t> rows(rowBytes * height);
  const BMM_Color_64* pixels = image.storage->Pixels();
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = rows.data() + static_cast<std::size_t>(y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      const BMM_Color_64& p = pixels[static_cast<std::size_t>(y) * width + x];
      std::uint16_t v[4];
      switch (channels) {
        case 1: v[0] = p.r; break;
        case 2: v[0] = p.r; v[1] = p.a; break;
        case 3: v[0] = p.r; v[1] = p.g; v[2] = p.b; break;
        default: v[0] = p.r; v[1] = p.g; v[2] = p.b; v[3] = p.a; break;
      }
      for (int c = 0; c < channels; ++c) {
        std::uint8_t* d = row + (static_cast<std::size_t>(x) * channels + c) * bytesPerSample;
        if (depth == 16) {
          d[0] = static_cast<std::uint8_t>(v[c] >> 8);
          d[1] = static_cast<std::uint8_t>(v[c] & 0xFF);
        } else {
          d[0] = ToU8(v[c]);
        }
      }
    }
  }
  PngState state{nullptr, 0, 0, &bytes, {}};
  PngHeader header{static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), depth,
                   colorTypes[channels]};
  bytes.clear();
  if (PngEncode(&state, &header, rows.data(), rowBytes) != 0) {
    error = std::string("cannot encode PNG (") + state.message + ")";
    return false;
  }
  return true;
}

// ---- OpenEXR ----------------------------------------------------------------

std::string ExrMessage(const char* err, const char* fallback) {
  std::string text = err ? err : fallback;
  if (err) FreeEXRErrorMessage(err);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

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

}  // namespace

// ---- Shared -----------------------------------------------------------------

ExrChannel* Image::Channel(Role role) {
  for (ExrChannel& c : exr) {
    Role r;
    if (RoleOf(c.name, r) && r == role) return &c;
  }
  return nullptr;
}

const ExrChannel* Image::Channel(Role role) const { return const_cast<Image*>(this)->Channel(role); }

bool RoleOf(const std::string& name, Role& role) {
  if (name == "R") role = Role::Red;
  else if (name == "G") role = Role::Green;
  else if (name == "B") role = Role::Blue;
  else if (name == "A") role = Role::Alpha;
  else if (name == "Z") role = Role::Depth;
  else if (name == "id" || name == "objectId") role = Role::Id;
  else return false;
  return true;
}

bool TypeFromName(const std::string& path, FileType& type) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot + 1);
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (ext == "png") type = FileType::Png;
  else if (ext == "exr") type = FileType::Exr;
  else return false;
  return true;
}

std::uint16_t ToU16(float v) {
  if (!(v > 0.0f)) return 0;  // NaN and negatives
  if (v >= 1.0f) return 65535;
  return static_cast<std::uint16_t>(v * 65535.0f + 0.5f);
}

bool Allocate(Image& image, int width, int height, std::uint32_t channels, std::string& error) {
  auto storage = MemoryStorage::Create(width, height, channels);
  if (!storage) {
    error = "not enough memory for a " + std::to_string(width) + "x" + std::to_string(height) + " image";
    return false;
  }
  image.width = width;
  image.height = height;
  image.storage = storage.get();
  image.bitmap = std::make_unique<Bitmap>(std::move(storage));
  return true;
}

void SyncFromBitmap(Image& image) {
  const std::size_t n = static_cast<std::size_t>(image.width) * image.height;
  const BMM_Color_64* pixels = image.storage->Pixels();
  for (ExrChannel& channel : image.exr) {
    Role role;
    if (!RoleOf(channel.name, role)) continue;
    const bool isUint = channel.pixelType == TINYEXR_PIXELTYPE_UINT;
    if (isUint) channel.u.resize(n);
    else channel.f.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      float v = 0.0f;
      switch (role) {
        case Role::Red: v = pixels[i].r / 65535.0f; break;
        case Role::Green: v = pixels[i].g / 65535.0f; break;
        case Role::Blue: v = pixels[i].b / 65535.0f; break;
        case Role::Alpha: v = pixels[i].a / 65535.0f; break;
        case Role::Depth: v = image.storage->FloatChannel() ? image.storage->FloatChannel()[i] : 0.0f; break;
        case Role::Id: v = image.storage->U16Channel() ? image.storage->U16Channel()[i] : 0.0f; break;
      }
      if (isUint) {
        channel.u[i] = role == Role::Id && image.storage->U16Channel()
                           ? image.storage->U16Channel()[i]
                           : static_cast<std::uint32_t>(ToU16(v));
      } else {
        channel.f[i] = v;
      }
    }
  }
}

void PermuteChannels(Image& image, const std::vector<std::uint32_t>& from) {
  for (ExrChannel& channel : image.exr) {
    if (!channel.u.empty()) {
      const std::vector<std::uint32_t> in = channel.u;
      for (std::size_t i = 0; i < from.size(); ++i) channel.u[i] = in[from[i]];
    } else if (!channel.f.empty()) {
      const std::vector<float> in = channel.f;
      for (std::size_t i = 0; i < from.size(); ++i) channel.f[i] = in[from[i]];
    }
  }
  if (float* depth = image.storage->FloatChannel()) {
    const std::vector<float> in(depth, depth + from.size());
    for (std::size_t i = 0; i < from.size(); ++i) depth[i] = in[from[i]];
  }
  if (std::uint16_t* id = image.storage->U16Channel()) {
    const std::vector<std::uint16_t> in(id, id + from.size());
    for (std::size_t i = 0; i < from.size(); ++i) id[i] = in[from[i]];
  }
  if (std::uint8_t* bytes = image.storage->ByteChannel()) {
    const std::vector<std::uint8_t> in(bytes, bytes + from.size());
    for (std::size_t i = 0; i < from.size(); ++i) bytes[i] = in[from[i]];
  }
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = errno == ENOENT ? "no such file" : std::strerror(errno);
    return false;
  }
  bytes.clear();
  std::uint8_t buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    error = "read error";
    return false;
  }
  return true;
}

bool Decode(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error) {
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0)
    return DecodePng(bytes, image, error);
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), kExrMagic, 4) == 0)
    return DecodeExr(bytes, image, error);
  error = bytes.empty() ? "empty file" : "not a PNG or OpenEXR image";
  return false;
}

bool Read(const std::string& path, Image& image, std::string& error) {
  std::vector<std::uint8_t> bytes;
  return ReadFile(path, bytes, error) && Decode(bytes, image, error);
}

bool Encode(const Image& image, FileType type, std::vector<std::uint8_t>& bytes, std::string& error) {
  if (!image.storage) {
    error = "no image";
    return false;
  }
  return type == FileType::Png ? EncodePng(image, bytes, error) : EncodeExr(image, bytes, error);
}

}  // namespace zarn::io
