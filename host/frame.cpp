#include "host/frame.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/atomic_file.h"

namespace zarn::host {

namespace {

// Renders a frame of coordinates (x in red, y in green, a fixed mark in blue
// and alpha): if every result names a pixel, the filter only moves pixels
// and from[i] is where pixel i came from.
void LearnMoves(ImageFilter& filter, ImageFilterInfo* info, HWND window, int width, int height, PixelMoves& moves) {
  moves.width = width;
  moves.height = height;
  moves.known = true;
  moves.from.clear();
  io::Image probe;
  std::string error;
  if (width > 65536 || height > 65536 || !io::Allocate(probe, width, height, 0, error)) return;
  BMM_Color_64* p = probe.storage->Pixels();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p[static_cast<std::size_t>(y) * width + x] = {static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y),
                                                    0x5A5A, 0xA5A5};
  filter.SetSource(probe.bitmap.get());
  filter.SetFilterInfo(info);
  const int probed = filter.Render(window);
  filter.SetSource(nullptr);
  filter.SetFilterInfo(nullptr);
  if (probed != 1) return;
  const std::size_t n = static_cast<std::size_t>(width) * height;
  std::vector<std::uint32_t> from;
  io::ResizeFrameBuffer(from, n);
  for (std::size_t i = 0; i < n; ++i) {
    const BMM_Color_64& c = p[i];
    if (c.b != 0x5A5A || c.a != 0xA5A5 || c.r >= width || c.g >= height) return;
    from[i] = static_cast<std::uint32_t>(static_cast<std::size_t>(c.g) * width + c.r);
  }
  moves.from = std::move(from);
}

}  // namespace

bool RenderFrame(ImageFilter& filter, io::Image& image, ImageFilterInfo* info, HWND window, PixelMoves& moves,
                 std::string& error) {
  const std::size_t n = static_cast<std::size_t>(image.width) * image.height;
  const bool carry = image.type == io::FileType::Exr || image.storage->Channels() != 0;
  std::vector<BMM_Color_64> before;
  if (carry) {
    io::ResizeFrameBuffer(before, n);
    std::copy_n(image.storage->Pixels(), n, before.begin());
  }

  filter.SetSource(image.bitmap.get());
  filter.SetFilterInfo(info);
  const int rendered = filter.Render(window);
  filter.SetSource(nullptr);
  filter.SetFilterInfo(nullptr);
  if (rendered != 1) {
    error = "the filter did not render the frame (answer " + std::to_string(rendered) + ")";
    return false;
  }
  if (!carry) return true;

  // Where pixels move is learnt once per frame size; each frame still
  // checks that every result holds the colour of the pixel it names.
  if (!moves.known || moves.width != image.width || moves.height != image.height)
    LearnMoves(filter, info, window, image.width, image.height, moves);
  bool moved = moves.from.size() == n;
  const BMM_Color_64* after = image.storage->Pixels();
  for (std::size_t i = 0; moved && i < n; ++i) {
    const BMM_Color_64& a = after[i];
    const BMM_Color_64& b = before[moves.from[i]];
    if (a.r != b.r || a.g != b.g || a.b != b.b || a.a != b.a) moved = false;
  }
  if (moved) {
    io::PermuteChannels(image, moves.from);
  } else if (image.type == io::FileType::Exr) {
    io::SyncFromBitmap(image);
  }
  // The file's other parts and levels go the same way, each at its own size
  // (parts of the frame's size use what this worker already knows).
  for (io::Image& layer : image.exrLayers) {
    PixelMoves other;
    PixelMoves& use = layer.width == image.width && layer.height == image.height ? moves : other;
    if (!RenderFrame(filter, layer, info, window, use, error)) return false;
  }
  return true;
}

bool RenderFrame(ImageFilter& filter, io::Image& image, ImageFilterInfo* info, HWND window, std::string& error) {
  PixelMoves moves;
  return RenderFrame(filter, image, info, window, moves, error);
}

bool WriteImage(const std::string& path, const io::Image& image, std::string& error) {
  io::FileType type;
  if (!io::TypeFromName(path, type)) {
    error = "cannot tell the image type from the name (use .png or .exr)";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  return io::Encode(image, type, bytes, error) && WriteFileAtomically(path, bytes, error);
}

}  // namespace zarn::host
