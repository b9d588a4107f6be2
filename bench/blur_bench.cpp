// Source blur, depth blur and sparkle on a whole frame, each beside memcpy of
// the same frame (8 bytes a pixel) measured in the same run; the ratios are
// printed at the end. The blur's cost should not follow its radius.
#include <benchmark/benchmark.h>

#include <memory>

#include "canvas/canvas.h"
#include "frames.h"
#include "ratio_report.h"

namespace {

using zarnbench::BM_MemcpyFrame;

// A ramp frame with a depth ramp across it (0 to -100 from left to right)
// and 1 % of its pixels bright (every 100th, the rest at most 1/4 grey).
std::unique_ptr<Bitmap> DepthFrame(int w, int h) {
  auto storage = MemoryStorage::Create(w, h, BMM_CHAN_FLOAT);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      storage->Pixels()[i] = i % 100 == 0
                                 ? BMM_Color_64{65535, 60000, 50000, 65535}
                                 : BMM_Color_64{static_cast<std::uint16_t>(i & 0x3FFF),
                                                static_cast<std::uint16_t>((i >> 3) & 0x3FFF),
                                                static_cast<std::uint16_t>((i >> 7) & 0x3FFF), 65535};
      storage->FloatChannel()[i] = -100.0f * static_cast<float>(x) / static_cast<float>(w);
    }
  return std::make_unique<Bitmap>(std::move(storage));
}

// Runs op on a source canvas over the frame, with its depth channel.
template <typename Op>
void OnFrame(benchmark::State& state, Op op) {
  auto bitmap = DepthFrame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  SourceCanvas canvas(nullptr, nullptr, bitmap.get());
  canvas.RequestChannel(BMM_CHAN_FLOAT);
  zarnbench::TimeOnCanvas(state, canvas, op);
}

void BM_Blur(benchmark::State& state, int radius) {
  OnFrame(state, [radius](SourceCanvas& c) { c.Blur(-1, radius); });
}
void BM_DepthBlurMax32(benchmark::State& state) {
  OnFrame(state, [](SourceCanvas& c) { c.DepthBlur(-1, 50.0f, 100.0f, 32); });
}
void BM_SparkleRadius16Rays6(benchmark::State& state) {
  OnFrame(state, [](SourceCanvas& c) {
    c.Sparkle(-1, 1, BMM_Color_64{30000, 30000, 20000, 0}, 16, 200, 6, 15.0f);
  });
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_MemcpyFrame)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, radius1, 1)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, radius8, 8)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, radius64, 64)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, radius512, 512)->Apply(Sizes);
BENCHMARK(BM_DepthBlurMax32)->Apply(Sizes);
BENCHMARK(BM_SparkleRadius16Rays6)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) { return zarnbench::RunWithRatios(argc, argv, "BM_MemcpyFrame"); }
