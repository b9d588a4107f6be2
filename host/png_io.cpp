// PNG frames through libpng.
#include "host/png_io.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zarn::io {
namespace {

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

std::uint8_t ToU8(std::uint16_t v) { return static_cast<std::uint8_t>((v * 255u + 32767u) / 65535u); }

}  // namespace

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

}  // namespace zarn::io
