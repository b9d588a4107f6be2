#include "runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "platform/module.h"
#include "platform/win.h"
#include "support/bitmaps.h"

namespace fs = std::filesystem;

namespace zarntest {
namespace {
std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
  // Windows programs end their text lines with CR LF.
  std::erase(text, '\r');
  return text;
}

}  // namespace

Scratch::Scratch() {
  static std::atomic<int> counter{0};
  std::random_device device;
  std::string name = "zarn-host-test-";
  name.append(std::to_string(device())).append("-").append(std::to_string(counter++));
  dir_ = fs::temp_directory_path() / name;
  fs::create_directories(dir_);
}

Scratch::~Scratch() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

Result Scratch::Zarn(const std::vector<std::string>& words) const { return Run(words, "", ""); }

Result Scratch::ZarnInterrupted(const std::vector<std::string>& words, const std::string& delay,
                                const std::string& signal) const {
  return Run(words, delay, signal);
}

Result Scratch::Run(const std::vector<std::string>& words, const std::string& delay,
                    const std::string& signal) const {
  const char* bin = std::getenv("ZARN_BIN");
  EXPECT_NE(bin, nullptr) << "ZARN_BIN is not set";
  const fs::path exe = fs::path(bin ? bin : ".") / platform::ExecutableName("zarn");
  std::string command = platform::ShellChangeDirectory(dir_.string()) + " && ";
  if (!delay.empty()) command.append("{ ");
  command.append(platform::ShellQuote(exe.string()));
  for (const std::string& w : words) command.append(" ").append(platform::ShellQuote(w));
  // The delay counts from when zarn catches SIGINT (its mask in /proc), so a
  // slow start never meets the signal ignored, as background jobs inherit it.
  if (!delay.empty())
    command
        .append(" & p=$!; until grep -qs '^SigCgt:.*[2367abef]$' /proc/$p/status || ! kill -0 $p 2>/dev/null; "
                "do sleep 0.05; done; sleep ")
        .append(delay)
        .append("; kill -")
        .append(signal)
        .append(" $p; wait $p; }");
  command.append(" >").append(platform::ShellQuote((dir_ / ".stdout").string()));
  command.append(" 2>").append(platform::ShellQuote((dir_ / ".stderr").string()));
  Result result;
  result.code = platform::ExitCodeOf(std::system(command.c_str()));
  result.out = Read(dir_ / ".stdout");
  result.err = Read(dir_ / ".stderr");
  fs::remove(dir_ / ".stdout");
  fs::remove(dir_ / ".stderr");
  return result;
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(zarn::io::ReadFile(path, bytes, error)) << path << ": " << error;
  return bytes;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

zarn::io::Image PositionImage(int width, int height, std::uint32_t channels) {
  zarn::io::Image image;
  std::string error;
  EXPECT_TRUE(zarn::io::Allocate(image, width, height, channels, error)) << error;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.storage->Pixels()[y * width + x] = PositionColor(x, y);
  return image;
}

void Save(const std::string& path, const zarn::io::Image& image) {
  zarn::io::FileType type;
  ASSERT_TRUE(zarn::io::TypeFromName(path, type)) << path;
  std::vector<std::uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(zarn::io::Encode(image, type, bytes, error)) << error;
  WriteBytes(path, bytes);
}

zarn::io::Image Load(const std::string& path) {
  zarn::io::Image image;
  std::string error;
  EXPECT_TRUE(zarn::io::Read(path, image, error)) << path << ": " << error;
  return image;
}

std::vector<BMM_Color_64> PixelsOf(const zarn::io::Image& image) {
  if (!image.storage) return {};
  return std::vector<BMM_Color_64>(image.storage->Pixels(),
                                   image.storage->Pixels() + static_cast<std::size_t>(image.width) * image.height);
}

void ExpectMirrored(const std::vector<BMM_Color_64>& in, const std::vector<BMM_Color_64>& out, int w, int h,
                    bool horizontal, bool vertical) {
  ASSERT_EQ(out.size(), in.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(out[y * w + x], in[Source(x, y, w, h, horizontal, vertical)]) << "pixel " << x << "," << y;
}

}  // namespace zarntest
