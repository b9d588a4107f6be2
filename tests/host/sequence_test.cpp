// Frame planning, one step at a time, on small folders of empty files (the
// planner looks only at names).
#include "host/sequence.h"

#include <gtest/gtest.h>

#include <fstream>

#include "runner.h"

namespace fs = std::filesystem;
using zarn::host::CheckFrames;
using zarn::host::Frame;
using zarn::host::InputFrames;
using zarn::host::InputKind;
using zarn::host::ListInputs;
using zarn::host::OutputKind;
using zarn::host::PlaceFrames;
using zarn::host::SelectFrames;

namespace {

// A name in quotes as pattern errors give it.
std::string Quoted(const std::string& name) { return std::string(1, '\'').append(name).append(1, '\''); }

class Planning : public ::testing::Test {
 protected:
  void Touch(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      fs::create_directories(fs::path(s_.Path(name)).parent_path());
      std::ofstream(s_.Path(name)).put('x');
    }
  }
  std::string P(const std::string& name) const { return s_.Path(name); }
  // The listed frames as "number:file name".
  static std::vector<std::string> Listed(const InputFrames& inputs) {
    std::vector<std::string> out;
    for (const auto& [n, path] : inputs.byNumber)
      out.push_back(std::to_string(n) + ":" + fs::path(path).filename().string());
    return out;
  }
  zarntest::Scratch s_;
};

TEST_F(Planning, PatternListsOnlyNamesItWouldWrite) {
  Touch({"seq/f.0007.png", "seq/f.7.png", "seq/f.0012.png", "seq/f.-001.png", "seq/f.0003.exr",
         "seq/g.0001.png", "seq/f.00x1.png"});
  InputFrames inputs;
  std::string error;
  ASSERT_TRUE(ListInputs(P("seq/f.%04d.png"), inputs, error)) << error;
  EXPECT_EQ(inputs.kind, InputKind::Pattern);
  EXPECT_EQ(Listed(inputs), (std::vector<std::string>{"-1:f.-001.png", "7:f.0007.png", "12:f.0012.png"}));
  EXPECT_EQ(inputs.byNumber.at(7), P("seq/f.0007.png"));

  ASSERT_TRUE(ListInputs(P("seq/f.%d.png"), inputs, error)) << error;
  EXPECT_EQ(Listed(inputs), (std::vector<std::string>{"7:f.7.png"}));
}

TEST_F(Planning, FolderNumbersByTrailingDigitsWhenDistinctElseByPosition) {
  Touch({"a/shot10.png", "a/shot2.exr", "a/.hidden3.png", "a/notes5.txt", "b/x1.png", "b/y1.png", "b/z.png"});
  InputFrames inputs;
  std::string error;
  ASSERT_TRUE(ListInputs(P("a"), inputs, error)) << error;
  EXPECT_EQ(inputs.kind, InputKind::Folder);
  EXPECT_EQ(Listed(inputs), (std::vector<std::string>{"2:shot2.exr", "10:shot10.png"}));
  ASSERT_TRUE(ListInputs(P("b"), inputs, error)) << error;
  EXPECT_EQ(Listed(inputs), (std::vector<std::string>{"1:x1.png", "2:y1.png", "3:z.png"}));
}

TEST_F(Planning, FileIsOneFrameNumberedByItsName) {
  Touch({"shot.0042.png", "plain.png"});
  InputFrames inputs;
  std::string error;
  ASSERT_TRUE(ListInputs(P("shot.0042.png"), inputs, error)) << error;
  EXPECT_EQ(inputs.kind, InputKind::File);
  EXPECT_EQ(Listed(inputs), (std::vector<std::string>{"42:shot.0042.png"}));
  ASSERT_TRUE(ListInputs(P("plain.png"), inputs, error)) << error;
  EXPECT_EQ(Listed(inputs), (std::vector<std::string>{"1:plain.png"}));
}

