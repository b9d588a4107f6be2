// The mirror filter's render pass on whole frames, beside memcpy of the same
// frame (8 bytes a pixel) measured in the same run; the ratios are printed
// at the end.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "filter/mirror_filter.h"
#include "ratio_report.h"

namespace {

std::unique_ptr<Bitmap> Frame(int w, int h) {
  auto storage = MemoryStorage::Create(w, h);
  for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i)
    storage->Pixels()[i] = BMM_Color_64{static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(i >> 3),
                                        static_cast<std::uint16_t>(i >> 7), 65535};
  return std::make_unique<Bitmap>(std::move(storage));
}

void SetBytes(benchmark::State& state, int w, int h) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * w * h * 8);
  state.counters["frame_MiB"] = static_cast<double>(w) * h * 8 / (1 << 20);
}

void BM_MemcpyFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  std::vector<BMM_Color_64> src(static_cast<std::size_t>(w) * h, BMM_Color_64{1, 2, 3, 4});
  std::vector<BMM_Color_64> dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * sizeof(BMM_Color_64));
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  SetBytes(state, w, h);
}

void BM_RenderPass(benchmark::State& state, std::int32_t horizontal, std::int32_t vertical) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  auto bitmap = Frame(w, h);
  MirrorFilter filter;
  filter.config.horizontal = horizontal;
  filter.config.vertical = vertical;
  filter.SetSource(bitmap.get());
  for (auto _ : state) {
    if (filter.Render(nullptr) != 1) state.SkipWithError("render failed");
    benchmark::ClobberMemory();
  }
  SetBytes(state, w, h);
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
