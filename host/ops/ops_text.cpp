// Glyph text as a runner operation. The text is UTF-8 (text already in the
// code page is kept) and is drawn in the code page's bytes, so double-byte
// scripts come out as whole glyphs; a newline starts the next line one line
// height lower. font= names a face, or a file saved by `zarn configure
// --font` (the 60-byte font record, height and all).
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "canvas/canvas.h"
#include "host/ops/registry.h"
#include "platform/gdi.h"

namespace zarn::ops {
namespace {

// The saved record when path is a 60-byte file; false when it is no file.
bool ReadFontFile(const std::string& path, LOGFONTA& record, bool& isFile) {
  std::error_code ec;
  isFile = !path.empty() && std::filesystem::is_regular_file(path, ec);
  if (!isFile) return false;
  if (std::filesystem::file_size(path, ec) != sizeof(LOGFONTA) || ec) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  const bool read = std::fread(&record, sizeof(record), 1, file) == 1;
  std::fclose(file);
  return read;
}

// Rows from one line's top to the next: the font's cell and external leading.
int LineStep(const LOGFONTA& font) {
  HFONT handle = platform::CreateFontIndirectA(&font);
  HDC dc = platform::GetDC(nullptr);
  HGDIOBJ kept = platform::SelectObject(dc, handle);
  TEXTMETRICA metrics{};
  const bool known = platform::GetTextMetricsA(dc, &metrics);
  platform::SelectObject(dc, kept);
  platform::DeleteObject(handle);
  platform::ReleaseDC(nullptr, dc);
  const int step = known ? metrics.tmHeight + metrics.tmExternalLeading : 0;
  return step > 0 ? step : (font.lfHeight < 0 ? -font.lfHeight : font.lfHeight);
}

bool DrawText(Canvas& canvas, const Args& args, std::string& error) {
  const std::string font = args.Text("font");
  const int height = args.Int("height");
  LOGFONTA record;
  bool isFile = false;
  if (ReadFontFile(font, record, isFile)) {
    canvas.SetFont(record);
  } else if (isFile) {
    error = "font=" + font + ": not a saved font record (60 bytes)";
    return false;
  } else if (!font.empty()) {
    if (font.size() >= LF_FACESIZE) {
      error = "font=" + font + ": a face name has at most 31 characters";
      return false;
    }
    canvas.SetFontFace(height, font.c_str());
    // A named face is wanted for whatever script it has.
    canvas.font.lfCharSet = DEFAULT_CHARSET;
  } else {
    canvas.font.lfHeight = height;
  }
  const int codePage = args.Int("codepage");
  if (!platform::SetMultiByteCodePage(codePage)) {
    error = "codepage=" + std::to_string(codePage) + ": not available here";
    return false;
  }
  canvas.SetDrawColor(args.Color("color"));
  const std::string text = platform::TextInCodePage(args.Text("text"));
  const long long step = LineStep(canvas.font);
  long long y = args.Int("y");
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (y >= INT32_MIN && y <= INT32_MAX)
      canvas.PrintText(args.Int("x"), static_cast<int>(y), CStr(text.substr(start, end - start).c_str()));
    y += step;
    start = end + 1;
  }
  platform::SetMultiByteCodePage(0);
  return true;
}

}  // namespace

void AddTextOperations(Catalogue& c) {
  c.Add(
      {"text",
       "text",
       "text in a font: one line per newline, top of the first line at (x, y)",
       {Text("text", "Zarn", "UTF-8 text; a newline starts a line"),
        Int("x", "0", "column of the first glyph's cell"), Int("y", "0", "row of the top of the first line"),
        Text("font", "", "face name, or a font saved by configure --font"),
        Int("height", "28", "cell height in pixels, or minus the em height").Range(-2048, 2048),
        Int("codepage", "0", "code page of double-byte text; 0 the locale's")
            .OneOf({0, 932, 936, 949, 950, 1252}),
        Color("color", "#ffffff", "text colour (#rrggbb or r,g,b,a)")},
       OnCanvas<Canvas>(DrawText),
       {"text=Zarn text 28\n\xED\x95\x9C\xEA\xB8\x80 \xED\x85\x8D\xEC\x8A\xA4\xED\x8A\xB8", "x=8", "y=20",
        "codepage=949", "color=#ffffff"},
       Output::Drawing});
}

}  // namespace zarn::ops
