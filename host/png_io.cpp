// PNG frames through libpng. Every valid layout is decoded by libpng's own
// transformations straight into the bitmap's 16-bit RGBA pixels; the file's
// colour description, pHYs and text chunks are kept as read and written back.
#include "host/png_io.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "host/zlib_stream.h"

namespace zarn::io {
namespace {

static_assert(kPngFilterNone == PNG_FILTER_NONE && kPngFilterSub == PNG_FILTER_SUB &&
              kPngFilterUp == PNG_FILTER_UP && kPngFilterAverage == PNG_FILTER_AVG &&
              kPngFilterPaeth == PNG_FILTER_PAETH && kPngFilterAll == PNG_ALL_FILTERS);

// The chunks written back byte for byte, five bytes each as libpng lists
// them. libpng keeps them raw instead of parsing them, so nothing is lost.
constexpr png_byte kKeptChunks[] = "gAMA\0cHRM\0sRGB\0iCCP\0pHYs\0tEXt\0zTXt\0iTXt";
constexpr int kKeptChunkCount = 8;

// libpng reports errors by longjmp; the functions that call it keep only
// plain data on their frames so the jump skips no destructor.

// Where a file's image data lies: the payloads of its IDAT chunks, in order.
struct Span {
  std::size_t begin;
  std::size_t end;
};

// Once the last row is asked for, the compressed data still to come is that
// row's (at most its size, stored) and the stream's end, a few bytes. More
// is data the rows do not need, which libpng would inflate to its end: a
// thousand bytes for each byte of the file.
constexpr std::size_t kMostDataAfterRows = 64 * 1024;
constexpr char kTooMuchData[] = "too much image data";

struct PngState {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t offset;
  std::vector<std::uint8_t>* out;
  char message[256];
  // Reading: the limits, the image data's spans, and what was read of them
  // once every row was decoded.
  std::uint64_t maxPixels = 0;
  const Span* idat = nullptr;
  std::size_t idatCount = 0;
  std::uint64_t idatBytes = 0;
  bool chunksWhole = false;
  bool lastRow = false;
  std::size_t lastRowBytes = 0;
  std::size_t nextSpan = 0;
  std::size_t afterRows = 0;
  // The header's size when it was refused.
  png_uint_32 width = 0;
  png_uint_32 height = 0;
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
  const std::size_t begin = state->offset;
  const std::size_t end = begin + length;
  if (state->lastRow) {
    // Reads go forward, so the spans already passed are never looked at again.
    while (state->nextSpan < state->idatCount && state->idat[state->nextSpan].end <= begin) ++state->nextSpan;
    for (std::size_t i = state->nextSpan; i < state->idatCount && state->idat[i].begin < end; ++i)
      state->afterRows += std::min(end, state->idat[i].end) - std::max(begin, state->idat[i].begin);
    if (state->afterRows > state->lastRowBytes + kMostDataAfterRows) png_error(png, kTooMuchData);
  }
  std::memcpy(destination, state->data + begin, length);
  state->offset = end;
}

void PngWrite(png_structp png, png_bytep source, png_size_t length) {
  auto* state = static_cast<PngState*>(png_get_io_ptr(png));
  bool grown = true;
  // No exception may cross libpng's C frames.
  try {
    state->out->insert(state->out->end(), source, source + length);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  if (!grown) png_error(png, "out of memory");
}

void PngFlush(png_structp) {}

void CopyChunks(png_structp png, png_infop info, std::vector<PngChunk>& chunks) {
  png_unknown_chunkp list = nullptr;
  const int count = png_get_unknown_chunks(png, info, &list);
  for (int i = 0; i < count; ++i) {
    PngChunk chunk;
    chunk.name.assign(reinterpret_cast<const char*>(list[i].name), 4);
    chunk.data.assign(list[i].data, list[i].data + list[i].size);
    chunk.location = list[i].location;
    chunks.push_back(std::move(chunk));
  }
}

enum PngDecodeResult {
  kDecoded,
  kLibpngError,    // message in state
  kNoBitmap,       // error says why
  kTooWide,        // a side above 65535; the size in state
  kTooManyPixels,  // above state->maxPixels
  kTooLittleData,  // the image data cannot hold the rows
};

// Deflate gives back at most 1032 bytes for a byte of its stream (a
// 258-byte match in two bits), so image data holds at most that many times
// its size.
constexpr std::uint64_t kMostInflation = 1032;

// Decodes into a new bitmap of the image.
int PngDecode(PngState* state, Image* image, std::string* error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, PngError, PngWarning);
  if (!png) {
    std::snprintf(state->message, sizeof(state->message), "out of memory");
    return kLibpngError;
  }
  png_infop info = png_create_info_struct(png);
  png_infop end = png_create_info_struct(png);
  if (!info || !end) {
    png_destroy_read_struct(&png, &info, &end);
    std::snprintf(state->message, sizeof(state->message), "out of memory");
    return kLibpngError;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, &end);
    return kLibpngError;
  }
  png_set_read_fn(png, state, PngRead);
  // The size is judged here, after libpng has checked the header.
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kKeptChunks, kKeptChunkCount);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int depth = png_get_bit_depth(png, info);
  const int colorType = png_get_color_type(png, info);
  const std::uint64_t claimed = static_cast<std::uint64_t>(width) * height;
  const std::uint64_t storedBits = claimed * png_get_channels(png, info) * static_cast<std::uint64_t>(depth);
  int refused = kDecoded;
  if (width > 65535 || height > 65535) refused = kTooWide;
  else if (claimed > state->maxPixels) refused = kTooManyPixels;
  else if (state->chunksWhole && (storedBits + 7) / 8 > (state->idatBytes + 1) * kMostInflation)
    refused = kTooLittleData;
  if (refused != kDecoded) {
    state->width = width;
    state->height = height;
    png_destroy_read_struct(&png, &info, &end);
    return refused;
  }
  const bool colour = (colorType & PNG_COLOR_MASK_COLOR) != 0;
  const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;

