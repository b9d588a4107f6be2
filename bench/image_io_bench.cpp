// The runner's frame codecs on 3840x2160 16-bit RGBA frames, beside memcpy
// of the same frame in the same run: PNG writing under each filter choice,
// level and deflate path (the bytes each writes are the "bytes" counter),
// PNG reading, and OpenEXR ZIP and PIZ through OpenEXR's thread pool at one
// thread and at one per core. Two frames: a busy one (noise over a
// gradient, as bench/peers uses) and a smooth rendered-looking one
// (gradients, discs and mild noise).
#include <benchmark/benchmark.h>

#include <ImfThreading.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "frames.h"
#include "host/image_io.h"
#include "host/png_io.h"
#include "ratio_report.h"

namespace {

using zarn::io::Image;
namespace io = zarn::io;

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

std::uint16_t Clamp16(double v) { return static_cast<std::uint16_t>(std::clamp(v, 0.0, 65535.0) + 0.5); }

// Busy: half uniform noise, half a four-corner gradient, in every channel.
// Smooth: a diagonal sky, three soft discs and noise of about 0.1 %.
// Raw generator bits only, so every machine makes the same frame.
const Image& Frame(bool busy) {
  static Image frames[2];
  Image& image = frames[busy ? 1 : 0];
  if (image.storage) return image;
  std::string error;
  io::Allocate(image, kWidth, kHeight, 0, error);
  image.type = io::FileType::Png;
  image.pngChannels = 4;
  image.pngDepth = 16;
  std::mt19937 bits(busy ? 1u : 2u);
  BMM_Color_64* p = image.storage->Pixels();
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double u = static_cast<double>(x) / (kWidth - 1);
      const double v = static_cast<double>(y) / (kHeight - 1);
      double c[4];
      if (busy) {
        const double corner[4] = {u * (1 - v), (1 - u) * v, u * v, 1.0};
        for (int k = 0; k < 4; ++k) c[k] = 0.5 * (corner[k] + (bits() & 0xFFFF) / 65535.0);
      } else {
        c[0] = 0.2 + 0.5 * u;
        c[1] = 0.3 + 0.4 * v;
        c[2] = 0.7 - 0.3 * u * v;
        c[3] = 1.0;
        const double discs[3][4] = {{0.3, 0.4, 0.15, 0.9}, {0.6, 0.6, 0.2, 0.1}, {0.8, 0.3, 0.1, 0.5}};
        for (const auto& d : discs) {
          const double dx = (u - d[0]) * kWidth / kHeight;
          const double dy = v - d[1];
          const double edge = std::clamp((d[2] - std::sqrt(dx * dx + dy * dy)) * 400.0, 0.0, 1.0);
          for (int k = 0; k < 3; ++k) c[k] += edge * (d[3] * (k + 1) / 3.0 - c[k]);
        }
        for (int k = 0; k < 3; ++k) c[k] += ((bits() & 0xFF) - 127.5) / 65535.0;
      }
      p[static_cast<std::size_t>(y) * kWidth + x] = {Clamp16(c[0] * 65535), Clamp16(c[1] * 65535),
                                                     Clamp16(c[2] * 65535), Clamp16(c[3] * 65535)};
    }
  }
  return image;
}