TEST_F(Planning, ListingErrors) {
  Touch({"empty/readme.txt"});
  struct Case {
    std::string in, error;
  } cases[] = {
      {P("gone/f.%d.png"), "no such folder: " + P("gone")},
      {P("empty/f.%d.png"), "no frames match " + P("empty/f.%d.png")},
      {P("empty"), "no PNG or EXR images in " + P("empty")},
      {P("nothing.png"), "no such file or folder: " + P("nothing.png")},
      {P("f.%d.%d.png"), Quoted(P("f.%d.%d.png")) + ": a frame pattern takes only one %d"},
      {P("f.%x.png"), Quoted(P("f.%x.png")) + ": a frame pattern takes one %d, %4d or %04d"},
      {P("f%d/x.png"), Quoted(P("f%d/x.png")) + ": the frame number must be in the file name, not a folder"},
  };
  for (const Case& c : cases) {
    InputFrames inputs;
    std::string error;
    EXPECT_FALSE(ListInputs(c.in, inputs, error)) << c.in;
    EXPECT_EQ(error, c.error);
  }
}

InputFrames PatternInputs(const std::vector<long long>& numbers) {
  InputFrames inputs;
  std::string error;
  zarn::host::ParsePattern("f.%03d.png", inputs.pattern, error);
  inputs.kind = InputKind::Pattern;
  for (long long n : numbers) inputs.byNumber[n] = inputs.pattern.Format(n);
  return inputs;
}

std::vector<long long> Numbers(const std::vector<Frame>& frames) {
  std::vector<long long> out;
  for (const Frame& f : frames) out.push_back(f.number);
  return out;
}

TEST(PlanningSelect, RangeTakesEveryFrameInItOrAll) {
  const InputFrames inputs = PatternInputs({1, 2, 3, 5, 8});
  std::vector<Frame> frames;
  std::string error;
  ASSERT_TRUE(SelectFrames(inputs, std::nullopt, frames, error));
  EXPECT_EQ(Numbers(frames), (std::vector<long long>{1, 2, 3, 5, 8}));
  ASSERT_TRUE(SelectFrames(inputs, std::make_pair(2LL, 3LL), frames, error));
  EXPECT_EQ(Numbers(frames), (std::vector<long long>{2, 3}));
  EXPECT_EQ(frames[1].input, "f.003.png");
  EXPECT_TRUE(frames[1].output.empty());
}

TEST(PlanningSelect, MissingFramesAreNamed) {
  struct Case {
    long long first, last;
    std::string error;
  } cases[] = {
      {4, 4, "missing frame in 4-4: f.004.png"},
      {1, 8, "missing frames in 1-8: f.004.png, f.006.png, f.007.png"},
      {9, 20,
       "missing frames in 9-20: f.009.png, f.010.png, f.011.png, f.012.png, "
       "f.013.png and 7 more"},
      {0, 99999,
       "missing frames in 0-99999: f.000.png, f.004.png, f.006.png, f.007.png, "
       "f.009.png and 99990 more"},
      {0, 10000000, "--frames 0-10000000: at most 10000000 frames at once"},
  };
  const InputFrames inputs = PatternInputs({1, 2, 3, 5, 8});
  for (const Case& c : cases) {
    std::vector<Frame> frames;
    std::string error;
    EXPECT_FALSE(SelectFrames(inputs, std::make_pair(c.first, c.last), frames, error));
    EXPECT_EQ(error, c.error);
    EXPECT_TRUE(frames.empty());
  }
  InputFrames folder = inputs;
  folder.kind = InputKind::Folder;
  std::vector<Frame> frames;
  std::string error;
  EXPECT_FALSE(SelectFrames(folder, std::make_pair(4LL, 4LL), frames, error));
  EXPECT_EQ(error, "missing frame in 4-4: frame 4");
}

std::vector<Frame> Inputs(const std::vector<std::pair<long long, std::string>>& list) {
  std::vector<Frame> frames;
  for (const auto& [n, path] : list) frames.push_back({n, path, {}});
  return frames;
}

// A folder output as the platform joins it.
std::string In(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).string();
}

std::vector<std::string> Outputs(const std::vector<Frame>& frames) {
  std::vector<std::string> out;
  for (const Frame& f : frames) out.push_back(f.output);
  return out;
}

