// Vector drawing on a 1920 x 1080 frame: 10 000 random segments inside,
// crossing and far outside the canvas, and a disc of radius 500, each beside
// memset of the same frame (8 bytes a pixel) measured in the same run. Far
// outside segments should cost about what a rejected (non-finite) one does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "canvas/canvas.h"
#include "ratio_report.h"

namespace {

constexpr int kSegments = 10000;

struct Segment {
  float x1, y1, x2, y2;
};

enum class Kind {
  Inside,         // both ends on the canvas, any float coordinates
  Crossing,       // ends up to 2000 pixels beyond the edges, any floats
  CrossingWhole,  // ends up to a million pixels away, whole numbers
  CrossingFar,    // ends up to 100 000 pixels away, any floats: the error
                  // term is inexact and the walk up to the canvas is stepped
  FarOutside,     // long segments that never touch the canvas
  Rejected,       // a non-finite end: nothing to walk at all
};

std::vector<Segment> Segments(Kind kind, int w, int h) {
  std::mt19937 rng(2024);
  auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  std::vector<Segment> out;
  const float fw = static_cast<float>(w), fh = static_cast<float>(h);
  while (static_cast<int>(out.size()) < kSegments) {
    Segment s{};
    switch (kind) {
      case Kind::Inside:
        s = {uniform(0, fw), uniform(0, fh), uniform(0, fw), uniform(0, fh)};
        break;
      case Kind::Crossing: {
        // Through a point of the canvas, out to both sides.
        const float cx = uniform(0, fw), cy = uniform(0, fh);
        const float dx = uniform(-2000, 2000), dy = uniform(-2000, 2000);
        s = {cx - dx, cy - dy, cx + dx, cy + dy};
        break;
      }
      case Kind::CrossingWhole: {
        const float cx = std::round(uniform(0, fw)), cy = std::round(uniform(0, fh));
        const float dx = std::round(uniform(-1e6f, 1e6f)), dy = std::round(uniform(-1e6f, 1e6f));
        s = {cx - dx, cy - dy, cx + dx, cy + dy};
        break;
      }
      case Kind::CrossingFar: {
        const float cx = uniform(0, fw), cy = uniform(0, fh);
        const float dx = uniform(-1e5f, 1e5f), dy = uniform(-1e5f, 1e5f);
        s = {cx - dx, cy - dy, cx + dx, cy + dy};
        break;
      }
      case Kind::FarOutside: {
        // Thousands of pixels long, above, below, left or right of the canvas.
        const int side = static_cast<int>(out.size() % 4);
        const float a = uniform(-5000, 5000), b = uniform(-5000, 5000);
        const float off = uniform(50, 3000);
        if (side == 0) s = {a, -off, b, -off - uniform(0, 40)};
        if (side == 1) s = {a, fh + off, b, fh + off + uniform(0, 40)};
        if (side == 2) s = {-off, a, -off - uniform(0, 40), b};
        if (side == 3) s = {fw + off, a, fw + off + uniform(0, 40), b};
        break;
      }
      case Kind::Rejected:
        s = {uniform(0, fw), uniform(0, fh), NAN, uniform(0, fh)};
        break;
    }
    out.push_back(s);
  }
  return out;
}

std::unique_ptr<Bitmap> Frame(int w, int h) {
  return std::make_unique<Bitmap>(MemoryStorage::Create(w, h));
}

void BM_MemsetFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  std::vector<BMM_Color_64> frame(static_cast<std::size_t>(w) * h);
  int value = 0;
  for (auto _ : state) {
    std::memset(frame.data(), ++value & 0xff, frame.size() * sizeof(BMM_Color_64));
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * w * h * 8);
}

void BM_Lines(benchmark::State& state, Kind kind) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  auto bitmap = Frame(w, h);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  const std::vector<Segment> segments = Segments(kind, w, h);
  for (auto _ : state) {
    for (const Segment& s : segments) canvas.DrawLine(s.x1, s.y1, s.x2, s.y2);
    benchmark::DoNotOptimize(canvas.pixels);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kSegments);
}

void BM_FillCircle(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  auto bitmap = Frame(w, h);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  for (auto _ : state) {
    canvas.FillCircle(960.0f, 540.0f, 500.0f);
    benchmark::DoNotOptimize(canvas.pixels);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_MemsetFrame)->Args({1920, 1080});
BENCHMARK_CAPTURE(BM_Lines, inside, Kind::Inside)->Args({1920, 1080});
BENCHMARK_CAPTURE(BM_Lines, crossing, Kind::Crossing)->Args({1920, 1080});
BENCHMARK_CAPTURE(BM_Lines, crossing_whole_far, Kind::CrossingWhole)->Args({1920, 1080});
BENCHMARK_CAPTURE(BM_Lines, crossing_fractional_far, Kind::CrossingFar)->Args({1920, 1080});
BENCHMARK_CAPTURE(BM_Lines, far_outside, Kind::FarOutside)->Args({1920, 1080});
BENCHMARK_CAPTURE(BM_Lines, rejected, Kind::Rejected)->Args({1920, 1080});
BENCHMARK(BM_FillCircle)->Args({1920, 1080});

int main(int argc, char** argv) { return zarnbench::RunWithRatios(argc, argv, "BM_Memset"); }
