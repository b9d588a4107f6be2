#include "png_suite.h"

#include <algorithm>
#include <cstdlib>

namespace fs = std::filesystem;

namespace zarntest {

fs::path LibpngContrib() {
  std::vector<fs::path> candidates;
  if (const char* source = std::getenv("ZARN_SOURCE")) candidates.push_back(fs::path(source) / "build");
  if (const char* bin = std::getenv("ZARN_BIN")) candidates.push_back(fs::path(bin) / ".." / "..");
  for (const fs::path& build : candidates) {
    const fs::path contrib = build / "mingw-src" / "libpng" / "contrib";
    std::error_code ec;
    if (fs::is_directory(contrib / "pngsuite", ec)) return contrib;
  }
  return {};
}

std::vector<fs::path> ValidPngFolders() {
  const fs::path contrib = LibpngContrib();
  return {contrib / "pngsuite", contrib / "pngsuite" / "interlaced", contrib / "testpngs"};
}

std::vector<fs::path> PngFilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.is_regular_file() && entry.path().extension() == ".png") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> DescriptiveChunks(
    const std::vector<std::uint8_t>& png) {
  static const char* const kKept[] = {"gAMA", "cHRM", "sRGB", "iCCP", "pHYs", "tEXt", "zTXt", "iTXt"};
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> chunks;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::size_t length = static_cast<std::size_t>(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 |
                               png[at + 3];
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (length > png.size() - at - 12) break;
    const auto data = png.begin() + static_cast<std::ptrdiff_t>(at + 8);
    if (std::find(std::begin(kKept), std::end(kKept), type) != std::end(kKept))
      chunks.emplace_back(type, std::vector<std::uint8_t>(data, data + static_cast<std::ptrdiff_t>(length)));
    at += 12 + length;
  }
  return chunks;
}

}  // namespace zarntest
