// Convolution of a filter's source frame, beside memcpy of the same frame
// measured in the same run; the ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "filter/mirror_filter.h"
#include "frames.h"
#include "ratio_report.h"

namespace {

using zarnbench::BM_MemcpyFrame;

// The frame is put back, untimed, before each run so that every run sees
// the same pixels.
void BM_Convolve(benchmark::State& state, int size) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  auto bitmap = zarnbench::RampFrame(w, h);
  auto* storage = static_cast<MemoryStorage*>(bitmap->Storage());
  const std::vector<BMM_Color_64> original(storage->Pixels(),
                                           storage->Pixels() + static_cast<std::size_t>(w) * h);
  // A sharpening kernel: centre weight balancing a ring of -1s.
  std::vector<std::int32_t> kernel(static_cast<std::size_t>(size) * size, -1);
  kernel[kernel.size() / 2] = size * size;
  MirrorFilter filter;
  filter.SetSource(bitmap.get());
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(storage->Pixels(), original.data(), original.size() * sizeof(BMM_Color_64));
    state.ResumeTiming();
    if (filter.Convolve(nullptr, kernel.data(), size, 1, 0, 0) != 1) {
      state.SkipWithError("convolution failed");
      return;
    }
    benchmark::ClobberMemory();
  }
  zarnbench::SetFrameBytes(state, w, h);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_MemcpyFrame)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Convolve, k3x3, 3)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Convolve, k9x9, 9)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) { return zarnbench::RunWithRatios(argc, argv, "BM_MemcpyFrame"); }