  // Every layout becomes 16-bit RGBA in the machine's byte order: the
  // bitmap's own pixels, so libpng writes the rows in place.
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_tRNS_to_alpha(png);
  png_set_expand_16(png);  // 8-bit v becomes v * 257
  png_set_gray_to_rgb(png);
  if (!alpha) png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  if constexpr (std::endian::native == std::endian::little) png_set_swap(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * sizeof(BMM_Color_64))
    png_error(png, "unexpected row size");

  if (!Allocate(*image, static_cast<int>(width), static_cast<int>(height), 0, *error)) {
    png_destroy_read_struct(&png, &info, &end);
    return kNoBitmap;
  }
  image->type = FileType::Png;
  image->pngChannels = (colour ? 3 : 1) + (alpha ? 1 : 0);
  image->pngDepth = depth == 16 ? 16 : 8;
  // Row by row as png_read_image does, so the read callback knows when the
  // last row is asked for.
  BMM_Color_64* pixels = image->storage->Pixels();
  state->lastRowBytes = static_cast<std::size_t>(width) * sizeof(BMM_Color_64) + 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      state->lastRow = pass == passes - 1 && y == height - 1;
      png_read_row(png, reinterpret_cast<png_bytep>(pixels + static_cast<std::size_t>(y) * width), nullptr);
    }
  }
  png_read_end(png, end);
  bool copied = true;
  // libpng's structures go whatever happens to the copies.
  try {
    CopyChunks(png, info, image->pngChunks);
    CopyChunks(png, end, image->pngChunks);
  } catch (const std::bad_alloc&) {
    copied = false;
  }
  png_destroy_read_struct(&png, &info, &end);
  if (!copied) {
    *error = "not enough memory to read this PNG";
    return kNoBitmap;
  }
  return kDecoded;
}

