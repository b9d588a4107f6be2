// libpng's own test images (PngSuite and the images of contrib/testpngs),
// found in the libpng source that scripts/setup unpacks.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace zarntest {

// contrib/ of the unpacked libpng source, or empty when it is absent.
std::filesystem::path LibpngContrib();

// The folders of valid images: pngsuite, pngsuite/interlaced, testpngs.
std::vector<std::filesystem::path> ValidPngFolders();
// Every .png file of the folder, by name.
std::vector<std::filesystem::path> PngFilesIn(const std::filesystem::path& folder);

// The colour (gAMA, cHRM, sRGB, iCCP), pHYs and text chunks of a PNG file
// as stored, in order: (type, data). Walks the chunks itself.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> DescriptiveChunks(
    const std::vector<std::uint8_t>& png);

}  // namespace zarntest