TEST_F(Planning, PlacesByPatternFolderOrFile) {
  Touch({"existing/keep.txt"});
  const std::vector<Frame> two = Inputs({{3, "in/a.0003.png"}, {4, "in/a.0004.exr"}});
  struct Case {
    std::string out;
    InputKind inputKind;
    OutputKind kind;
    std::vector<std::string> outputs;
  } cases[] = {
      {"o/b.%02d.exr", InputKind::Pattern, OutputKind::Pattern, {"o/b.03.exr", "o/b.04.exr"}},
      {"o/", InputKind::Pattern, OutputKind::Folder, {"o/a.0003.png", "o/a.0004.exr"}},
      {"newfolder",
       InputKind::Folder,
       OutputKind::Folder,
       {In("newfolder", "a.0003.png"), In("newfolder", "a.0004.exr")}},
      {P("existing"),
       InputKind::Pattern,
       OutputKind::Folder,
       {In(P("existing"), "a.0003.png"), In(P("existing"), "a.0004.exr")}},
  };
  for (const Case& c : cases) {
    std::vector<Frame> frames = two;
    OutputKind kind;
    std::string error;
    ASSERT_TRUE(PlaceFrames(c.out, c.inputKind, frames, kind, error)) << c.out << ": " << error;
    EXPECT_EQ(kind, c.kind) << c.out;
    EXPECT_EQ(Outputs(frames), c.outputs);
  }
  std::vector<Frame> one = Inputs({{1, "in.png"}});
  OutputKind kind;
  std::string error;
  ASSERT_TRUE(PlaceFrames("out.exr", InputKind::File, one, kind, error)) << error;
  EXPECT_EQ(kind, OutputKind::File);
  EXPECT_EQ(Outputs(one), (std::vector<std::string>{"out.exr"}));
}

TEST(PlanningPlace, Errors) {
  const std::vector<Frame> two = Inputs({{3, "in/a.png"}, {4, "in/b.png"}});
  struct Case {
    std::string out;
    InputKind inputKind;
    std::vector<Frame> frames;
    std::string error;
  } cases[] = {
      {"out.png", InputKind::Pattern, two,
       "OUT must be a folder or a pattern (like out.%04d.png) for 2 frames"},
      {"out.%d.tif", InputKind::Pattern, two,
       "out.3.tif: cannot tell the image type from the name (use .png or "
       ".exr)"},
      {"out.tif", InputKind::File, Inputs({{1, "in.png"}}),
       "out.tif: cannot tell the image type from the name (use .png or .exr)"},
      {"dir/", InputKind::Folder, Inputs({{1, "in/a.txt"}}),
       "dir/a.txt: cannot tell the image type from the name (use .png or "
       ".exr)"},
      {"o.%d.%d.png", InputKind::Pattern, two, "'o.%d.%d.png': a frame pattern takes only one %d"},
  };
  for (Case& c : cases) {
    OutputKind kind;
    std::string error;
    EXPECT_FALSE(PlaceFrames(c.out, c.inputKind, c.frames, kind, error)) << c.out;
    EXPECT_EQ(error, c.error);
  }
}

TEST_F(Planning, CheckRefusesCollisionsAndAccidentalOverwrites) {
  Touch({"in/a.1.png", "in/a.2.png"});
  InputFrames inputs;
  std::string error;
  ASSERT_TRUE(ListInputs(P("in/a.%d.png"), inputs, error)) << error;
  struct Case {
    std::vector<Frame> frames;
    OutputKind kind;
    std::string error;  // empty: accepted
  } cases[] = {
      {{{1, P("in/a.1.png"), P("o/x.png")}, {2, P("in/a.2.png"), P("o/../o/x.png")}},
       OutputKind::Pattern,
       "two frames would be written to " + P("o/../o/x.png")},
      {{{1, P("in/a.1.png"), P("in/a.2.png")}},
       OutputKind::File,
       P("in/a.2.png") + " is an input frame and would be overwritten; name it "
                         "as the output to replace it"},
      {{{1, P("in/a.1.png"), P("in/a.1.png")}},
       OutputKind::Folder,
       P("in/a.1.png") + " is an input frame and would be overwritten; name it "
                         "as the output to replace it"},
      {{{1, P("in/a.1.png"), P("in/./a.1.png")}}, OutputKind::Pattern, ""},
      {{{1, P("in/a.1.png"), P("in/a.1.png")}}, OutputKind::File, ""},
  };
  for (const Case& c : cases) {
    std::string message;
    EXPECT_EQ(CheckFrames(inputs, c.frames, c.kind, message), c.error.empty()) << c.error;
    EXPECT_EQ(message, c.error);
  }
}

}  // namespace
