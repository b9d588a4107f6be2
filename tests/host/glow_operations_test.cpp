// The blur, depth and star operations of the runner: each passes its
// arguments to the toolkit call they name (the result equals the call made
// directly), and the ones that need a channel refuse pictures without it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "host/ops/registry.h"
#include "support/bitmaps.h"

namespace {

using zarn::ops::Args;
using zarn::ops::Operation;
using zarn::ops::Status;

constexpr int kWidth = 40;
constexpr int kHeight = 30;

// Seeded random colours (a few of them bright), depths -5 ... -70 with some
// pixels without depth, and ids 0 ... 2.
std::unique_ptr<Bitmap> Sample(std::uint32_t channels) {
  auto storage = MemoryStorage::Create(kWidth, kHeight, channels);
  std::mt19937 random(7);
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const bool bright = random() % 16 == 0;
    const auto c = [&] {
      return static_cast<std::uint16_t>(bright ? 60000 + random() % 5536 : random() % 50000);
    };
    storage->Pixels()[i] = {c(), c(), c(), static_cast<std::uint16_t>(random())};
    if (float *depth = storage->FloatChannel()) depth[i] = random() % 10 == 0 ? 1e30f : -5.0f - random() % 66;
    if (std::uint16_t *id = storage->U16Channel()) id[i] = static_cast<std::uint16_t>(random() % 3);
  }
  return std::make_unique<Bitmap>(std::move(storage));
}

struct GlowCase {
  const char *name;
  const char *op;
  std::vector<std::string> words;
  std::function<void(SourceCanvas &)> direct;
};

class GlowOperation : public testing::TestWithParam<GlowCase> {};

TEST_P(GlowOperation, EqualsTheToolkitCall) {
  const GlowCase &c = GetParam();
  const Operation *op = zarn::ops::Operations().Find(c.op);
  ASSERT_NE(op, nullptr);
  Args args;
  std::string error;
  ASSERT_TRUE(zarn::ops::ParseArgs(*op, c.words, args, error)) << error;
  auto viaOperation = Sample(BMM_CHAN_FLOAT | BMM_CHAN_U16);
  const std::vector<BMM_Color_64> before = zarntest::Pixels(*viaOperation);
  ASSERT_EQ(zarn::ops::Apply(*op, *viaOperation, args, {}, error), Status::Done) << error;

  auto direct = Sample(BMM_CHAN_FLOAT | BMM_CHAN_U16);
  {
    SourceCanvas canvas(nullptr, nullptr, direct.get());
    canvas.RequestChannel(BMM_CHAN_FLOAT);
    canvas.RequestChannel(BMM_CHAN_U16);
    c.direct(canvas);
    canvas.Store();
  }
  const std::vector<BMM_Color_64> after = zarntest::Pixels(*viaOperation);
  EXPECT_EQ(after, zarntest::Pixels(*direct));
  EXPECT_NE(after, before);
}

const BMM_Color_64 kLight{1000, 2000, 3000, 4000};

INSTANTIATE_TEST_SUITE_P(
    Operations, GlowOperation,
    testing::Values(GlowCase{"Blur", "blur", {"radius=3", "id=1"}, [](SourceCanvas &c) { c.Blur(1, 3); }},
                    GlowCase{"BlurDefaults", "blur", {}, [](SourceCanvas &c) { c.Blur(-1, 4); }},
                    GlowCase{"DepthBlur",
                             "depth-blur",
                             {"focus=40", "range=50", "max-radius=5", "id=2"},
                             [](SourceCanvas &c) { c.DepthBlur(2, 40.0f, 50.0f, 5); }},
                    GlowCase{"DepthBlurDefaults",
                             "depth-blur",
                             {},
                             [](SourceCanvas &c) { c.DepthBlur(-1, 10.0f, 100.0f, 8); }},
                    GlowCase{"DepthGrey", "depth-grey", {"id=0"}, [](SourceCanvas &c) { c.DepthToGrey(0); }},
                    GlowCase{"Star",
                             "star",
                             {"cx=10", "cy=20", "radius=9", "rays=5", "start-degrees=7",
                              "color=1000,2000,3000,4000"},
                             [](SourceCanvas &c) { c.DrawStar(10, 20, kLight, 9, 5, 7.0f); }},
                    GlowCase{"Sparkle",
                             "sparkle",
                             {"threshold=240", "radius=5", "rays=3", "start-degrees=10", "use-colour=1",
                              "color=1000,2000,3000,4000", "id=1"},
                             [](SourceCanvas &c) { c.Sparkle(1, 1, kLight, 5, 240, 3, 10.0f); }},
                    GlowCase{"SparkleOwnColour",
                             "sparkle",
                             {"threshold=250"},
                             [](SourceCanvas &c) {
                               c.Sparkle(-1, 0, BMM_Color_64{65535, 65535, 65535, 65535}, 16, 250, 4, 0.0f);
                             }}),
    [](const testing::TestParamInfo<GlowCase> &info) { return std::string(info.param.name); });

TEST(GlowOperation, RefusesPicturesWithoutTheChannelItNeeds) {
  const struct {
    const char *op;
    std::vector<std::string> words;
    std::uint32_t channels;
    std::string error;
  } rows[] = {
      {"depth-blur",
       {},
       BMM_CHAN_U16,
       "depth-blur: the image has no depth channel (use an EXR with a Z "
       "channel)"},
      {"depth-grey",
       {},
       0,
       "depth-grey: the image has no depth channel (use an EXR with a Z "
       "channel)"},
      {"depth-blur", {"id=1"}, BMM_CHAN_FLOAT, "depth-blur: id=1: the image has no object-id channel"},
      {"blur", {"id=2"}, BMM_CHAN_FLOAT, "blur: id=2: the image has no object-id channel"},
      {"sparkle", {"id=0"}, 0, "sparkle: id=0: the image has no object-id channel"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.error);
    const Operation *op = zarn::ops::Operations().Find(row.op);
    ASSERT_NE(op, nullptr);
    Args args;
    std::string error;
    ASSERT_TRUE(zarn::ops::ParseArgs(*op, row.words, args, error)) << error;
    auto bitmap = Sample(row.channels);
    const std::vector<BMM_Color_64> before = zarntest::Pixels(*bitmap);
    EXPECT_EQ(zarn::ops::Apply(*op, *bitmap, args, {}, error), Status::Failed);
    EXPECT_EQ(error, row.error);
    EXPECT_EQ(zarntest::Pixels(*bitmap), before);
  }
}

}  // namespace
