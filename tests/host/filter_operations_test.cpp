// The runner's convolution, node marker and direct drawing: exact pixels
// worked out by hand on small pictures, refusals with their messages and
// the picture left as it was, and the convolution's progress and abort
// through the context's window.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "host/ops/registry.h"
#include "hostsdk/scene.h"
#include "platform/win.h"
#include "support/bitmaps.h"

namespace {

using zarn::ops::Args;
using zarn::ops::Context;
using zarn::ops::Operation;
using zarn::ops::Status;

// Runs a registered operation; error holds the message when it fails.
Status RunOp(const char* name, const std::vector<std::string>& words, Bitmap& bitmap, const Context& context,
             std::string& error) {
  const Operation* op = zarn::ops::Operations().Find(name);
  EXPECT_NE(op, nullptr) << name;
  if (!op) return Status::Failed;
  Args args;
  if (!zarn::ops::ParseArgs(*op, words, args, error)) return Status::Failed;
  return zarn::ops::Apply(*op, bitmap, args, context, error);
}

// ---- convolve ----------------------------------------------------------------------

// 3 x 3, red 100 ... 900 row by row, green 0, blue full, alpha 1000 + index.
std::unique_ptr<Bitmap> Nine() {
  auto storage = MemoryStorage::Create(3, 3);
  for (int i = 0; i < 9; ++i)
    storage->Pixels()[i] = {static_cast<std::uint16_t>(100 * (i + 1)), 0, 65535,
                            static_cast<std::uint16_t>(1000 + i)};
  return std::make_unique<Bitmap>(std::move(storage));
}

struct ConvolveCase {
  const char* name;
  std::vector<std::string> words;
  std::uint16_t red[9];
  std::uint16_t blue[9];
  std::uint16_t green = 0;  // every pixel's
};

class ConvolveOperation : public testing::TestWithParam<ConvolveCase> {};

TEST_P(ConvolveOperation, ExactPixels) {
  auto bitmap = Nine();
  std::string error;
  ASSERT_EQ(RunOp("convolve", GetParam().words, *bitmap, {}, error), Status::Done) << error;
  const std::vector<BMM_Color_64> out = zarntest::Pixels(*bitmap);
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(out[i], (BMM_Color_64{GetParam().red[i], GetParam().green, GetParam().blue[i],
                                    static_cast<std::uint16_t>(1000 + i)}));
  }
}

// box3 divides by 9 unless told otherwise; the window is cut at the edges
// and not renormalised: the corner (0, 0) is (100 + 200 + 400 + 500) / 9 =
// 133 and its blue 4 * 65535 / 9 = 29126; an edge pixel sums 6 pixels.
INSTANTIATE_TEST_SUITE_P(
    Kernels, ConvolveOperation,
    testing::Values(ConvolveCase{"Box3DividesByNine",
                                 {"kernel=box3"},
                                 {133, 233, 177, 300, 500, 366, 266, 433, 311},
                                 {29126, 43690, 29126, 43690, 65535, 43690, 29126, 43690, 29126}},
                    ConvolveCase{"ListOfOnesIsNotDivided",
                                 {"kernel=1,1,1,1,1,1,1,1,1"},
                                 {1200, 2100, 1600, 2700, 4500, 3300, 2400, 3900, 2800},
                                 {65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535}},
                    ConvolveCase{"Box3GivenDivisorTwo",
                                 {"kernel=box3", "divisor=2"},
                                 {600, 1050, 800, 1350, 2250, 1650, 1200, 1950, 1400},
                                 {65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535}},
                    // Identity, less 100, clamped, then turned over: 65535 - (v - 100).
                    ConvolveCase{"BiasAndInvert",
                                 {"kernel=0,0,0,0,1,0,0,0,0", "bias=-100", "invert=1"},
                                 {65535, 65435, 65335, 65235, 65135, 65035, 64935, 64835, 64735},
                                 {100, 100, 100, 100, 100, 100, 100, 100, 100},
                                 65535},
                    // 5 * centre - the four neighbours inside the picture; the corner
                    // (0, 0): 500 - 200 - 400 = -100 -> 0.
                    ConvolveCase{"Sharpen",
                                 {"kernel=sharpen"},
                                 {0, 100, 700, 700, 500, 1300, 2300, 1900, 3100},
                                 {65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535}},
                    ConvolveCase{"OneByOne",
                                 {"kernel=3"},
                                 {300, 600, 900, 1200, 1500, 1800, 2100, 2400, 2700},
                                 {65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535}}),
    [](const testing::TestParamInfo<ConvolveCase>& info) { return std::string(info.param.name); });

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Message&) const = default;
};
std::vector<Message> received;
int abortAtRow = -1;

