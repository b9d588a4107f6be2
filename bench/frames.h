// The frame the suites work on and the memcpy anchor they are measured
// against in the same run.
#pragma once
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "hostsdk/bitmap.h"

namespace zarnbench {

// Smooth ramps in every channel, opaque.
inline std::unique_ptr<Bitmap> RampFrame(int w, int h) {
  auto storage = MemoryStorage::Create(w, h);
  for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i)
    storage->Pixels()[i] = BMM_Color_64{static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(i >> 3),
                                        static_cast<std::uint16_t>(i >> 7), 65535};
  return std::make_unique<Bitmap>(std::move(storage));
}

// Bytes of a w x h frame of 64-bit colours per iteration.
inline void SetFrameBytes(benchmark::State& state, int w, int h) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * w * h * 8);
}

// The anchor: memcpy of a frame of range(0) x range(1) 64-bit colours.
inline void BM_MemcpyFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  std::vector<BMM_Color_64> src(static_cast<std::size_t>(w) * h, BMM_Color_64{1, 2, 3, 4});
  std::vector<BMM_Color_64> dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * sizeof(BMM_Color_64));
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  SetFrameBytes(state, w, h);
}

// Times op(canvas) once per iteration; the canvas's working picture is put
// back, untimed, before each run so that every run sees the same pixels.
template <typename CanvasT, typename Op>
void TimeOnCanvas(benchmark::State& state, CanvasT& canvas, Op op) {
  if (!canvas.HasPixels()) {
    state.SkipWithError("no memory for the canvas");
    return;
  }
  const std::size_t n = static_cast<std::size_t>(canvas.width) * canvas.height;
  const std::vector<BMM_Color_64> original(canvas.pixels, canvas.pixels + n);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(canvas.pixels, original.data(), n * sizeof(BMM_Color_64));
    state.ResumeTiming();
    op(canvas);
    benchmark::DoNotOptimize(canvas.pixels);
    benchmark::ClobberMemory();
  }
  SetFrameBytes(state, canvas.width, canvas.height);
}

}  // namespace zarnbench