std::uint8_t ToU8(std::uint16_t v) { return static_cast<std::uint8_t>((v * 255u + 32767u) / 65535u); }

// One bitmap row in the file's layout (big-endian 16-bit samples).
void PackRow(const BMM_Color_64* pixels, int width, int channels, int depth, std::uint8_t* row) {
  for (int x = 0; x < width; ++x) {
    const BMM_Color_64& p = pixels[x];
    std::uint16_t v[4];
    switch (channels) {
      case 1: v[0] = p.r; break;
      case 2: v[0] = p.r; v[1] = p.a; break;
      case 3: v[0] = p.r; v[1] = p.g; v[2] = p.b; break;
      default: v[0] = p.r; v[1] = p.g; v[2] = p.b; v[3] = p.a; break;
    }
    for (int c = 0; c < channels; ++c) {
      if (depth == 16) {
        *row++ = static_cast<std::uint8_t>(v[c] >> 8);
        *row++ = static_cast<std::uint8_t>(v[c] & 0xFF);
      } else {
        *row++ = ToU8(v[c]);
      }
    }
  }
}

struct PngLayout {
  int channels;
  int depth;
  const png_unknown_chunk* chunks;
  int chunkCount;
  int filters;
  int level;  // zlib level for libpng; 0 stores the filtered rows as they are
};

int PngEncode(PngState* state, const PngLayout* layout, const Image* image) {
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
  std::uint8_t* volatile row = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(row);
    png_destroy_write_struct(&png, &info);
    return 1;
  }
  const int colorTypes[5] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                             PNG_COLOR_TYPE_RGB_ALPHA};
  const int width = image->width;
  const int height = image->height;
  png_set_write_fn(png, state, PngWrite, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), layout->depth,
               colorTypes[layout->channels], PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kKeptChunks, kKeptChunkCount);
  if (layout->chunkCount > 0) png_set_unknown_chunks(png, info, layout->chunks, layout->chunkCount);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, layout->filters);
  png_set_compression_level(png, layout->level);
  png_write_info(png, info);
  const BMM_Color_64* pixels = image->storage->Pixels();
  // 16-bit RGB(A) goes straight from the bitmap: libpng swaps the bytes and
  // drops the alpha on its own copy of each row.
  const bool direct = layout->depth == 16 && layout->channels >= 3;
  if (direct) {
    if constexpr (std::endian::native == std::endian::little) png_set_swap(png);
    if (layout->channels == 3) png_set_filler(png, 0, PNG_FILLER_AFTER);
  } else {
    row = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(width) * 8));
    if (!row) png_error(png, "out of memory");
  }
  for (int y = 0; y < height; ++y) {
    const BMM_Color_64* line = pixels + static_cast<std::size_t>(y) * width;
    if (direct) {
      png_write_row(png, reinterpret_cast<png_const_bytep>(line));
    } else {
      PackRow(line, width, layout->channels, layout->depth, row);
      png_write_row(png, row);
    }
  }
  png_write_end(png, nullptr);
  std::free(row);
  png_destroy_write_struct(&png, &info);
  return 0;
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  const std::uint8_t b[4] = {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                             static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
  out.insert(out.end(), b, b + 4);
}

