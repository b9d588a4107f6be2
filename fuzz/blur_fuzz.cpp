// Source blur and depth-of-field blur, and the box average under them, with
// any radius, id, focus and range on a small canvas of random size,
// channels and depths; a window that stops them at a random row.
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap();
  zarnfuzz::AbortWindow window(in.Pick<int>(-1, 30));
  SourceCanvas c(in.Bool() ? window.Handle() : nullptr, nullptr, bitmap.get());
  in.SetUp(c);
  const int w = c.width, h = c.height;
  for (int step = 0; step < 4 && !in.Empty(); ++step) {
    switch (in.Pick<int>(0, 2)) {
      case 0: c.Blur(in.AnyInt(-2, 4), in.AnyInt(-2, 40)); break;
      case 1: c.DepthBlur(in.AnyInt(-2, 4), in.AnyFloat(8), in.AnyFloat(8), in.AnyInt(-2, 40)); break;
      case 2: {
        BMM_Color_64 out{1, 2, 3, 4};
        c.BoxAverageSource(in.AnyInt(-4, w + 4), in.AnyInt(-4, h + 4), in.AnyInt(-2, 40), &out);
        break;
      }
    }
  }
  c.Store();
  return 0;
}