LRESULT CALLBACK Recorder(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == CANVAS_PROGRESS) received.push_back({message, wParam, lParam});
  if (message == CANVAS_QUERY_ABORT) {
    received.push_back({message, wParam, 0});
    if (abortAtRow >= 0 && received.size() == 2u * static_cast<std::size_t>(abortAtRow) + 2)
      *reinterpret_cast<std::int32_t*>(lParam) = 1;
  }
  return 0;
}

// Each row is reported to the context's window; an abort there stops the
// convolution and leaves the picture as it was.
TEST(ConvolveOperation, ReportsRowsAndStopsWhenAsked) {
  HWND window = platform::CreateMessageWindow(Recorder);
  ASSERT_NE(window, nullptr);
  std::string error;
  received.clear();
  abortAtRow = -1;
  auto bitmap = Nine();
  EXPECT_EQ(RunOp("convolve", {"kernel=box3"}, *bitmap, {window}, error), Status::Done) << error;
  const std::vector<Message> rows = {{CANVAS_PROGRESS, 0, 2}, {CANVAS_QUERY_ABORT, 0, 0},
                                     {CANVAS_PROGRESS, 1, 2}, {CANVAS_QUERY_ABORT, 0, 0},
                                     {CANVAS_PROGRESS, 2, 2}, {CANVAS_QUERY_ABORT, 0, 0}};
  EXPECT_EQ(received, rows);

  received.clear();
  abortAtRow = 1;
  bitmap = Nine();
  const std::vector<BMM_Color_64> before = zarntest::Pixels(*bitmap);
  EXPECT_EQ(RunOp("convolve", {"kernel=box3"}, *bitmap, {window}, error), Status::Aborted);
  EXPECT_EQ(error, "convolve: aborted");
  EXPECT_EQ(received, std::vector<Message>(rows.begin(), rows.begin() + 4));
  EXPECT_EQ(zarntest::Pixels(*bitmap), before);
  platform::DestroyMessageWindow(window);
}

// ---- node-marker -------------------------------------------------------------------

// A camera at the origin looking down -z, 90 degrees across a 21 x 11
// frame: focal length 10.5 pixels, centre (10.5, 5.5). The ball at
// (2, 1, -5) lands at x = 10.5 + 2 * 10.5 / 5 = 14.7 -> 15 and
// y = 5.5 - 1 * 10.5 / 5 = 3.4 -> 3 (each + 0.5, truncated).
struct MarkerScene {
  MarkerScene() : info(21, 11, 90.0f) {
    scene.PlaceNode("ball", Point3(2, 1, -5));
    scene.PlaceNode("corner", Point3(-10.5f, 5.5f, -10.5f));  // (0, 0) exactly
    scene.PlaceNode("behind", Point3(0, 0, 5));
    scene.PlaceNode("far", Point3(1e30f, 0, -1));
  }
  Scene scene;
  CameraRenderInfo info;
};

using Pixel = std::pair<int, int>;

struct MarkerCase {
  const char* name;
  std::vector<std::string> words;
  std::set<Pixel> drawn;
};