// libpng wrote the filtered rows as stored (level 0) deflate blocks: the
// IDAT payloads are inflated back to exactly filteredSize bytes and deflated
// again whole. Every chunk around them stays as libpng wrote it.
bool RedeflateIdat(std::vector<std::uint8_t>& png, std::size_t filteredSize, DeflateMode mode, int level,
                   int bands, std::string& error) {
  constexpr std::size_t kSignature = 8;
  std::size_t at = kSignature;
  std::size_t first = 0;
  std::size_t end = 0;
  std::vector<std::uint8_t> stream;
  while (at + 12 <= png.size()) {
    const std::size_t length = BigEndian32(&png[at]);
    if (length > png.size() - at - 12) break;
    const bool idat = std::memcmp(&png[at + 4], "IDAT", 4) == 0;
    if (idat && first == 0) first = at;
    if (idat)
      stream.insert(stream.end(), png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                    png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    at += 12 + length;
    if (idat) end = at;
  }
  std::vector<std::uint8_t> filtered(filteredSize);
  const bool inflated =
      first != 0 && ZlibDecompress(stream.data(), stream.size(), filtered.data(), filtered.size());
  std::vector<std::uint8_t>().swap(stream);  // the peak of a frame's memory is here
  std::vector<std::uint8_t> deflated;
  if (!inflated || !ZlibCompress(filtered.data(), filtered.size(), mode, level, bands, deflated)) {
    // libpng's own stored stream always inflates and deflates again: what
    // can fail here is memory.
    error = first == 0 ? "cannot encode PNG (libpng wrote no image data)"
                       : "cannot encode PNG (not enough memory to deflate the image data)";
    return false;
  }
  std::vector<std::uint8_t>().swap(filtered);
  std::vector<std::uint8_t> out(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(first));
  out.reserve(first + deflated.size() + (png.size() - end) + 1024);
  // IDAT chunks of at most 1 MiB, as decoders that read chunks whole prefer.
  constexpr std::size_t kChunk = 1u << 20;
  for (std::size_t done = 0; done < deflated.size(); done += kChunk) {
    const std::size_t n = std::min(kChunk, deflated.size() - done);
    PutBigEndian32(out, static_cast<std::uint32_t>(n));
    const std::size_t type = out.size();
    out.insert(out.end(), {'I', 'D', 'A', 'T'});
    out.insert(out.end(), deflated.begin() + static_cast<std::ptrdiff_t>(done),
               deflated.begin() + static_cast<std::ptrdiff_t>(done + n));
    PutBigEndian32(out, Crc32(0, &out[type], 4 + n));
  }
  out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(end), png.end());
  png = std::move(out);
  return true;
}

// libpng's words (and ours) for an allocation that failed: the machine's
// state, not the file's.
bool OutOfMemory(const char* message) {
  return std::strcmp(message, "Out of memory") == 0 || std::strcmp(message, "Out of Memory") == 0 ||
         std::strcmp(message, "out of memory") == 0;
}

std::string PngFailure(const char* message) {
  if (std::strcmp(message, "file is truncated") == 0) return "truncated PNG";
  if (OutOfMemory(message)) return "not enough memory to read this PNG";
  return std::string("corrupt PNG (") + message + ")";
}

// The image data's spans, and whether every chunk up to IEND (or the end
// of the bytes) is whole.
bool FindImageData(const std::vector<std::uint8_t>& bytes, std::vector<Span>& idat) {
  std::size_t at = 8;
  while (bytes.size() - at >= 12) {
    const std::uint32_t length = BigEndian32(&bytes[at]);
    if (length > PNG_UINT_31_MAX || length > bytes.size() - at - 12) return false;
    const std::uint8_t* type = &bytes[at + 4];
    if (std::memcmp(type, "IDAT", 4) == 0) idat.push_back({at + 8, at + 8 + length});
    if (std::memcmp(type, "IEND", 4) == 0) return true;
    at += 12 + static_cast<std::size_t>(length);
  }
  return at == bytes.size();
}

