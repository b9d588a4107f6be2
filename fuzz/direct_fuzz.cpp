// Drawing straight into a host bitmap: mask bands and runs with any
// position, count and band layout, on bitmaps from 0 x 0 up and on none.
#include <vector>

#include "canvas/direct_draw.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap();
  Bitmap* target = in.Pick<int>(0, 15) == 0 ? nullptr : bitmap.get();
  const int w = bitmap->Width(), h = bitmap->Height();
  for (int step = 0; step < 8 && !in.Empty(); ++step) {
    switch (in.Pick<int>(0, 2)) {
      case 0: {
        // The mask must hold bands * 16 rows of bytesPerRow bytes.
        int bytesPerRow = in.AnyInt(-1, 4), bands = in.AnyInt(-1, 3);
        if (bytesPerRow > 0 && bands > 0 && static_cast<long long>(bytesPerRow) * bands > 64) {
          bytesPerRow = 1 + bytesPerRow % 8;
          bands = 1 + bands % 8;
        }
        const std::size_t n =
            bytesPerRow > 0 && bands > 0 ? static_cast<std::size_t>(bytesPerRow) * bands * 16 : 0;
        std::vector<std::uint8_t> mask = in.Provider().ConsumeBytes<std::uint8_t>(n);
        mask.resize(n);
        PutMaskBands(target, in.AnyInt(-16, w + 8), in.AnyInt(-16, h + 40), bytesPerRow, bands,
                     n == 0 && in.Bool() ? nullptr : mask.data(), in.Color());
        break;
      }
      case 1:
        BitmapHRun(target, in.AnyInt(-8, w + 8), in.AnyInt(-8, h + 8), in.AnyInt(-8, 40), in.Color());
        break;
      case 2:
        BitmapVRun(target, in.AnyInt(-8, w + 8), in.AnyInt(-8, h + 8), in.AnyInt(-8, 40), in.Color());
        break;
    }
  }
  return 0;
}
