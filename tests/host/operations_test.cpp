// The runner's operation schema: every registered operation runs with its
// defaults and its gallery arguments; argument checks give exact messages;
// the shared wrapper reports memory, refusals and aborts, and hands the
// canvas the context's window.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "host/ops/registry.h"
#include "platform/win.h"
#include "support/bitmaps.h"

namespace {

using zarn::ops::Args;
using zarn::ops::Catalogue;
using zarn::ops::Operation;
using zarn::ops::Output;
using zarn::ops::Param;
using zarn::ops::Status;

constexpr int kTileWidth = 192;  // the gallery's tile, which the gallery arguments are made for
constexpr int kTileHeight = 128;

struct Picture {
  std::unique_ptr<Bitmap> bitmap;
  MemoryStorage* storage = nullptr;
};

// The shared sample picture (random colours, depth and object ids).
Picture Sample() {
  Picture p;
  p.bitmap = zarntest::SampleBitmap(kTileWidth, kTileHeight);
  p.storage = static_cast<MemoryStorage*>(p.bitmap->Storage());
  return p;
}

// The scene the operations that need one run in: a camera at the origin
// looking down -z, 90 degrees across the 192 columns, and one node 10 in
// front of it, which lands on the tile's centre.
struct SampleScene {
  SampleScene() : info(kTileWidth, kTileHeight, 90.0f) { scene.PlaceNode("ball", Point3(0, 0, -10)); }
  Scene scene;
  CameraRenderInfo info;
};

struct OperationCase {
  const Operation* op;
  bool gallery;
};

std::string CaseName(const testing::TestParamInfo<OperationCase>& info) {
  std::string name;
  bool upper = true;
  for (char c : info.param.op->name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      upper = true;
      continue;
    }
    name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    upper = false;
  }
  return name + (info.param.gallery ? "Gallery" : "Defaults");
}

std::vector<OperationCase> AllCases() {
  std::vector<OperationCase> cases;
  for (const Operation& op : zarn::ops::Operations().All()) {
    cases.push_back({&op, false});
    cases.push_back({&op, true});
  }
  return cases;
}

class EveryOperation : public testing::TestWithParam<OperationCase> {
 protected:
  // Runs the operation on a fresh sample; fails the test unless it is done.
  Picture Run(const Args& args) {
    Picture p = Sample();
    std::string error;
    zarn::ops::Context context;
    if (GetParam().op->needsScene) {
      p.storage->SetRenderInfo(&scene_.info);
      context.scene = &scene_.scene;
    }
    EXPECT_EQ(zarn::ops::Apply(*GetParam().op, *p.bitmap, args, context, error), Status::Done) << error;
    p.storage->SetRenderInfo(nullptr);
    return p;
  }
  SampleScene scene_;
};

TEST_P(EveryOperation, CompletesAndChangesOnlyWhatItShould) {
  const Operation& op = *GetParam().op;
  Args args;
  std::string error;
  ASSERT_TRUE(
      zarn::ops::ParseArgs(op, GetParam().gallery ? op.galleryArgs : std::vector<std::string>{}, args, error))
      << error;
  const Picture input = Sample();
  const std::vector<BMM_Color_64> before = zarntest::Pixels(*input.bitmap);
  const Picture first = Run(args);
  const std::vector<BMM_Color_64> after = zarntest::Pixels(*first.bitmap);
  ASSERT_EQ(first.bitmap->Width(), kTileWidth);
  ASSERT_EQ(first.bitmap->Height(), kTileHeight);
  ASSERT_EQ(after.size(), before.size());
  if (op.output == Output::Drawing) {
    // Only the drawing colour appears; every other pixel and the extra
    // channels stay as they were; something is drawn.
    const BMM_Color_64 ink = args.Color("color");
    int drawn = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
      if (after[i] == before[i]) continue;
      ASSERT_EQ(after[i], ink) << "pixel " << i % kTileWidth << "," << i / kTileWidth;
      ++drawn;
    }
    EXPECT_GT(drawn, 0);
    for (std::size_t i = 0; i < after.size(); ++i) {
      ASSERT_EQ(first.storage->FloatChannel()[i], input.storage->FloatChannel()[i]) << i;
      ASSERT_EQ(first.storage->U16Channel()[i], input.storage->U16Channel()[i]) << i;
    }
  } else {
    // The same input gives the same output, to the last bit.
    const Picture second = Run(args);
    EXPECT_EQ(zarntest::Pixels(*second.bitmap), after);
  }
}