std::string SizeText(png_uint_32 width, png_uint_32 height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

bool DecodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error,
               const ReadLimits& limits) {
  std::vector<Span> idat;
  PngState state{bytes.data(), bytes.size(), 0, nullptr, {}};
  state.chunksWhole = FindImageData(bytes, idat);
  state.idat = idat.data();
  state.idatCount = idat.size();
  for (const Span& span : idat) state.idatBytes += span.end - span.begin;
  state.maxPixels = limits.maxPixels;
  Image decoded;
  const int result = PngDecode(&state, &decoded, &error);
  switch (result) {
    case kDecoded: image = std::move(decoded); return true;
    case kLibpngError:
      error = std::strcmp(state.message, kTooMuchData) == 0
                  ? "corrupt PNG (its image data goes on past the last row)"
                  : PngFailure(state.message);
      break;
    case kTooWide:
      error = "unsupported PNG size (" + SizeText(state.width, state.height) +
              "); zarn reads 1 to 65535 pixels each way";
      break;
    case kTooManyPixels:
      error = OverPixelLimit("the header claims " + SizeText(state.width, state.height) + " pixels",
                             limits.maxPixels);
      break;
    case kTooLittleData:
      error = "truncated PNG (" + std::to_string(state.idatBytes) + " bytes of image data cannot hold " +
              SizeText(state.width, state.height) + " pixels)";
      break;
    default:  // kNoBitmap: error says why
      break;
  }
  return false;
}

bool EncodePng(const Image& image, std::vector<std::uint8_t>& bytes, std::string& error,
               const PngWriteOptions& options) {
  int channels = 4;
  int depth = 16;
  if (image.type == FileType::Png) {
    channels = image.pngChannels;
    depth = image.pngDepth;
  } else {
    channels = image.Channel(Role::Alpha) ? 4 : 3;
  }
  if (image.width <= 0 || image.height <= 0) {
    error = "cannot write an empty image";
    return false;
  }
  if (channels < 1 || channels > 4 || (depth != 8 && depth != 16)) {
    error = "cannot encode PNG (no layout for " + std::to_string(channels) + " channels of " +
            std::to_string(depth) + " bits)";
    return false;
  }
  std::vector<png_unknown_chunk> chunks;
  if (image.type == FileType::Png) {
    for (const PngChunk& kept : image.pngChunks) {
      png_unknown_chunk chunk{};
      std::memcpy(chunk.name, kept.name.data(), std::min<std::size_t>(kept.name.size(), 4));
      chunk.data = const_cast<png_byte*>(kept.data.data());
      chunk.size = kept.data.size();
      chunk.location = static_cast<png_byte>(kept.location);
      chunks.push_back(chunk);
    }
  }
  const bool wide = depth == 16;
  const int filters = (options.filters & kPngFilterAll) != 0 ? options.filters & kPngFilterAll
                      : wide                                 ? kPngFilterUp
                                                             : kPngFilterAll;
  const int level = std::clamp(options.level, 1, 9);
  PngDeflate how = options.deflate;
  if (how == PngDeflate::Automatic) how = wide ? PngDeflate::Runs : PngDeflate::Matches;
  const bool whole = how != PngDeflate::Libpng;
  int bands = options.bands;
  if (bands <= 0) bands = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  PngState state{nullptr, 0, 0, &bytes, {}};
  const PngLayout layout{channels,         depth, chunks.data(), static_cast<int>(chunks.size()), filters,
                         whole ? 0 : level};
  bytes.clear();
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * channels * (depth / 8);
  const std::size_t filteredSize = static_cast<std::size_t>(image.height) * (rowBytes + 1);
  try {
    bytes.reserve((whole ? filteredSize + filteredSize / 128 : filteredSize / 2) + 4096);
  } catch (const std::bad_alloc&) {
    error = "cannot encode PNG (not enough memory)";
    return false;
  }
  if (PngEncode(&state, &layout, &image) != 0) {
    error = std::string("cannot encode PNG (") + (OutOfMemory(state.message) ? "not enough memory" : state.message) +
            ")";
    return false;
  }
  bool redeflated = true;
  try {
    redeflated = !whole || RedeflateIdat(bytes, filteredSize,
                                         how == PngDeflate::Runs ? DeflateMode::Runs : DeflateMode::Matches,
                                         level, bands, error);
  } catch (const std::bad_alloc&) {
    redeflated = false;
    error = "cannot encode PNG (not enough memory)";
  }
  if (!redeflated) {
    bytes.clear();
    return false;
  }
  return true;
}

}  // namespace zarn::io