void BM_PngWrite(benchmark::State& state, bool busy, io::PngWriteOptions options) {
  const Image& image = Frame(busy);
  std::vector<std::uint8_t> bytes;
  std::string error;
  for (auto _ : state) {
    if (!io::EncodePng(image, bytes, error, options)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(bytes.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_PngRead(benchmark::State& state, bool busy) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  io::EncodePng(Frame(busy), bytes, error);
  for (auto _ : state) {
    Image image;
    if (!io::Decode(bytes, image, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(image.storage);
  }
}

// An EXR frame as the runner holds it after reading: half RGBA.
const Image& ExrFrame(bool busy, int compression, std::vector<std::uint8_t>& bytes) {
  static Image frames[2][2];
  static std::vector<std::uint8_t> files[2][2];
  const int c = compression == 4 ? 1 : 0;
  Image& image = frames[busy ? 1 : 0][c];
  std::vector<std::uint8_t>& file = files[busy ? 1 : 0][c];
  if (!image.storage) {
    Image source;
    std::string error;
    const Image& png = Frame(busy);
    io::Allocate(source, kWidth, kHeight, 0, error);
    std::copy(png.storage->Pixels(), png.storage->Pixels() + static_cast<std::size_t>(kWidth) * kHeight,
              source.storage->Pixels());
    source.type = io::FileType::Exr;
    source.exrCompression = compression;
    io::Encode(source, io::FileType::Exr, file, error);
    io::Decode(file, image, error);
  }
  bytes = file;
  return image;
}

void BM_ExrWrite(benchmark::State& state, bool busy, int compression, bool everyCore) {
  std::vector<std::uint8_t> bytes;
  const Image& image = ExrFrame(busy, compression, bytes);
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  Imf::setGlobalThreadCount(everyCore ? cores : 0);
  std::string error;
  for (auto _ : state) {
    if (!io::Encode(image, io::FileType::Exr, bytes, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(bytes.data());
  }
  Imf::setGlobalThreadCount(cores);
  state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_ExrRead(benchmark::State& state, bool busy, int compression, bool everyCore) {
  std::vector<std::uint8_t> bytes;
  ExrFrame(busy, compression, bytes);
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  Imf::setGlobalThreadCount(everyCore ? cores : 0);
  std::string error;
  for (auto _ : state) {
    Image image;
    if (!io::Decode(bytes, image, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(image.storage);
  }
  Imf::setGlobalThreadCount(cores);
}

void Size(benchmark::internal::Benchmark* b) {
  // CPU of every thread of the process, so the band threads count too.
  b->Args({kWidth, kHeight})
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MeasureProcessCPUTime()
      ->MinTime(2.0);
}

io::PngWriteOptions Libpng(int filters, int level) { return {filters, level, io::PngDeflate::Libpng, 1}; }
io::PngWriteOptions Whole(int filters, io::PngDeflate mode, int level, int bands) {
  return {filters, level, mode, bands};
}

BENCHMARK(zarnbench::BM_MemcpyFrame)->Apply(Size);

// Before: libpng's own zlib at level 6, trying every filter per row
// (libpng's default), then fixed filters.
#define PNG_WRITES(frame, busy)                                                                            \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_libpng_all_6, busy, Libpng(io::kPngFilterAll, 6))->Apply(Size);   \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_libpng_none_6, busy, Libpng(io::kPngFilterNone, 6))->Apply(Size); \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_libpng_up_6, busy, Libpng(io::kPngFilterUp, 6))->Apply(Size);     \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_libpng_up_1, busy, Libpng(io::kPngFilterUp, 1))->Apply(Size);     \
  /* Whole filtered rows: the deflate library in Matches mode (one pass), */                               \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_matches_all_6, busy,                                              \
                    Whole(io::kPngFilterAll, io::PngDeflate::Matches, 6, 1))                               \
      ->Apply(Size);                                                                                       \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_matches_up_6, busy,                                               \
                    Whole(io::kPngFilterUp, io::PngDeflate::Matches, 6, 1))                                \
      ->Apply(Size);                                                                                       \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_matches_up_1, busy,                                               \
                    Whole(io::kPngFilterUp, io::PngDeflate::Matches, 1, 1))                                \
      ->Apply(Size);                                                                                       \
  /* and Runs mode on one band, on one band per core (the default), */                                     \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_runs_none_1band, busy,                                            \
                    Whole(io::kPngFilterNone, io::PngDeflate::Runs, 6, 1))                                 \
      ->Apply(Size);                                                                                       \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_runs_paeth_1band, busy,                                           \
                    Whole(io::kPngFilterPaeth, io::PngDeflate::Runs, 6, 1))                                \
      ->Apply(Size);                                                                                       \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_runs_up_1band, busy,                                              \
                    Whole(io::kPngFilterUp, io::PngDeflate::Runs, 6, 1))                                   \
      ->Apply(Size);                                                                                       \
  BENCHMARK_CAPTURE(BM_PngWrite, frame##_default, busy, io::PngWriteOptions{})->Apply(Size);

PNG_WRITES(busy, true)
PNG_WRITES(smooth, false)

BENCHMARK_CAPTURE(BM_PngRead, busy, true)->Apply(Size);
BENCHMARK_CAPTURE(BM_PngRead, smooth, false)->Apply(Size);

BENCHMARK_CAPTURE(BM_ExrWrite, busy_zip_one_thread, true, 3, false)->Apply(Size);
BENCHMARK_CAPTURE(BM_ExrWrite, busy_zip_every_core, true, 3, true)->Apply(Size);
BENCHMARK_CAPTURE(BM_ExrWrite, busy_piz_one_thread, true, 4, false)->Apply(Size);
BENCHMARK_CAPTURE(BM_ExrWrite, busy_piz_every_core, true, 4, true)->Apply(Size);
BENCHMARK_CAPTURE(BM_ExrRead, busy_zip_one_thread, true, 3, false)->Apply(Size);
BENCHMARK_CAPTURE(BM_ExrRead, busy_zip_every_core, true, 3, true)->Apply(Size);
BENCHMARK_CAPTURE(BM_ExrRead, busy_piz_one_thread, true, 4, false)->Apply(Size);
BENCHMARK_CAPTURE(BM_ExrRead, busy_piz_every_core, true, 4, true)->Apply(Size);

}  // namespace

int main(int argc, char** argv) { return zarnbench::RunWithRatios(argc, argv, "BM_MemcpyFrame"); }
