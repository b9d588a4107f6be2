// libpng's test images through the built runner, compared with what
// oiiotool makes of the same files: the same pixels, mirrored.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "host/png_io.h"
#include "png_suite.h"
#include "runner.h"

namespace fs = std::filesystem;
using zarn::io::Image;
using namespace zarntest;

namespace {

TEST(PngSuiteRun, EveryValidFileMirrorsAsOiiotoolDoes) {
  if (LibpngContrib().empty()) GTEST_SKIP() << "libpng's source is not unpacked in build/mingw-src (run scripts/setup)";
  if (std::system("oiiotool --version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "oiiotool is not installed (scripts/setup installs openimageio-tools)";
  Scratch s;
  int compared = 0;
  int folderIndex = 0;
  for (const fs::path& folder : ValidPngFolders()) {
    const std::string out = "out" + std::to_string(folderIndex++);
    const Result r = s.Zarn({"run", folder.string(), out});
    ASSERT_EQ(r.code, 0) << folder << "\n" << r.err;
    // One oiiotool process mirrors the whole folder: each file is read,
    // flopped and written in turn.
    const std::string ref = "ref" + std::to_string(folderIndex);
    fs::create_directory(s.Dir() / ref);
    std::string command = "oiiotool --no-autopremult";
    const std::vector<fs::path> files = PngFilesIn(folder);
    for (const fs::path& file : files)
      command += " '" + file.string() + "' --flop -o '" + s.Path(ref + "/" + file.filename().string()) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const fs::path& file : files) {
      SCOPED_TRACE(file.string());
      const Image expected = Load(s.Path(ref + "/" + file.filename().string()));
      const Image mirrored = Load(s.Path(out + "/" + file.filename().string()));
      EXPECT_EQ(mirrored.width, expected.width);
      EXPECT_EQ(mirrored.height, expected.height);
      EXPECT_EQ(PixelsOf(mirrored), PixelsOf(expected));
      ++compared;
    }
  }
  EXPECT_EQ(compared, 164);
}

TEST(PngSuiteRun, DamagedFilesAreNamedWithTheReasonAndWriteNothing) {
  if (LibpngContrib().empty()) GTEST_SKIP() << "libpng's source is not unpacked in build/mingw-src (run scripts/setup)";
  Scratch s;
  const fs::path folder = LibpngContrib() / "testpngs" / "crashers";
  const Result r = s.Zarn({"run", folder.string(), "out"});
  EXPECT_EQ(r.code, 1);
  for (const char* line :
       {"/bad_iCCP.png: corrupt PNG (IHDR: CRC error)\n", "/badadler.png: corrupt PNG (IDAT: incorrect data check)\n",
        "/badcrc.png: corrupt PNG (IDAT: CRC error)\n", "/huge_IDAT.png: truncated PNG\n",
        "/huge_iCCP_chunk.png: truncated PNG\n", "zarn: 22 of 23 frames failed\n"}) {
    EXPECT_NE(r.err.find(line), std::string::npos) << line << " not in:\n" << r.err;
  }
  std::vector<std::string> written;
  for (const auto& entry : fs::directory_iterator(s.Dir() / "out")) written.push_back(entry.path().filename().string());
  EXPECT_EQ(written, std::vector<std::string>{"empty_ancillary_chunks.png"});
}

}  // namespace

namespace {

// What the runner writes by default, read by oiiotool (its own libpng),
// gives the pixels of the same image written libpng's own way.
TEST(PngWriteOiiotool, ReadsTheDefaultAsLibpngsOwnWriting) {
  if (std::system("oiiotool --version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "oiiotool is not installed (scripts/setup installs openimageio-tools)";
  Scratch s;
  struct Row {
    const char* name;
    int channels;
    int depth;
  };
  for (const Row& row :
       {Row{"rgba16", 4, 16}, Row{"grey16", 1, 16}, Row{"rgb8", 3, 8}, Row{"greyalpha8", 2, 8}}) {
    SCOPED_TRACE(row.name);
    Image image = PositionImage(1400, 500);
    image.pngChannels = row.channels;
    image.pngDepth = row.depth;
    std::vector<std::uint8_t> ours, libpngs;
    std::string error;
    ASSERT_TRUE(zarn::io::EncodePng(image, ours, error)) << error;
    ASSERT_TRUE(zarn::io::EncodePng(image, libpngs, error,
                                    {zarn::io::kPngFilterAll, 6, zarn::io::PngDeflate::Libpng, 1}))
        << error;
    ASSERT_NE(ours, libpngs);
    WriteBytes(s.Path(std::string(row.name) + ".ours.png"), ours);
    WriteBytes(s.Path(std::string(row.name) + ".libpng.png"), libpngs);
    const std::string command = "oiiotool --no-autopremult --diff '" +
                                s.Path(std::string(row.name) + ".ours.png") + "' '" +
                                s.Path(std::string(row.name) + ".libpng.png") + "' > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }
}

}  // namespace