class NodeMarker : public testing::TestWithParam<MarkerCase> {};

TEST_P(NodeMarker, DrawsTheCrossAtTheProjectedPixel) {
  MarkerScene s;
  auto bitmap = zarntest::PositionBitmap(21, 11);
  static_cast<MemoryStorage*>(bitmap->Storage())->SetRenderInfo(&s.info);
  const std::vector<BMM_Color_64> before = zarntest::Pixels(*bitmap);
  std::string error;
  std::vector<std::string> words = GetParam().words;
  words.push_back("color=1,2,3,4");
  ASSERT_EQ(RunOp("node-marker", words, *bitmap, {nullptr, &s.scene}, error), Status::Done) << error;
  const std::vector<BMM_Color_64> after = zarntest::Pixels(*bitmap);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 21; ++x)
      EXPECT_EQ(after[y * 21 + x],
                (GetParam().drawn.count({x, y}) ? BMM_Color_64{1, 2, 3, 4} : before[y * 21 + x]))
          << x << "," << y;
}

std::set<Pixel> Cross(int x, int y, int size) {
  std::set<Pixel> pixels;
  for (int d = -size; d <= size; ++d) {
    if (x + d >= 0 && x + d < 21) pixels.insert({x + d, y});
    if (y + d >= 0 && y + d < 11) pixels.insert({x, y + d});
  }
  return pixels;
}

std::set<Pixel> Both() {
  std::set<Pixel> pixels = Cross(15, 3, 2);
  for (const Pixel& p : Cross(0, 0, 2)) pixels.insert(p);
  return pixels;
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, NodeMarker,
    testing::Values(MarkerCase{"Ball", {"name=ball", "size=2"}, Cross(15, 3, 2)},
                    MarkerCase{"CutAtTheCorner", {"name=corner", "size=2"}, Cross(0, 0, 2)},
                    MarkerCase{"LongArmsCutAtTheEdges", {"name=ball", "size=30"}, Cross(15, 3, 30)},
                    // Without a name: every node in front of the camera.
                    MarkerCase{"EveryNodeInFront", {"size=2"}, Both()}),
    [](const testing::TestParamInfo<MarkerCase>& info) { return std::string(info.param.name); });

TEST(NodeMarker, RefusalsNameTheNodeAndLeaveThePicture) {
  MarkerScene s;
  const struct {
    const char* name;
    std::vector<std::string> words;
    bool scene;
    std::string error;
  } rows[] = {
      {"NoScene", {"name=ball"}, false, "node-marker: no scene: give one with --scene FILE"},
      {"NoSuchNode", {"name=cube"}, true, "node-marker: name=cube: the scene has no such node"},
      {"BehindTheCamera",
       {"name=behind"},
       true,
       "node-marker: name=behind: the node is not in front of the camera"},
      {"FarOutside",
       {"name=far"},
       true,
       "node-marker: name=far: the node projects too far outside the picture"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto bitmap = zarntest::PositionBitmap(21, 11);
    if (row.scene) static_cast<MemoryStorage*>(bitmap->Storage())->SetRenderInfo(&s.info);
    const std::vector<BMM_Color_64> before = zarntest::Pixels(*bitmap);
    std::string error;
    EXPECT_EQ(RunOp("node-marker", row.words, *bitmap, {nullptr, row.scene ? &s.scene : nullptr}, error),
              Status::Failed);
    EXPECT_EQ(error, row.error);
    EXPECT_EQ(zarntest::Pixels(*bitmap), before);
  }
}

// ---- Runs and masks straight into the bitmap -----------------------------------------

struct DirectCase {
  const char* name;
  const char* op;
  std::vector<std::string> words;
  int width, height;
  std::set<Pixel> drawn;
  std::string error;  // empty when the call succeeds
};

class DirectDrawing : public testing::TestWithParam<DirectCase> {};

TEST_P(DirectDrawing, ExactPixelsOrTheRefusal) {
  const DirectCase& c = GetParam();
  auto bitmap = zarntest::PositionBitmap(c.width, c.height);
  const std::vector<BMM_Color_64> before = zarntest::Pixels(*bitmap);
  std::vector<std::string> words = c.words;
  words.push_back("color=7,8,9,10");
  std::string error;
  const Status status = RunOp(c.op, words, *bitmap, {}, error);
  EXPECT_EQ(status, c.error.empty() ? Status::Done : Status::Failed);
  EXPECT_EQ(error, c.error);
  const std::vector<BMM_Color_64> after = zarntest::Pixels(*bitmap);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * c.width + x;
      EXPECT_EQ(after[i], (c.drawn.count({x, y}) ? BMM_Color_64{7, 8, 9, 10} : before[i])) << x << "," << y;
    }
}