INSTANTIATE_TEST_SUITE_P(Registered, EveryOperation, testing::ValuesIn(AllCases()), CaseName);

TEST(Catalogue, NamesAreUniqueAndEveryRowIsComplete) {
  Catalogue c;
  c.Add({"twice", "test", "first", {}, nullptr, {}});
  EXPECT_THROW(c.Add({"twice", "test", "second", {}, nullptr, {}}), std::logic_error);
  EXPECT_EQ(c.All().size(), 1u);
  EXPECT_EQ(c.Find("twice")->summary, "first");
  EXPECT_EQ(c.Find("none"), nullptr);
  for (const Operation& op : zarn::ops::Operations().All()) {
    SCOPED_TRACE(op.name);
    EXPECT_TRUE(op.run);
    EXPECT_FALSE(op.family.empty());
    EXPECT_FALSE(op.summary.empty());
    if (op.output == Output::Drawing) {
      ASSERT_FALSE(op.params.empty());
      EXPECT_EQ(op.params.back().name, "color");
    }
  }
}

// ---- Argument checks -------------------------------------------------------------

// An operation whose table has one parameter of each shape.
Operation Table() {
  using zarn::ops::Color;
  using zarn::ops::Float;
  using zarn::ops::Int;
  return Operation{"blur",
                   "test",
                   "a table to check arguments against",
                   {Float("radius", "2", "").AtLeast(0), Int("count", "3", "").Range(1, 10),
                    Float("factor", "0.5", "").Above(0).AtMost(1), Int("anchor", "0", "").OneOf({0, 1, -1}),
                    Float("any", "-1.5", ""), Int("whole", "7", ""), Color("color", "#ff8000", ""),
                    zarn::ops::IntList("kernel", "edge", "")
                        .OddSquare()
                        .Named({{"edge", {0, -1, 0, -1, 4, -1, 0, -1, 0}}, {"one", {1}}}),
                    Int("divisor", "", "").Optional("none")},
                   nullptr,
                   {}};
}

struct ArgsCase {
  const char* name;
  std::vector<std::string> words;
  std::string error;  // empty when the words are accepted
};

class ArgumentCheck : public testing::TestWithParam<ArgsCase> {};

