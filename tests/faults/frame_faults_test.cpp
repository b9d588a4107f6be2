// One frame through the runner's steps (decode the file's bytes, render it
// with the mirror filter, encode it again) with each allocation refused in
// turn: every refusal ends in the frame's own "not enough memory" failure
// (or the filter's refusal to render, which it answers for itself) or in
// exactly the bytes of an undisturbed run. Never a crash, a leak, or
// a frame written from half-read pixels.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "filter/mirror_filter.h"
#include "host/frame.h"
#include "host/image_io.h"
#include "platform/memory.h"
#include "support/bitmaps.h"

namespace {

constexpr long long kMostAllocations = 20000;

struct Outcome {
  bool written = false;
  std::string error;
  std::vector<std::uint8_t> bytes;
  long long allocations = 0;
};

// What the runner's worker does with one frame, minus the files.
Outcome RunWithFault(const std::vector<std::uint8_t>& file, zarn::io::FileType type, long long failAt) {
  Outcome run;
  platform::FailAllocation(failAt);
  try {
    zarn::io::Image image;
    MirrorFilter filter;
    run.written = zarn::io::Decode(file, image, run.error) &&
                  zarn::host::RenderFrame(filter, image, nullptr, nullptr, run.error) &&
                  zarn::io::Encode(image, type, run.bytes, run.error);
  } catch (const std::bad_alloc&) {
    // The runner's worker answers this with "not enough memory for this frame".
    run.written = false;
    run.error = "not enough memory (bad_alloc)";
  }
  run.allocations = platform::AllocationsCounted();
  platform::FailAllocation(0);
  if (!run.written) run.bytes.clear();
  return run;
}

// A small frame of the given type, with depth and id channels so that the
// channels' own moves are exercised too.
std::vector<std::uint8_t> SampleFile(zarn::io::FileType type) {
  zarn::io::Image image;
  std::string error;
  EXPECT_TRUE(zarn::io::Allocate(image, 12, 7, BMM_CHAN_FLOAT | BMM_CHAN_U16, error)) << error;
  const auto sample = zarntest::SampleBitmap(12, 7);
  const std::vector<BMM_Color_64> pixels = zarntest::Pixels(*sample);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    image.storage->Pixels()[i] = pixels[i];
    image.storage->FloatChannel()[i] = 1.5f * static_cast<float>(i);
    image.storage->U16Channel()[i] = static_cast<std::uint16_t>(i * 3);
  }
  image.type = type;
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(zarn::io::Encode(image, type, bytes, error)) << error;
  return bytes;
}

struct FrameCase {
  const char* name;
  zarn::io::FileType type;
};

class FrameFaults : public testing::TestWithParam<FrameCase> {};

TEST_P(FrameFaults, EveryRefusalFailsTheFrameOrChangesNothing) {
  const std::vector<std::uint8_t> file = SampleFile(GetParam().type);
  ASSERT_FALSE(file.empty());
  const Outcome clean = RunWithFault(file, GetParam().type, 0);
  ASSERT_TRUE(clean.written) << clean.error;
  long long n = 1;
  for (; n <= kMostAllocations; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " refused");
    const Outcome run = RunWithFault(file, GetParam().type, n);
    if (run.allocations < n) {
      EXPECT_TRUE(run.written) << run.error;
      EXPECT_EQ(run.bytes, clean.bytes);
      break;
    }
    if (run.written) EXPECT_EQ(run.bytes, clean.bytes) << "a frame was written from what was left";
    else
      EXPECT_TRUE(run.error.find("not enough memory") != std::string::npos ||
                  run.error == "the filter did not render the frame (answer 0)")
          << run.error;
    if (HasFailure()) break;
  }
  EXPECT_LE(n, kMostAllocations) << "still allocating after " << kMostAllocations;
}

INSTANTIATE_TEST_SUITE_P(Types, FrameFaults,
                         testing::Values(FrameCase{"Png", zarn::io::FileType::Png},
                                         FrameCase{"Exr", zarn::io::FileType::Exr}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
