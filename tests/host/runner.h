// Runs the built zarn in a scratch folder and captures what it says.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/image_io.h"

namespace zarntest {

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

// A fresh folder per test, removed afterwards.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  const std::filesystem::path& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Runs zarn with the words (each quoted) from inside the folder.
  Result Zarn(const std::vector<std::string>& words) const;
  // As Zarn, with a signal (Ctrl-C's INT unless named: TERM, KILL) sent the
  // delay after zarn starts catching Ctrl-C; native (Linux) shells only.
  Result ZarnInterrupted(const std::vector<std::string>& words, const std::string& delay,
                         const std::string& signal = "INT") const;

 private:
  Result Run(const std::vector<std::string>& words, const std::string& delay, const std::string& signal) const;
  std::filesystem::path dir_;
};

std::vector<std::uint8_t> Bytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// An image whose pixel (x, y) names its position (see PositionColor).
zarn::io::Image PositionImage(int width, int height, std::uint32_t channels = 0);
// Writes an image by the name's type; fails the test on error.
void Save(const std::string& path, const zarn::io::Image& image);
zarn::io::Image Load(const std::string& path);
std::vector<BMM_Color_64> PixelsOf(const zarn::io::Image& image);

// Where pixel (x, y) of a w x h frame comes from after the mirror.
inline std::size_t Source(int x, int y, int w, int h, bool horizontal, bool vertical) {
  const int sx = horizontal ? w - 1 - x : x;
  const int sy = vertical ? h - 1 - y : y;
  return static_cast<std::size_t>(sy) * w + sx;
}

// Fails the test unless out is in mirrored as the flags say.
void ExpectMirrored(const std::vector<BMM_Color_64>& in, const std::vector<BMM_Color_64>& out, int w, int h,
                    bool horizontal, bool vertical);

}  // namespace zarntest
