// The runner cases both builds run: what the host reads from the module,
// one frame mirrored through it, and a scene node marked on a frame.
#include "runner.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/module.h"

using zarn::io::Image;
using namespace zarntest;

namespace {

std::vector<std::uint8_t> Text(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(Runner, InfoPrintsWhatTheHostReads) {
  Scratch s;
  const Result r = s.Zarn({"info"});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* line :
       {"version      110\n", "classes      1\n", "class 0\n", "  name       Zarn\n",
        "  family     3584 (0xE00)\n", "  class id   0x43FD4178 0x26147C48\n", "  category   Image Filter\n",
        "  filter     Zarn\n", "  ident      0x43FD4178\n", "  flags      6\n",
        "  config     12 bytes: 78 41 FD 43 01 00 00 00 00 00 00 00\n"}) {
    EXPECT_NE(r.out.find(line), std::string::npos) << "missing line: " << line << "in:\n" << r.out;
  }
  EXPECT_EQ(r.out.rfind("module       ", 0), 0u);
  EXPECT_NE(r.out.find(platform::HasModuleResources()
                           ? "  dialogs    about 101, control 102\n"
                           : "  dialogs    none in the native build (use ./zarn --win32)\n"),
            std::string::npos);
}

TEST(Runner, MirrorsOnePngFile) {
  Scratch s;
  Image in = PositionImage(5, 3);
  Save(s.Path("in.png"), in);
  const Result r = s.Zarn({"run", "in.png", "out.png"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ExpectMirrored(PixelsOf(in), PixelsOf(Load(s.Path("out.png"))), 5, 3, true, false);
}

// A camera at the origin looking down -z, 90 degrees across a 21 x 11
// frame: focal length 10.5 pixels, centre (10.5, 5.5). At frame 4 the ball
// is at (2, 1, -5): x = 10.5 + 2 * 10.5 / 5 = 14.7 and y = 5.5 - 1 * 10.5 / 5
// = 3.4, + 0.5 and truncated: (15, 3). Before, it sat straight ahead at
// (10.5, 5.5) -> (11, 6).
TEST(Runner, ApplyNodeMarkerWhereTheSceneSaysAtThatFrame) {
  Scratch s;
  Image in = PositionImage(21, 11);
  Save(s.Path("in.png"), in);
  WriteBytes(s.Path("scene.json"), Text(R"({
    "camera": {"position": [0, 0, 0], "target": [0, 0, -1], "fov": 90},
    "nodes": [{"name": "ball", "positions": {"0": [0, 0, -5], "4": [2, 1, -5]}}]
  })"));
  for (const auto& [frame, x, y] : {std::tuple{"4", 15, 3}, std::tuple{"3", 11, 6}}) {
    SCOPED_TRACE(frame);
    const Result r = s.Zarn({"apply", "node-marker", "name=ball", "size=2", "color=#ff0000", "--scene",
                             "scene.json", "--frame", frame, "in.png", "out.png"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<BMM_Color_64> expected = PixelsOf(in);
    for (int d = -2; d <= 2; ++d) {
      expected[y * 21 + x + d] = {65535, 0, 0, 65535};
      expected[(y + d) * 21 + x] = {65535, 0, 0, 65535};
    }
    EXPECT_TRUE(PixelsOf(Load(s.Path("out.png"))) == expected);
  }
}

}  // namespace
