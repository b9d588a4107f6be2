// Glyph text with any font record (installed faces, unknown ones, any
// height, width, weight and character set) and any bytes as text, lead
// bytes of the multi-byte code page included, at any position.
#include <cstring>
#include <string>

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zarnfuzz::Input in(data, size);
  auto bitmap = in.MakeBitmap(32);
  Canvas c(nullptr, nullptr, bitmap.get());
  in.SetUp(c);
  static const char* kFaces[] = {"Liberation Sans", "DejaVu Sans", "NanumGothic", "Liberation Mono", "",
                                 "No Such Face"};
  std::string face = kFaces[in.Pick<int>(0, 5)];
  if (in.Pick<int>(0, 7) == 0) face = in.Provider().ConsumeRandomLengthString(40);
  // A glyph costs its square whatever part of it lands on the canvas: sizes
  // far beyond the canvas come now and then, not in most inputs.
  auto cheap = [&](int v) { return (v > 256 || v < -256) && in.Pick<int>(0, 63) != 0 ? v % 256 : v; };
  c.SetFontFace(cheap(in.AnyInt(-40, 40)), face.c_str());
  if (in.Bool()) {
    c.font.lfWidth = cheap(in.AnyInt(-4, 40));
    c.font.lfEscapement = in.AnyInt(-900, 900);
    c.font.lfWeight = in.AnyInt(0, 900);
    c.font.lfItalic = in.Pick<BYTE>(0, 1);
    c.font.lfCharSet = in.Pick<int>(0, 1) ? HANGEUL_CHARSET : in.Pick<BYTE>(0, 255);
  }
  for (int step = 0; step < 3 && !in.Empty(); ++step) {
    const std::string text = in.Provider().ConsumeRandomLengthString(24);
    c.PrintText(in.AnyInt(-40, c.width + 8), in.AnyInt(-40, c.height + 8), CStr(text.c_str()));
  }
  c.Store();
  return 0;
}
