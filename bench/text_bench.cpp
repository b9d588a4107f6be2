// Glyph text on a 1920 x 1080 frame beside memcpy of the same frame measured
// in the same run: one 60-character Latin line in the default height (28)
// and a 20-character Korean line at height 48. Each call makes its font and
// renders its glyphs afresh, as the text operation always does.
#include <benchmark/benchmark.h>

#include <string>

#include "canvas/canvas.h"
#include "frames.h"
#include "platform/gdi.h"
#include "ratio_report.h"

namespace {

const std::string kLatin = "The quick brown fox jumps over the lazy dog, 0123456789 (zar)";

std::string Korean() {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "\xC7\xD1\xB1\xDB";  // two syllables, ten times
  return text;
}

void BM_Text(benchmark::State& state, const std::string& text, const char* face, int height,
             BYTE charset) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  platform::SetMultiByteCodePage(949);
  auto bitmap = zarnbench::RampFrame(w, h);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetFontFace(height, face);
  canvas.font.lfCharSet = charset;
  for (auto _ : state) {
    canvas.PrintText(20, 500, CStr(text.c_str()));
    benchmark::DoNotOptimize(canvas.pixels);
    benchmark::ClobberMemory();
  }
  platform::SetMultiByteCodePage(0);
  zarnbench::SetFrameBytes(state, w, h);
}

void BM_MemcpyFrame(benchmark::State& state) { zarnbench::BM_MemcpyFrame(state); }

}  // namespace

BENCHMARK(BM_MemcpyFrame)->Args({1920, 1080});
BENCHMARK_CAPTURE(BM_Text, latin_line_28, kLatin, "Arial", 28, ANSI_CHARSET)->Args({1920, 1080});
BENCHMARK_CAPTURE(BM_Text, korean_line_48, Korean(), "NanumGothic", 48, HANGEUL_CHARSET)
    ->Args({1920, 1080});

int main(int argc, char** argv) { return zarnbench::RunWithRatios(argc, argv, "BM_Memcpy"); }
