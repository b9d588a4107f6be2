// Area effects: reduction, the four-corner warp and its transforms, tiling,
// saturation, mosaic, Mandelbrot and the depth grey, with any factors,
// angles, anchors, cell sizes, ids and plane windows on a small canvas of
// random size, channels and contents.
#include <cstdlib>

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap();
  Canvas c(nullptr, nullptr, bitmap.get());
  in.SetUp(c);
  const int w = c.width, h = c.height;
  for (int step = 0; step < 8 && !in.Empty(); ++step) {
    switch (in.Pick<int>(0, 17)) {
      case 0: c.Reduce(in.AnyInt(-4, w + 4), in.AnyInt(-4, h + 4), in.AnyFloat(1), in.AnyFloat(1)); break;
      case 1: c.ReduceCentered(in.AnyFloat(1), in.AnyFloat(1)); break;
      case 2: {
        BMM_Color_64 out{1, 2, 3, 4};
        c.CellAverage(in.AnyInt(-2, 8), in.AnyInt(-2, 8), in.AnyInt(-2, w + 2), in.AnyInt(-2, h + 2), &out);
        break;
      }
      case 3: std::free(c.CellAverages(in.AnyInt(-2, w + 2), in.AnyInt(-2, h + 2))); break;
      case 4:
        c.Warp(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(h),
               in.AnyFloat(w), in.AnyFloat(h));
        break;
      case 5: c.ScaleImage(in.AnyInt(-2, 3), in.AnyFloat(2), in.AnyFloat(2)); break;
      case 6: c.RotateImage(in.AnyInt(-2, 3), in.AnyFloat()); break;
      case 7: c.TiltVertical(in.AnyInt(-2, 3), in.AnyFloat(), in.AnyFloat(1)); break;
      case 8: c.TiltHorizontal(in.AnyInt(-2, 3), in.AnyFloat(), in.AnyFloat(1)); break;
      case 9: c.TileImage(in.AnyInt(-1, 5), in.AnyFloat(4), in.AnyFloat(4)); break;
      case 10: c.AdjustSaturation(in.AnyInt(-200, 300), in.AnyInt(-2, 4)); break;
      case 11: c.Mosaic(in.AnyInt(-2, w + 2), in.AnyInt(-2, h + 2), in.AnyInt(-2, 4)); break;
      case 12: {
        // cols x rows x iterations, each brought to what the canvas shows.
        const int cols = in.Cheap(in.AnyInt(-2, 40), 64, INT_MAX);
        const int rows = in.Cheap(in.AnyInt(-2, 40), 64, INT_MAX);
        const int iterations = in.Cheap(in.AnyInt(-2, 64), 256, INT_MAX);
        c.RenderMandelbrot(in.AnyFloat(2), in.AnyFloat(2), in.AnyFloat(2), in.AnyFloat(2), iterations, cols,
                           rows);
        break;
      }
      case 13:
        c.EscapeCount(in.AnyFloat(2), in.AnyFloat(2), in.Cheap(in.AnyInt(-2, 64), 4096, INT_MAX));
        break;
      case 14: c.PlotGrey(in.AnyFloat(w), in.AnyFloat(h), in.AnyInt()); break;
      case 15: c.DepthToGrey(in.AnyInt(-2, 4)); break;
      case 16: {
        float lo, hi, span;
        c.DepthRange(c.channel1, in.Bool() ? &lo : nullptr, &hi, in.Bool() ? &span : nullptr);
        break;
      }
      case 17:
        c.MirrorHorizontal();
        c.MirrorVertical();
        break;
    }
  }
  c.Store();
  return 0;
}