TEST_P(ArgumentCheck, ExactMessage) {
  Args args;
  std::string error;
  const bool ok = zarn::ops::ParseArgs(Table(), GetParam().words, args, error);
  EXPECT_EQ(ok, GetParam().error.empty());
  EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Words, ArgumentCheck,
    testing::Values(
        ArgsCase{"Defaults", {}, ""}, ArgsCase{"AtTheBounds", {"radius=0", "count=10", "factor=1"}, ""},
        ArgsCase{"BelowMinimum", {"radius=-3"}, "blur: radius=-3 is below 0"},
        ArgsCase{"AboveMaximum", {"count=11"}, "blur: count=11 is above 10"},
        ArgsCase{"WholeBelowMinimum", {"count=0"}, "blur: count=0 is below 1"},
        ArgsCase{"ExcludedMinimum", {"factor=0"}, "blur: factor=0 is not above 0"},
        ArgsCase{"NotAChoice", {"anchor=2"}, "blur: anchor=2 is not one of 0, 1, -1"},
        ArgsCase{"Infinity", {"any=inf"}, "blur: any=inf is not a finite number"},
        ArgsCase{"OverflowsToInfinity", {"any=1e39"}, "blur: any=1e39 is not a finite number"},
        ArgsCase{"NaN", {"radius=nan"}, "blur: radius=nan is not a finite number"},
        ArgsCase{"NotANumber", {"radius=wide"}, "blur: radius='wide' is not a number"},
        ArgsCase{"TrailingJunk", {"radius=3px"}, "blur: radius='3px' is not a number"},
        ArgsCase{"LeadingBlank", {"radius= 3"}, "blur: radius=' 3' is not a number"},
        ArgsCase{"EmptyValue", {"radius="}, "blur: radius='' is not a number"},
        ArgsCase{"FractionForWhole", {"count=2.5"}, "blur: count='2.5' is not a whole number"},
        ArgsCase{"HugeWhole", {"count=99999999999"}, "blur: count=99999999999 is above 10"},
        ArgsCase{"BeyondThirtyTwoBits", {"whole=2147483648"}, "blur: whole=2147483648 is above 2147483647"},
        ArgsCase{"BadColour",
                 {"color=#12345"},
                 "blur: color='#12345' is not a colour (#rrggbb, #rrggbbaa or r,g,b[,a] in 0..65535)"},
        ArgsCase{"ColourOutOfRange",
                 {"color=1,2,65536"},
                 "blur: color='1,2,65536' is not a colour (#rrggbb, #rrggbbaa or r,g,b[,a] in 0..65535)"},
        ArgsCase{"UnknownName", {"radious=3"}, "blur: unknown parameter 'radious'"},
        ArgsCase{"Repeated", {"radius=1", "count=2", "radius=1"}, "blur: parameter 'radius' given twice"},
        ArgsCase{"MissingEquals", {"radius"}, "blur: expected key=value, got 'radius'"},
        ArgsCase{"MissingName", {"=3"}, "blur: expected key=value, got '=3'"},
        ArgsCase{"KernelList", {"kernel=1,-2,3,4,5,6,7,8,2147483647"}, ""},
        ArgsCase{"KernelOfOne", {"kernel=-7"}, ""}, ArgsCase{"KernelByName", {"kernel=one"}, ""},
        ArgsCase{
            "KernelOfFive", {"kernel=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25"}, ""},
        ArgsCase{"KernelNotSquare",
                 {"kernel=0,-1,0,-1,5,-1,0,-1"},
                 "blur: kernel has 8 values; a square of odd side is needed (1, 9, 25, 49 ... values)"},
        ArgsCase{"KernelEvenSquare",
                 {"kernel=1,1,1,1"},
                 "blur: kernel has 4 values; a square of odd side is needed (1, 9, 25, 49 ... values)"},
        ArgsCase{
            "KernelUnknownName",
            {"kernel=sharpen"},
            "blur: kernel='sharpen' is not a list of whole numbers separated by commas or one of edge, one"},
        ArgsCase{
            "KernelEmptyEntry",
            {"kernel=1,,1"},
            "blur: kernel='1,,1' is not a list of whole numbers separated by commas or one of edge, one"},
        ArgsCase{"KernelFraction",
                 {"kernel=0.5"},
                 "blur: kernel='0.5' is not a list of whole numbers separated by commas or one of edge, one"},
        ArgsCase{"KernelBeyondThirtyTwoBits",
                 {"kernel=0,0,0,0,2147483648,0,0,0,0"},
                 "blur: kernel=0,0,0,0,2147483648,0,0,0,0 holds 2147483648, which is above 2147483647"},
        ArgsCase{"OptionalGiven", {"divisor=3"}, ""},
        ArgsCase{"OptionalMalformed", {"divisor="}, "blur: divisor='' is not a whole number"}),
    [](const testing::TestParamInfo<ArgsCase>& info) { return std::string(info.param.name); });