// One band: the top row's leftmost bit and the bottom row's rightmost.
const std::string kCorners = "80" + std::string(28, '0') + "01";

INSTANTIATE_TEST_SUITE_P(
    Runs, DirectDrawing,
    testing::Values(
        DirectCase{"RowFromLeftOfThePicture",
                   "hrun",
                   {"x=-2", "y=1", "length=5"},
                   6,
                   4,
                   {{0, 1}, {1, 1}, {2, 1}},
                   ""},
        DirectCase{"RowToTheEdge", "hrun", {"x=3", "y=3", "length=3"}, 6, 4, {{3, 3}, {4, 3}, {5, 3}}, ""},
        // The host refuses column 6; the run is undone.
        DirectCase{
            "RowPastTheEdge",
            "hrun",
            {"x=3", "y=1", "length=5"},
            6,
            4,
            {},
            "hrun: the host refused pixels of the run from (3, 1) across 5: it leaves the 6 x 4 picture"},
        DirectCase{
            "RowBelowThePicture",
            "hrun",
            {"x=0", "y=4", "length=1"},
            6,
            4,
            {},
            "hrun: the host refused pixels of the run from (0, 4) across 1: it leaves the 6 x 4 picture"},
        DirectCase{"EmptyRow", "hrun", {"x=1", "y=1", "length=0"}, 6, 4, {}, ""},
        DirectCase{"ColumnFromAbove", "vrun", {"x=2", "y=-1", "length=3"}, 6, 4, {{2, 0}, {2, 1}}, ""},
        DirectCase{
            "ColumnPastTheEdge",
            "vrun",
            {"x=5", "y=2", "length=3"},
            6,
            4,
            {},
            "vrun: the host refused pixels of the run from (5, 2) down 3: it leaves the 6 x 4 picture"},
        DirectCase{
            "MaskOneBand", "mask", {"x=1", "y=2", "pattern=" + kCorners}, 10, 20, {{1, 2}, {8, 17}}, ""},
        // Band 0 on rows 18 ... 33 (its last row off the picture), band 1
        // 16 rows higher on rows 2 ... 17.
        DirectCase{"MaskBandsStackUpward",
                   "mask",
                   {"x=1", "y=18", "bands=2", "pattern=" + kCorners},
                   10,
                   20,
                   {{1, 18}, {1, 2}, {8, 17}},
                   ""},
        // Bits off the left edge are skipped; the pattern's next byte starts
        // 8 columns on.
        DirectCase{"MaskLeftOfThePicture",
                   "mask",
                   {"x=-8", "y=0", "pattern=" + std::string("80C0") + std::string(60, '0')},
                   10,
                   20,
                   {{0, 0}, {1, 0}},
                   ""},
        DirectCase{"MaskPatternNotWholeRows",
                   "mask",
                   {"pattern=8"},
                   10,
                   20,
                   {},
                   "mask: pattern=8: not zarn, checker or hex digits for 16 rows of whole bytes"}),
    [](const testing::TestParamInfo<DirectCase>& info) { return std::string(info.param.name); });

}  // namespace
