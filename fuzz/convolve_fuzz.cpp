// The filter base's convolution of its source bitmap with any kernel,
// size, divisor, bias and invert flag; a window that stops it at a random
// row; a filter without a source now and then.
#include <vector>

#include "filter/mirror_filter.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap(20);
  zarnfuzz::AbortWindow window(in.Pick<int>(-1, 24));
  MirrorFilter filter;
  if (in.Pick<int>(0, 15) != 0) filter.SetSource(bitmap.get());
  for (int step = 0; step < 3 && !in.Empty(); ++step) {
    // The kernel must hold size * size values: sizes the library takes are
    // kept to what a small picture can use; the rest go as they are.
    int kernelSize = in.AnyInt(-3, 9);
    if (kernelSize > 0 && kernelSize % 2 == 1 && kernelSize > 15) kernelSize = 15;
    const std::size_t n =
        kernelSize > 0 && kernelSize <= 15 ? static_cast<std::size_t>(kernelSize) * kernelSize : 1;
    std::vector<std::int32_t> kernel(n);
    for (std::int32_t& k : kernel) k = in.Bool() ? in.Pick<int>(-4, 4) : in.AnyInt();
    const bool nullKernel = in.Pick<int>(0, 15) == 0;
    filter.Convolve(in.Bool() ? window.Handle() : nullptr, nullKernel ? nullptr : kernel.data(), kernelSize,
                    in.AnyInt(-2, 30), in.AnyInt(-70000, 70000), in.AnyInt(-1, 2));
  }
  return 0;
}
