// Fills and block transfer: boxes, discs, pies, clearing, pasting and
// copying blocks, mask bits and single-pixel writes with any position and
// size on a small canvas of random size, aspect and drawing state.
#include <vector>

#include "fuzz_input.h"

namespace {
// A block size for a caller array: any value, but when w * h is positive
// the array must really hold it, so large blocks are brought back to what
// a caller could hand over.
void BlockSize(zarnfuzz::Input& in, int& w, int& h) {
  w = in.AnyInt(-2, 30);
  h = in.AnyInt(-2, 30);
  if (w > 0 && h > 0 && static_cast<long long>(w) * h > 4096) {
    w = 1 + w % 64;
    h = 1 + h % 64;
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap();
  Canvas c(nullptr, nullptr, bitmap.get());
  in.SetUp(c);
  const int w = c.width, h = c.height;
  for (int step = 0; step < 12 && !in.Empty(); ++step) {
    switch (in.Pick<int>(0, 11)) {
      case 0: c.Clear(); break;
      case 1: c.FillBox(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w), in.AnyFloat(h)); break;
      case 2: c.FillCircle(in.AnyFloat(w), in.AnyFloat(h), in.AnyFloat(w)); break;
      case 3: c.DrawPie(in.AnyFloat(w), in.AnyFloat(), in.AnyFloat()); break;
      case 4:
      case 5: {
        int bw, bh;
        BlockSize(in, bw, bh);
        const std::size_t n = bw > 0 && bh > 0 ? static_cast<std::size_t>(bw) * bh : 0;
        std::vector<BMM_Color_64> block(n);
        for (BMM_Color_64& px : block) px = in.Color();
        const int x = in.AnyInt(-8, w + 8), y = in.AnyInt(-8, h + 8);
        if (step % 2) c.PasteBlock(x, y, bw, bh, block.data());
        else c.CopyBlock(x, y, bw, bh, block.data());
        break;
      }
      case 6: {
        int bytesPerRow = in.AnyInt(-1, 4), rows = in.AnyInt(-1, 20);
        if (bytesPerRow > 0 && rows > 0 && static_cast<long long>(bytesPerRow) * rows > 4096) {
          bytesPerRow = 1 + bytesPerRow % 8;
          rows = 1 + rows % 64;
        }
        const std::size_t n = bytesPerRow > 0 && rows > 0 ? static_cast<std::size_t>(bytesPerRow) * rows : 0;
        std::vector<unsigned char> bits = in.Provider().ConsumeBytes<unsigned char>(n);
        bits.resize(n);
        c.PlotBits(in.AnyInt(-16, w + 8), in.AnyInt(-16, h + 8), bytesPerRow, rows,
                   n == 0 && in.Bool() ? nullptr : bits.data());
        break;
      }
      case 7: c.PutPixel(in.AnyInt(-2, w + 2), in.AnyInt(-2, h + 2), in.Color()); break;
      case 8: c.BlendPixel(in.AnyInt(-2, w + 2), in.AnyInt(-2, h + 2), in.Color(), in.AnyFloat(1)); break;
      case 9: c.Splat(in.AnyFloat(w), in.AnyFloat(h), in.Color()); break;
      case 10: c.Plot(in.AnyFloat(w), in.AnyFloat(h)); break;
      case 11: c.SetSecondColor(in.Color()); break;
    }
  }
  c.Store();
  return 0;
}
