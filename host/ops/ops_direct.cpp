// Drawing straight into the host bitmap, without a canvas, as runner
// operations: pixel runs across and down, and banded 1-bit masks. The host
// refuses pixels off the picture; a refused call leaves the picture as it
// was and says where the drawing left it.
#include <cstdint>
#include <string>
#include <vector>

#include "canvas/direct_draw.h"
#include "host/ops/registry.h"

namespace zarn::ops {
namespace {

constexpr int kBandRows = 16;

std::string Size(const Bitmap& bitmap) {
  return std::to_string(bitmap.Width()) + " x " + std::to_string(bitmap.Height());
}

Status RunHRun(Bitmap& bitmap, const Args& args, const Context&, std::string& error) {
  const int x = args.Int("x"), y = args.Int("y"), length = args.Int("length");
  if (BitmapHRun(&bitmap, x, y, length, args.Color("color")) == 1) return Status::Done;
  error = "the host refused pixels of the run from (" + std::to_string(x) + ", " + std::to_string(y) +
          ") across " + std::to_string(length) + ": it leaves the " + Size(bitmap) + " picture";
  return Status::Failed;
}

Status RunVRun(Bitmap& bitmap, const Args& args, const Context&, std::string& error) {
  const int x = args.Int("x"), y = args.Int("y"), length = args.Int("length");
  if (BitmapVRun(&bitmap, x, y, length, args.Color("color")) == 1) return Status::Done;
  error = "the host refused pixels of the run from (" + std::to_string(x) + ", " + std::to_string(y) +
          ") down " + std::to_string(length) + ": it leaves the " + Size(bitmap) + " picture";
  return Status::Failed;
}

// One band of each built-in pattern: 16 rows of whole bytes.
struct Pattern {
  const char* name;
  int bytesPerRow;
  std::vector<std::uint8_t> rows;
};

const std::vector<Pattern>& Patterns() {
  static const std::vector<Pattern> patterns = {
      // The word ZARN in four 8 x 16 cells.
      {"zarn", 4, {0x00, 0x00, 0x00, 0x00, 0x7C, 0x38, 0x78, 0x44, 0x7C, 0x38, 0x78, 0x44, 0x04,
                   0x44, 0x44, 0x44, 0x04, 0x44, 0x44, 0x44, 0x08, 0x44, 0x44, 0x64, 0x08, 0x44,
                   0x44, 0x64, 0x10, 0x7C, 0x78, 0x54, 0x10, 0x7C, 0x78, 0x54, 0x20, 0x44, 0x50,
                   0x4C, 0x20, 0x44, 0x50, 0x4C, 0x40, 0x44, 0x48, 0x44, 0x40, 0x44, 0x48, 0x44,
                   0x7C, 0x44, 0x44, 0x44, 0x7C, 0x44, 0x44, 0x44, 0x00, 0x00, 0x00, 0x00}},
      // Two 8 x 8 squares on a diagonal: bands stacked up make a checkerboard.
      {"checker", 2, {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF,
                      0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF,
                      0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF}},
  };
  return patterns;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A pattern's name, or hex digits for 16 rows of the same number of bytes.
bool ReadPattern(const std::string& text, Pattern& out) {
  for (const Pattern& p : Patterns())
    if (text == p.name) {
      out = p;
      return true;
    }
  if (text.empty() || text.size() % (2 * kBandRows) != 0) return false;
  out.name = "";
  out.bytesPerRow = static_cast<int>(text.size() / (2 * kBandRows));
  out.rows.clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.rows.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return true;
}

Status RunMask(Bitmap& bitmap, const Args& args, const Context&, std::string& error) {
  const std::string& text = args.Text("pattern");
  Pattern pattern;
  if (!ReadPattern(text, pattern)) {
    error = "pattern=" + text + ": not zarn, checker or hex digits for 16 rows of whole bytes";
    return Status::Failed;
  }
  // Every band repeats the pattern.
  const int bands = args.Int("bands");
  std::vector<std::uint8_t> mask;
  for (int b = 0; b < bands; ++b) mask.insert(mask.end(), pattern.rows.begin(), pattern.rows.end());
  if (PutMaskBands(&bitmap, args.Int("x"), args.Int("y"), pattern.bytesPerRow, bands, mask.data(),
                   args.Color("color")) == 1)
    return Status::Done;
  error = "the host refused a pixel of the mask";
  return Status::Failed;
}

Param Colour() { return Color("color", "#ffffff", "drawing colour (#rrggbb or r,g,b,a)"); }

}  // namespace

void AddDirectOperations(Catalogue& c) {
  c.Add(Operation{"hrun",
                  "direct",
                  "a run of pixels to the right, straight into the image; columns "
                  "left of 0 are skipped, a run past the right edge is refused",
                  {Int("x", "0", "start column"), Int("y", "0", "row"),
                   Int("length", "10", "pixels; 0 or less draws nothing"), Colour()},
                  OnBitmap(RunHRun),
                  {"x=-4", "y=100", "length=180", "color=#ff60ff"},
                  Output::Drawing});
  c.Add(Operation{"vrun",
                  "direct",
                  "a run of pixels downward, straight into the image; rows above 0 "
                  "are skipped, a run past the bottom edge is refused",
                  {Int("x", "0", "column"), Int("y", "0", "start row"),
                   Int("length", "10", "pixels; 0 or less draws nothing"), Colour()},
                  OnBitmap(RunVRun),
                  {"x=150", "y=-4", "length=120", "color=#ff60ff"},
                  Output::Drawing});
  c.Add(Operation{"mask",
                  "direct",
                  "a 1-bit mask in bands of 16 rows, straight into the image; band 0 "
                  "at row y, each later band 16 rows higher; bits off the image are skipped",
                  {Int("x", "8", "left column of every mask row"), Int("y", "8", "top row of band 0"),
                   Int("bands", "1", "how many times the band is repeated upward").Range(0, 4096),
                   Text("pattern", "zarn",
                        "zarn (the word in 8 x 16 cells), checker, or hex digits: 16 rows "
                        "of whole bytes, leftmost pixel in the high bit"),
                   Colour()},
                  OnBitmap(RunMask),
                  {"x=80", "y=96", "bands=5", "pattern=zarn", "color=#60ffff"},
                  Output::Drawing});
}

}  // namespace zarn::ops