TEST(ArgumentCheck, ValuesAndDefaultsAreReadBack) {
  Args args;
  std::string error;
  ASSERT_TRUE(
      zarn::ops::ParseArgs(Table(), {"radius=2.25", "whole=-2147483648", "color=1,2,3"}, args, error));
  EXPECT_EQ(args.Float("radius"), 2.25f);
  EXPECT_EQ(args.Int("count"), 3);
  EXPECT_EQ(args.Float("factor"), 0.5f);
  EXPECT_EQ(args.Int("whole"), -2147483647 - 1);
  EXPECT_EQ(args.Color("color"), (BMM_Color_64{1, 2, 3, 65535}));
  ASSERT_TRUE(zarn::ops::ParseArgs(Table(), {"color=#ff800040"}, args, error));
  EXPECT_EQ(args.Float("radius"), 2.0f);
  EXPECT_EQ(args.Color("color"), (BMM_Color_64{65535, 32896, 0, 16448}));
  // Lists by value or by name; an optional parameter only when given.
  EXPECT_EQ(args.IntList("kernel"), (std::vector<int>{0, -1, 0, -1, 4, -1, 0, -1, 0}));
  EXPECT_EQ(args.ListName("kernel"), "edge");
  EXPECT_FALSE(args.Has("divisor"));
  EXPECT_THROW(args.Int("divisor"), std::logic_error);
  ASSERT_TRUE(
      zarn::ops::ParseArgs(Table(), {"kernel=-1,2,-3,4,-5,6,-7,8,-2147483648", "divisor=0"}, args, error));
  EXPECT_EQ(args.IntList("kernel"), (std::vector<int>{-1, 2, -3, 4, -5, 6, -7, 8, -2147483647 - 1}));
  EXPECT_EQ(args.ListName("kernel"), "");
  EXPECT_TRUE(args.Has("divisor"));
  EXPECT_EQ(args.Int("divisor"), 0);
  // A name the table lacks, or read as the wrong kind, is the body's fault.
  EXPECT_THROW(args.Float("radious"), std::logic_error);
  EXPECT_THROW(args.Int("radius"), std::logic_error);
}

