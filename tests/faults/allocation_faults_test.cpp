// Every registered operation, run with each of its allocations refused in
// turn (the first, then the second, ... until a run makes fewer than n):
// every refusal ends in "not enough memory" with the picture unchanged, or
// in the full result, or (for an effect that can do without its scratch
// block) in the picture unchanged. Text, which tells the user itself with its
// "Memory Error" box and stops, may leave the lines before it. Never a
// crash, never a silently half-made picture; the sanitizer build checks that
// nothing leaks.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "host/ops/registry.h"
#include "hostsdk/scene.h"
#include "platform/gdi.h"
#include "platform/memory.h"
#include "support/bitmaps.h"

namespace {

using zarn::ops::Args;
using zarn::ops::Operation;
using zarn::ops::Status;

constexpr int kWidth = 48;
constexpr int kHeight = 32;
constexpr long long kMostAllocations = 20000;

struct Outcome {
  Status status;
  std::string error;
  std::vector<BMM_Color_64> pixels;
  long long allocations;
  int memoryBoxes;  // "Memory Error" boxes shown
};

int memoryBoxes = 0;

// For the operations that mark scene nodes: a camera at the origin looking
// down -z and one node in front of it.
struct SampleScene {
  SampleScene() : info(kWidth, kHeight, 90.0f) { scene.PlaceNode("ball", Point3(1, 1, -10)); }
  Scene scene;
  CameraRenderInfo info;
};

Outcome RunWithFault(const Operation& op, const Args& args, long long failAt) {
  auto picture = zarntest::SampleBitmap(kWidth, kHeight);
  static SampleScene sample;
  zarn::ops::Context context;
  if (op.needsScene) {
    static_cast<MemoryStorage*>(picture->Storage())->SetRenderInfo(&sample.info);
    context.scene = &sample.scene;
  }
  Outcome run;
  memoryBoxes = 0;
  // Set before the count starts; counting a box allocates nothing.
  platform::SetMessageBoxHook([](HWND, LPCSTR, LPCSTR caption, UINT) {
    if (std::string_view(caption) == "Memory Error") ++memoryBoxes;
    return IDOK;
  });
  platform::FailAllocation(failAt);
  run.status = zarn::ops::Apply(op, *picture, args, context, run.error);
  run.allocations = platform::AllocationsCounted();
  platform::FailAllocation(0);
  platform::SetMessageBoxHook(nullptr);
  run.memoryBoxes = memoryBoxes;
  run.pixels = zarntest::Pixels(*picture);
  return run;
}

std::string CaseName(const testing::TestParamInfo<const Operation*>& info) {
  std::string name;
  for (char c : info.param->name)
    if (std::isalnum(static_cast<unsigned char>(c))) name += c;
  return name;
}

std::vector<const Operation*> AllOperations() {
  std::vector<const Operation*> out;
  for (const Operation& op : zarn::ops::Operations().All()) out.push_back(&op);
  return out;
}

class AllocationFaults : public testing::TestWithParam<const Operation*> {};

TEST_P(AllocationFaults, EveryRefusalEndsCleanly) {
  const Operation& op = *GetParam();
  Args args;
  std::string error;
  ASSERT_TRUE(zarn::ops::ParseArgs(op, op.galleryArgs, args, error)) << error;
  const std::vector<BMM_Color_64> before = zarntest::Pixels(*zarntest::SampleBitmap(kWidth, kHeight));
  Outcome clean = RunWithFault(op, args, 0);
  // Gallery arguments made for a larger tile may leave this picture; the
  // defaults then.
  if (clean.status != Status::Done) {
    ASSERT_TRUE(zarn::ops::ParseArgs(op, {}, args, error)) << error;
    clean = RunWithFault(op, args, 0);
  }
  if (clean.status != Status::Done) GTEST_SKIP() << op.name << " does not run here: " << clean.error;
  long long n = 1;
  for (; n <= kMostAllocations; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " refused");
    const Outcome run = RunWithFault(op, args, n);
    if (run.allocations < n) {
      EXPECT_EQ(run.status, Status::Done);
      EXPECT_EQ(run.pixels, clean.pixels);
      break;
    }
    if (run.status == Status::Done) {
      EXPECT_TRUE(run.pixels == clean.pixels || run.pixels == before || run.memoryBoxes > 0)
          << "a half-made picture was stored without a word";
    } else {
      EXPECT_EQ(run.status, Status::Failed);
      EXPECT_NE(run.error.find("not enough memory"), std::string::npos) << run.error;
      EXPECT_EQ(run.pixels, before);
    }
    if (HasFailure()) break;
  }
  EXPECT_LE(n, kMostAllocations) << "still allocating after " << kMostAllocations;
}

INSTANTIATE_TEST_SUITE_P(Registered, AllocationFaults, testing::ValuesIn(AllOperations()), CaseName);

}  // namespace
