#include "host/frame.h"

#include <vector>

#include "host/atomic_file.h"

namespace zarn::host {

bool RenderFrame(ImageFilter& filter, io::Image& image, ImageFilterInfo* info, HWND window,
                 std::string& error) {
  const std::size_t n = static_cast<std::size_t>(image.width) * image.height;
  const bool carry = image.type == io::FileType::Exr || image.storage->Channels() != 0;
  std::vector<BMM_Color_64> before;
  if (carry) before.assign(image.storage->Pixels(), image.storage->Pixels() + n);

  filter.SetSource(image.bitmap.get());
  filter.SetFilterInfo(info);
  const int rendered = filter.Render(window);
  filter.SetSource(nullptr);
  if (rendered != 1) {
    filter.SetFilterInfo(nullptr);
    error = "the filter did not render the frame (answer " + std::to_string(rendered) + ")";
    return false;
  }
  if (!carry) {
    filter.SetFilterInfo(nullptr);
    return true;
  }

  // Where did each pixel come from? Render a frame of coordinates with the
  // same filter: if every result names a pixel whose colour it now holds,
  // the filter only moved pixels and everything else moves with them.
  io::Image probe;
  if (!io::Allocate(probe, image.width, image.height, 0, error)) return false;
  BMM_Color_64* p = probe.storage->Pixels();
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      p[static_cast<std::size_t>(y) * image.width + x] = {static_cast<std::uint16_t>(x),
                                                          static_cast<std::uint16_t>(y), 0x5A5A, 0xA5A5};
  filter.SetSource(probe.bitmap.get());
  const int probed = filter.Render(window);
  filter.SetSource(nullptr);
  filter.SetFilterInfo(nullptr);
  bool moved = probed == 1;
  std::vector<std::uint32_t> from(moved ? n : 0);
  const BMM_Color_64* after = image.storage->Pixels();
  for (std::size_t i = 0; moved && i < n; ++i) {
    const BMM_Color_64& c = p[i];
    if (c.b != 0x5A5A || c.a != 0xA5A5 || c.r >= image.width || c.g >= image.height) {
      moved = false;
      break;
    }
    const std::size_t src = static_cast<std::size_t>(c.g) * image.width + c.r;
    const BMM_Color_64& a = after[i];
    const BMM_Color_64& b = before[src];
    if (a.r != b.r || a.g != b.g || a.b != b.b || a.a != b.a) moved = false;
    from[i] = static_cast<std::uint32_t>(src);
  }
  if (moved) {
    io::PermuteChannels(image, from);
  } else if (image.type == io::FileType::Exr) {
    io::SyncFromBitmap(image);
  }
  return true;
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
