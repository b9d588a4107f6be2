// Raster effects on a whole frame, each beside memcpy of the same frame
// (8 bytes a pixel) measured in the same run; the ratios are printed at the
// end.
#include <benchmark/benchmark.h>

#include <memory>

#include "canvas/canvas.h"
#include "frames.h"
#include "ratio_report.h"

namespace {

using zarnbench::BM_MemcpyFrame;
using zarnbench::RampFrame;

// Runs op on a canvas over the ramp frame.
template <typename Op>
void OnFrame(benchmark::State& state, Op op) {
  auto bitmap = RampFrame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  Canvas canvas(nullptr, nullptr, bitmap.get());
  zarnbench::TimeOnCanvas(state, canvas, op);
}

void BM_WarpRotate30(benchmark::State& state) {
  OnFrame(state, [](Canvas& c) { c.RotateImage(0, 30.0f); });
}
void BM_Reduce(benchmark::State& state) {
  OnFrame(state, [](Canvas& c) { c.Reduce(0, 0, 0.5f, 0.5f); });
}
void BM_Mosaic(benchmark::State& state, int cell) {
  OnFrame(state, [cell](Canvas& c) { c.Mosaic(cell, cell, -1); });
}
void BM_AdjustSaturation(benchmark::State& state) {
  OnFrame(state, [](Canvas& c) { c.AdjustSaturation(50, -1); });
}
void BM_Mandelbrot256(benchmark::State& state) {
  OnFrame(state, [](Canvas& c) { c.RenderMandelbrot(-2.5f, -1.25f, 1.0f, 1.25f, 256, c.width, c.height); });
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_MemcpyFrame)->Apply(Sizes);
BENCHMARK(BM_WarpRotate30)->Apply(Sizes);
BENCHMARK(BM_Reduce)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Mosaic, cell16, 16)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Mosaic, cell64, 64)->Apply(Sizes);
BENCHMARK(BM_AdjustSaturation)->Apply(Sizes);
BENCHMARK(BM_Mandelbrot256)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) { return zarnbench::RunWithRatios(argc, argv, "BM_MemcpyFrame"); }
