// Canvas core and pixel access with arbitrary sizes, coordinates, channel
// requests, font faces and frame ranges.
#include <cstdint>
#include <cstring>
#include <string>

#include "canvas/canvas.h"

namespace {
struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  template <typename T>
  T Take() {
    T v{};
    const std::size_t n = size < sizeof(T) ? size : sizeof(T);
    std::memcpy(&v, data, n);
    data += n;
    size -= n;
    return v;
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in{data, size};
  const int w = in.Take<std::uint8_t>() % 33;
  const int h = in.Take<std::uint8_t>() % 33;
  Bitmap bitmap(MemoryStorage::Create(w, h, BMM_CHAN_FLOAT | BMM_CHAN_U16));
  ImageFilterInfo info;
  info.spanRange = FrameRange(in.Take<int>(), in.Take<int>(), 0);
  info.cursorRange = FrameRange(0, 0, in.Take<int>());
  SourceCanvas c(nullptr, &info, &bitmap);
  while (in.size > 0) {
    switch (in.Take<std::uint8_t>() % 9) {
      case 0: c.Plot(in.Take<float>(), in.Take<float>()); break;
      case 1: c.PlotColor(in.Take<float>(), in.Take<float>(), in.Take<BMM_Color_64>()); break;
      case 2: {
        BMM_Color_64 out;
        c.ReadPixel(in.Take<float>(), in.Take<float>(), out);
        break;
      }
      case 3: c.RequestChannel(in.Take<int>()); break;
      case 4: c.ReadIdChannel(in.Take<int>(), in.Take<int>()); break;
      case 5: c.ReadFloatChannel(in.Take<int>(), in.Take<int>()); break;
      case 6: {
        const std::string face(in.Take<std::uint8_t>() % 64, 'f');
        c.SetFontFace(in.Take<int>(), face.c_str());
        break;
      }
      case 7: c.ProgressPercent(); break;
      case 8:
        c.MirrorHorizontal();
        c.MirrorVertical();
        c.SetDrawColorRGB(in.Take<RGBColor>());
        break;
    }
  }
  c.Store();
  return 0;
}
