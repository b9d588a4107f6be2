// The mirror filter's render pass on whole frames, beside memcpy of the same
// frame (8 bytes a pixel) measured in the same run; the ratios are printed
// at the end.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "filter/mirror_filter.h"
#include "frames.h"
#include "ratio_report.h"

namespace {

using zarnbench::BM_MemcpyFrame;
using zarnbench::RampFrame;

void BM_RenderPass(benchmark::State& state, std::int32_t horizontal, std::int32_t vertical) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  auto bitmap = RampFrame(w, h);
  MirrorFilter filter;
  filter.config.horizontal = horizontal;
  filter.config.vertical = vertical;
  filter.SetSource(bitmap.get());
  for (auto _ : state) {
    if (filter.Render(nullptr) != 1) state.SkipWithError("render failed");
    benchmark::ClobberMemory();
  }
  zarnbench::SetFrameBytes(state, w, h);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_MemcpyFrame)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_RenderPass, default_horizontal, 1, 0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_RenderPass, both, 1, 1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_RenderPass, neither, 0, 0)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) { return zarnbench::RunWithRatios(argc, argv, "BM_MemcpyFrame"); }