TEST(ArgumentCheck, RangesInWords) {
  using zarn::ops::Float;
  using zarn::ops::Int;
  const struct {
    Param param;
    const char* text;
  } rows[] = {
      {Float("a", "0", ""), ""},
      {Int("a", "0", ""), ""},
      {Int("a", "0", "").Range(0, 12), "0 to 12"},
      {Int("a", "0", "").Range(1, 1 << 24), "1 to 16777216"},
      {Int("a", "0", "").AtLeast(1), "at least 1"},
      {Float("a", "0", "").AtMost(2.5), "at most 2.5"},
      {Float("a", "1", "").Above(0.5), "above 0.5"},
      {Float("a", "1", "").Above(0).AtMost(1), "above 0, at most 1"},
      {Float("a", "0", "").Range(-1048576, 1048576), "-1048576 to 1048576"},
      {Int("a", "0", "").OneOf({0, 1, -1, 2}), "one of 0, 1, -1, 2"},
      {zarn::ops::Color("a", "#000000", ""), ""},
      {zarn::ops::IntList("a", "1", ""), "numbers separated by commas"},
      {zarn::ops::IntList("a", "1", "").OddSquare().Named({{"sharpen", {1}}, {"box3", {1}}}),
       "a list of 1, 9, 25, 49 ... numbers, or one of sharpen, box3"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.param.RangeText(), row.text);
}

// ---- The shared wrapper ------------------------------------------------------------

// Paints rows white one by one, reporting each row and asking whether to
// stop before it, as the long effects do.
bool PaintRows(SourceCanvas& canvas, const Args&, std::string&) {
  for (int y = 0; y < canvas.height; ++y) {
    SendMessageA(canvas.window, CANVAS_PROGRESS, static_cast<WPARAM>(y), canvas.height - 1);
    SendMessageA(canvas.window, CANVAS_QUERY_ABORT, 0, reinterpret_cast<LPARAM>(&canvas.aborted));
    if (canvas.aborted) break;
    for (int x = 0; x < canvas.width; ++x) canvas.pixels[y * canvas.width + x] = {65535, 65535, 65535, 65535};
  }
  return true;
}

struct Message {
  UINT message;
  WPARAM wParam;
  bool operator==(const Message&) const = default;
};
std::vector<Message> received;
int abortAtRow = -1;

LRESULT CALLBACK Recorder(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back({message, message == CANVAS_PROGRESS ? wParam : 0});
  if (message == CANVAS_PROGRESS) {
    EXPECT_EQ(lParam, 3);
  }
  if (message == CANVAS_QUERY_ABORT && abortAtRow >= 0 &&
      received.size() == 2u * static_cast<std::size_t>(abortAtRow) + 2)
    *reinterpret_cast<std::int32_t*>(lParam) = 1;
  return 0;
}

TEST(Wrapper, GivesTheCanvasTheWindowAndStoresOnlyWhatFinished) {
  const Operation op{"paint", "test", "", {}, zarn::ops::OnCanvas<SourceCanvas>(PaintRows), {}};
  const Args args;
  const BMM_Color_64 white{65535, 65535, 65535, 65535};
  HWND window = platform::CreateMessageWindow(Recorder);
  ASSERT_NE(window, nullptr);
  const std::vector<Message> fourRows = {
      {CANVAS_PROGRESS, 0}, {CANVAS_QUERY_ABORT, 0}, {CANVAS_PROGRESS, 1}, {CANVAS_QUERY_ABORT, 0},
      {CANVAS_PROGRESS, 2}, {CANVAS_QUERY_ABORT, 0}, {CANVAS_PROGRESS, 3}, {CANVAS_QUERY_ABORT, 0}};
  std::string error;

  received.clear();
  abortAtRow = -1;
  auto bitmap = zarntest::PositionBitmap(2, 4);
  EXPECT_EQ(zarn::ops::Apply(op, *bitmap, args, {window}, error), Status::Done);
  EXPECT_EQ(received, fourRows);
  EXPECT_EQ(zarntest::Pixels(*bitmap), std::vector<BMM_Color_64>(8, white));

  // Stopped before row 2: the bitmap is left as it was.
  received.clear();
  abortAtRow = 2;
  bitmap = zarntest::PositionBitmap(2, 4);
  const std::vector<BMM_Color_64> before = zarntest::Pixels(*bitmap);
  EXPECT_EQ(zarn::ops::Apply(op, *bitmap, args, {window}, error), Status::Aborted);
  EXPECT_EQ(error, "paint: aborted");
  EXPECT_EQ(received, std::vector<Message>(fourRows.begin(), fourRows.begin() + 6));
  EXPECT_EQ(zarntest::Pixels(*bitmap), before);
  platform::DestroyMessageWindow(window);

  // Without a window the operation runs to the end.
  bitmap = zarntest::PositionBitmap(2, 4);
  EXPECT_EQ(zarn::ops::Apply(op, *bitmap, args, {}, error), Status::Done);
  EXPECT_EQ(zarntest::Pixels(*bitmap), std::vector<BMM_Color_64>(8, white));
}

bool Refuse(Canvas& canvas, const Args&, std::string& error) {
  canvas.pixels[0] = {1, 2, 3, 4};
  error = "size=3: too big";
  return false;
}
bool RunOutOfMemory(Canvas&, const Args&, std::string&) { throw std::bad_alloc(); }
bool ReadUnknownName(Canvas&, const Args& args, std::string&) { return args.Int("nope") == 0; }
bool Succeed(Canvas&, const Args&, std::string&) { return true; }

TEST(Wrapper, FailuresNameTheOperationAndLeaveThePicture) {
  const struct {
    const char* name;
    zarn::ops::Runner run;
    int size;
    std::string error;
  } rows[] = {
      {"Refused", zarn::ops::OnCanvas<Canvas>(Refuse), 3, "op: size=3: too big"},
      {"BodyOutOfMemory", zarn::ops::OnCanvas<Canvas>(RunOutOfMemory), 3, "op: not enough memory"},
      {"CanvasOutOfMemory", zarn::ops::OnCanvas<Canvas>(Succeed), 60000,
       "op: not enough memory for the canvas"},
      {"NameNotInTable", zarn::ops::OnCanvas<Canvas>(ReadUnknownName), 3,
       "op: the operation reads a whole number 'nope', which its table does not have"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Operation op{"op", "test", "", {}, row.run, {}};
    std::unique_ptr<Bitmap> bitmap = row.size > 3 ? zarntest::HollowBitmap(row.size, row.size)
                                                  : zarntest::PositionBitmap(row.size, row.size);
    const std::vector<BMM_Color_64> before =
        row.size > 3 ? std::vector<BMM_Color_64>{} : zarntest::Pixels(*bitmap);
    std::string error;
    EXPECT_EQ(zarn::ops::Apply(op, *bitmap, Args{}, {}, error), Status::Failed);
    EXPECT_EQ(error, row.error);
    if (row.size <= 3) {
      EXPECT_EQ(zarntest::Pixels(*bitmap), before);
    }
  }
}

}  // namespace
