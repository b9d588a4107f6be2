// Reading and writing frames: PNG (every valid layout, through libpng's own
// transformations) and OpenEXR through the OpenEXR library: scan-line and
// tiled, every compression, half, float and uint channels of any name,
// every part and level.
//
// A frame becomes a host Bitmap of 16-bit RGBA with Z in the float channel
// and the id in the 16-bit channel. EXR frames also keep every channel at
// full precision, so a filter that only moves pixels loses nothing.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostsdk/bitmap.h"
#include "platform/memory.h"

namespace zarn::io {

enum class FileType { Png, Exr };

// Stored sample types of an EXR channel, as the file format numbers them.
constexpr int kPixelUint = 0;
constexpr int kPixelHalf = 1;
constexpr int kPixelFloat = 2;

// One EXR channel as read: its name, its stored type (kPixel*) and its
// samples; uint channels use `u`, half and float channels use `f`.
struct ExrChannel {
  std::string name;
  int pixelType = 0;
  std::vector<float> f;
  std::vector<std::uint32_t> u;
};

// A PNG chunk kept as read and written back unchanged: its four-letter
// name, its data, and where it stood (libpng's PNG_HAVE_IHDR,
// PNG_HAVE_PLTE or PNG_AFTER_IDAT).
struct PngChunk {
  std::string name;
  std::vector<std::uint8_t> data;
  int location = 0;
};

// What an EXR channel stands for in the bitmap.
enum class Role { Red, Green, Blue, Alpha, Depth, Id };

// Every part's header of an EXR file as read (defined by the EXR unit).
struct ExrHeaders;

struct Image {
  FileType type = FileType::Png;
  int width = 0;
  int height = 0;
  // PNG: the layout written back: 1 gray, 2 gray+alpha, 3 RGB, 4 RGBA; bit
  // depth 8 or 16. Palette and 1/2/4-bit files read as 8-bit RGB(A) or gray.
  int pngChannels = 4;
  int pngDepth = 16;
  // PNG: colour description (gAMA, cHRM, sRGB, iCCP), pHYs and text chunks.
  std::vector<PngChunk> pngChunks;
  // EXR: the channels read, the compression and windows to write back.
  std::vector<ExrChannel> exr;
  int exrCompression = 3;  // zip
  int dataWindow[4] = {0, 0, 0, 0};
  int displayWindow[4] = {0, 0, 0, 0};
  float pixelAspect = 1.0f;
  // EXR as read: every part's header, written back as it was; the part and
  // level this image is; and the file's other parts and levels, each an
  // image of its own that goes through the filter after this one.
  std::shared_ptr<const ExrHeaders> exrHeaders;
  int exrPart = 0;
  int exrLevel[2] = {0, 0};
  std::vector<Image> exrLayers;

  std::unique_ptr<Bitmap> bitmap;
  MemoryStorage* storage = nullptr;  // the bitmap's storage

  // The channel of that role, or null.
  ExrChannel* Channel(Role role);
  const ExrChannel* Channel(Role role) const;
};

// The role of an EXR channel name, false for a name zarn does not read.
bool RoleOf(const std::string& name, Role& role);

// The file type a name asks for by its extension (.png, .exr; any case).
bool TypeFromName(const std::string& path, FileType& type);

// The most pixels a frame may claim before anything is allocated for it:
// 16384 x 8192, a 16K lat-long environment and twice an 8K x 8K frame. A
// frame peaks at some 45 bytes a pixel (16-bit PNG) to 90 (float EXR with
// depth and id) while it is read, rendered and written, so one at the limit
// stays within 6 to 12 GB; a header that claims more (a damaged or hostile
// file, most often) is refused at once. The runner's --max-pixels changes it.
constexpr std::uint64_t kDefaultMaxPixels = std::uint64_t{16384} * 8192;

// What a reader accepts before it allocates.
struct ReadLimits {
  // Pixels of every part and level of the file together.
  std::uint64_t maxPixels = kDefaultMaxPixels;
};

// The reason given for a frame over the pixel limit. claim says what the
// header claims ("the header claims 60000x60000 pixels").
std::string OverPixelLimit(const std::string& claim, std::uint64_t limit);

// Reads a file; false with a reason (without the file name) in error.
bool Read(const std::string& path, Image& image, std::string& error, const ReadLimits& limits = {});
// Decodes bytes already in memory.
bool Decode(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error,
            const ReadLimits& limits = {});

// Encodes the image as type. PNG takes its pixels from the bitmap, at the
// image's PNG layout when it came from a PNG, else 16-bit RGB(A). EXR takes
// the full-precision channels when the image has them, else builds half
// R, G, B, A from the bitmap.
bool Encode(const Image& image, FileType type, std::vector<std::uint8_t>& bytes,
            std::string& error);

// Makes an image over a new bitmap of that size; channels as MemoryStorage.
bool Allocate(Image& image, int width, int height, std::uint32_t channels, std::string& error);

// Refreshes the full-precision EXR channels from the bitmap (colours as
// value / 65535, Z from the float channel, id from the 16-bit channel).
void SyncFromBitmap(Image& image);
// Moves the full-precision EXR channels and the bitmap's extra channels:
// element i takes the element that was at from[i].
void PermuteChannels(Image& image, const std::vector<std::uint32_t>& from);

// 16-bit colour component of a stored float: clamped to 0..1, rounded; NaN 0.
std::uint16_t ToU16(float v);

// Whole file to memory; false with a reason.
// Makes v hold n elements, value-initialised, asking for large pages
// before the first touch when v grows to a frame's size.
template <typename T>
void ResizeFrameBuffer(std::vector<T>& v, std::size_t n) {
  if (n > v.capacity()) {
    v.reserve(n);
    platform::PreferLargePages(v.data(), n * sizeof(T));
  }
  v.resize(n);
}

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace zarn::io
