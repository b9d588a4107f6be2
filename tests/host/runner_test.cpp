// The runner cases both builds run: what the host reads from the module,
// and one frame mirrored through it.
#include "runner.h"

#include <gtest/gtest.h>

#include "platform/module.h"

using zarn::io::Image;
using namespace zarntest;

namespace {

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

}  // namespace
