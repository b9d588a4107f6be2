// Star glow and sparkle with any centre, radius, ray count, start angle,
// threshold and colour on a small canvas of random size and contents; a
// window that stops the sparkle at a random row.
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap(16);
  zarnfuzz::AbortWindow window(in.Pick<int>(-1, 20));
  SourceCanvas c(in.Bool() ? window.Handle() : nullptr, nullptr, bitmap.get());
  in.SetUp(c);
  const int w = c.width, h = c.height;
  for (int step = 0; step < 6 && !in.Empty(); ++step) {
    // The star's cost is its square times its rays: the rays are kept to
    // what a small picture can tell apart unless the library refuses them.
    const int rays = in.Cheap(in.AnyInt(-1, 16), 64, Canvas::kMaxStarRays);
    switch (in.Pick<int>(0, 3)) {
      case 0:
        c.DrawStar(in.AnyInt(-8, w + 8), in.AnyInt(-8, h + 8), in.Color(), in.AnyInt(-1, 40), rays,
                   in.AnyFloat());
        break;
      case 1:
        c.Sparkle(in.AnyInt(-2, 4), in.AnyInt(-1, 2), in.Color(), in.AnyInt(-1, 12), in.AnyInt(-10, 300),
                  in.Cheap(rays, 8, Canvas::kMaxStarRays), in.AnyFloat());
        break;
      case 2: {
        float x = in.AnyFloat(4), y = in.AnyFloat(4);
        RotatePoint(&x, &y, in.AnyFloat());
        InSpike(x, y, in.AnyFloat(8));
        break;
      }
      case 3: {
        BMM_Color_64 out;
        ToColor64(in.AnyFloat(1), in.AnyFloat(1), in.AnyFloat(1), out);
        c.SetDrawColorRGB(RGBColor{in.AnyFloat(1), in.AnyFloat(1), in.AnyFloat(1)});
        break;
      }
    }
  }
  c.Store();
  return 0;
}
