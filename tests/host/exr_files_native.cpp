// OpenEXR files as other tools write them, made at test time with oiiotool:
// every compression, scan-line and tiled, render-layer channels of every
// sample type, a multi-part file and a MIP-mapped one. The runner's output
// is read back here with OpenEXR directly, not with the runner's own code.
#include <ImfAttribute.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputPart.h>
#include <ImfMultiPartInputFile.h>
#include <ImfMultiPartOutputFile.h>
#include <ImfOutputPart.h>
#include <ImfPartType.h>
#include <ImfStdIO.h>
#include <ImfTiledInputPart.h>
#include <ImfTiledOutputPart.h>
#include <ImfVersion.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "runner.h"

namespace {

using zarntest::Result;
using zarntest::Scratch;

// One channel of one level: its stored type and its samples as stored
// (2 bytes for half, 4 for float and uint), row by row.
struct Plane {
  Imf::PixelType type = Imf::HALF;
  std::vector<std::uint8_t> bytes;
};

struct Level {
  int part = 0;
  int lx = 0;
  int ly = 0;
  Imath::Box2i window;
  std::map<std::string, Plane> planes;
  int Width() const { return window.max.x - window.min.x + 1; }
  int Height() const { return window.max.y - window.min.y + 1; }
};

struct ExrFile {
  int version = 0;
  std::vector<Imf::Header> headers;
  std::vector<Level> levels;
};

std::size_t SampleSize(Imf::PixelType type) { return type == Imf::HALF ? 2 : 4; }

bool Tiled(const Imf::Header& header) { return header.type() == Imf::TILEDIMAGE; }

Imf::FrameBuffer Slices(Level& level) {
  Imf::FrameBuffer buffer;
  const std::size_t w = static_cast<std::size_t>(level.Width());
  for (auto& [name, plane] : level.planes) {
    const std::size_t size = SampleSize(plane.type);
    buffer.insert(name, Imf::Slice::Make(plane.type, plane.bytes.data(), level.window, size, size * w));
  }
  return buffer;
}

ExrFile ReadExr(const std::string& path) {
  ExrFile file;
  Imf::MultiPartInputFile in(path.c_str());
  file.version = in.version();
  for (int p = 0; p < in.parts(); ++p) {
    const Imf::Header& header = in.header(p);
    file.headers.push_back(header);
    std::vector<Level> levels;
    if (Tiled(header)) {
      Imf::TiledInputPart tiled(in, p);
      for (int ly = 0; ly < tiled.numYLevels(); ++ly)
        for (int lx = 0; lx < tiled.numXLevels(); ++lx)
          if (tiled.isValidLevel(lx, ly)) levels.push_back({p, lx, ly, tiled.dataWindowForLevel(lx, ly), {}});
    } else {
      levels.push_back({p, 0, 0, header.dataWindow(), {}});
    }
    for (Level& level : levels) {
      const std::size_t n = static_cast<std::size_t>(level.Width()) * level.Height();
      for (auto it = header.channels().begin(); it != header.channels().end(); ++it)
        level.planes[it.name()] = {it.channel().type,
                                   std::vector<std::uint8_t>(n * SampleSize(it.channel().type))};
      if (Tiled(header)) {
        Imf::TiledInputPart tiled(in, p);
        tiled.setFrameBuffer(Slices(level));
        tiled.readTiles(0, tiled.numXTiles(level.lx) - 1, 0, tiled.numYTiles(level.ly) - 1, level.lx,
                        level.ly);
      } else {
        Imf::InputPart scan(in, p);
        scan.setFrameBuffer(Slices(level));
        scan.readPixels(level.window.min.y, level.window.max.y);
      }
      file.levels.push_back(std::move(level));
    }
  }
  return file;
}

// What OpenEXR itself gives back for these samples written with these headers.
ExrFile WriteAndReadBack(ExrFile file, const std::string& path) {
  {
    Imf::MultiPartOutputFile out(path.c_str(), file.headers.data(), static_cast<int>(file.headers.size()));
    for (Level& level : file.levels) {
      if (Tiled(file.headers[level.part])) {
        Imf::TiledOutputPart tiled(out, level.part);
        tiled.setFrameBuffer(Slices(level));
        tiled.writeTiles(0, tiled.numXTiles(level.lx) - 1, 0, tiled.numYTiles(level.ly) - 1, level.lx,
                         level.ly);
      } else {
        Imf::OutputPart scan(out, level.part);
        scan.setFrameBuffer(Slices(level));
        scan.writePixels(level.Height());
      }
    }
  }
  return ReadExr(path);
}

// Every level turned left for right and top for bottom, sample by sample.
ExrFile Mirrored(ExrFile file) {
  for (Level& level : file.levels) {
    const int w = level.Width();
    const int h = level.Height();
    for (auto& [name, plane] : level.planes) {
      const std::size_t size = SampleSize(plane.type);
      std::vector<std::uint8_t> moved(plane.bytes.size());
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          std::memcpy(&moved[(static_cast<std::size_t>(y) * w + x) * size],
                      &plane.bytes[(static_cast<std::size_t>(h - 1 - y) * w + (w - 1 - x)) * size], size);
      plane.bytes = std::move(moved);
    }
  }
  return file;
}

std::string ValueOf(const Imf::Attribute& attribute) {
  Imf::StdOSStream stream;
  attribute.writeValueTo(stream, Imf::EXR_VERSION);
  return stream.str();
}

// Every attribute of every part, one by one, and nothing added.
void ExpectSameHeaders(const ExrFile& in, const ExrFile& out) {
  EXPECT_EQ(out.version, in.version);
  ASSERT_EQ(out.headers.size(), in.headers.size());
  for (std::size_t p = 0; p < in.headers.size(); ++p) {
    const Imf::Header& a = in.headers[p];
    const Imf::Header& b = out.headers[p];
    std::vector<std::string> namesIn, namesOut;
    for (auto it = a.begin(); it != a.end(); ++it) namesIn.push_back(it.name());
    for (auto it = b.begin(); it != b.end(); ++it) namesOut.push_back(it.name());
    EXPECT_EQ(namesOut, namesIn) << "part " << p;
    for (auto it = a.begin(); it != a.end(); ++it) {
      const Imf::Attribute* other = b.findTypedAttribute<Imf::Attribute>(it.name());
      if (!other) continue;
      SCOPED_TRACE(std::string("part ") + std::to_string(p) + " attribute " + it.name());
      EXPECT_STREQ(other->typeName(), it.attribute().typeName());
      EXPECT_EQ(ValueOf(*other), ValueOf(it.attribute()));
    }
  }
}

void ExpectSameSamples(const ExrFile& expected, const ExrFile& out) {
  ASSERT_EQ(out.levels.size(), expected.levels.size());
  for (std::size_t i = 0; i < expected.levels.size(); ++i) {
    const Level& a = expected.levels[i];
    const Level& b = out.levels[i];
    SCOPED_TRACE("part " + std::to_string(a.part) + " level " + std::to_string(a.lx) + "," +
                 std::to_string(a.ly));
    EXPECT_EQ(b.window, a.window);
    ASSERT_EQ(b.planes.size(), a.planes.size());
    for (const auto& [name, plane] : a.planes) {
      ASSERT_EQ(b.planes.count(name), 1u) << name;
      EXPECT_EQ(b.planes.at(name).type, plane.type) << name;
      EXPECT_TRUE(b.planes.at(name).bytes == plane.bytes) << name << " differs";
    }
  }
}

void Oiiotool(const Scratch& s, const std::string& arguments) {
  const std::string command = "cd '" + s.Dir().string() + "' && oiiotool " + arguments + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Render-layer channels of each sample type, offset data window inside a
// larger display window, a custom attribute and a pixel aspect.
std::string Layers(const std::string& compression, const std::string& tiles) {
  return "--pattern noise:type=uniform:min=-0.5:max=8:seed=7 13x7 8 "
         "--chnames R,G,B,A,diffuse.R,N.x,Z,id -d half -d N.x=float -d Z=float -d id=uint "
         "--origin +3+2 --fullsize 20x10+0+0 --attrib zarn:note kept --attrib PixelAspectRatio 2.0 "
         "--compression " +
         compression + " " + tiles + " -o in.exr";
}

struct ExrCase {
  const char* name;
  std::string make;  // oiiotool's arguments, writing in.exr
  bool lossless;
};

class ExrFileTest : public testing::TestWithParam<ExrCase> {};

TEST_P(ExrFileTest, MirroredWithEveryChannelAndAttribute) {
  const ExrCase& c = GetParam();
  Scratch s;
  Oiiotool(s, c.make);
  const Result r = s.Zarn({"run", "in.exr", "out.exr", "--horizontal", "on", "--vertical", "on"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const ExrFile in = ReadExr(s.Path("in.exr"));
  const ExrFile out = ReadExr(s.Path("out.exr"));
  ExpectSameHeaders(in, out);
  const ExrFile mirrored = Mirrored(in);
  // Lossless: the very samples, moved. Lossy: what OpenEXR gives back for
  // the moved samples written with the same header.
  if (c.lossless) ExpectSameSamples(mirrored, out);
  ExpectSameSamples(WriteAndReadBack(mirrored, s.Path("expected.exr")), out);
}

std::vector<ExrCase> Cases() {
  std::vector<ExrCase> cases;
  const std::pair<const char*, bool> compressions[] = {
      {"none", true},   {"rle", true},  {"zips", true},  {"zip", true},   {"piz", true},
      {"pxr24", false}, {"b44", false}, {"b44a", false}, {"dwaa", false}, {"dwab", false}};
  static std::vector<std::string> names;
  names.reserve(40);
  for (const auto& [compression, lossless] : compressions) {
    names.push_back(std::string("Scanline_") + compression);
    cases.push_back({names.back().c_str(), Layers(compression, ""), lossless});
    names.push_back(std::string("Tiled_") + compression);
    cases.push_back({names.back().c_str(), Layers(compression, "--tile 4 3"), lossless});
  }
  cases.push_back({"MultiPart",
                   "--pattern noise:seed=1 6x5 3 --chnames R,G,B -d half --fullsize 20x10+0+0 "
                   "--pattern noise:seed=2 13x7 3 --chnames Z,diffuse.G,crypto.id -d float --origin +2+1 "
                   "--fullsize 20x10+0+0 --siappend --compression piz -o in.exr",
                   true});
  cases.push_back(
      {"MipMapped", "--pattern noise:seed=4 16x8 4 -d half --compression zip --tile 4 4 -otex in.exr", true});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Files, ExrFileTest, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<ExrCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
