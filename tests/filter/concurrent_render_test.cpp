// Several filter objects rendering at once in one process, as a host's
// queue may run them: each thread makes its own filter through the class
// descriptor, restores its own configuration and renders its own frames;
// every frame must come out exactly as the same filter renders it alone.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "frame/exports.h"
#include "frame/plugin_info.h"
#include "hostsdk/filter.h"
#include "support/bitmaps.h"

namespace {

struct ConcurrentCase {
  const char* name;
  int threads;
  int framesPerThread;
  int maxSide;
};

struct FrameJob {
  int width;
  int height;
  std::uint32_t seed;
  std::int32_t horizontal;
  std::int32_t vertical;
};

struct FilterDeleter {
  void operator()(ImageFilter* filter) const { delete filter; }
};
using FilterPtr = std::unique_ptr<ImageFilter, FilterDeleter>;

// A filter as the host makes it: through the module's class descriptor,
// its configuration restored from a saved block.
FilterPtr MakeFilter(std::int32_t horizontal, std::int32_t vertical) {
  ClassDescriptor* desc = LibClassDesc(0);
  if (!desc) return nullptr;
  FilterPtr filter(static_cast<ImageFilter*>(desc->Create(0)));
  if (!filter) return nullptr;
  std::int32_t block[3] = {static_cast<std::int32_t>(kPluginIdent), horizontal, vertical};
  if (filter->LoadConfigure(block) != 1) return nullptr;
  return filter;
}

// Seeded random pixels, with depth and id channels that must not matter.
std::unique_ptr<Bitmap> MakeFrame(const FrameJob& job) {
  auto storage = MemoryStorage::Create(job.width, job.height, BMM_CHAN_FLOAT | BMM_CHAN_U16);
  std::mt19937 random(job.seed);
  for (int i = 0; i < job.width * job.height; ++i) {
    storage->Pixels()[i] = {static_cast<std::uint16_t>(random()), static_cast<std::uint16_t>(random()),
                            static_cast<std::uint16_t>(random()), static_cast<std::uint16_t>(random())};
    storage->FloatChannel()[i] = -static_cast<float>(i);
    storage->U16Channel()[i] = static_cast<std::uint16_t>(i);
  }
  return std::make_unique<Bitmap>(std::move(storage));
}

// One filter rendering its frames in turn; false on any refusal.
bool RenderAll(const std::vector<FrameJob>& jobs, std::vector<std::vector<BMM_Color_64>>& out,
               std::atomic<int>* start, int threads) {
  if (jobs.empty()) return true;
  FilterPtr filter = MakeFilter(jobs[0].horizontal, jobs[0].vertical);
  if (!filter) return false;
  if (start) {
    // Every thread has its filter before any renders, so renders overlap.
    start->fetch_add(1);
    while (start->load() < threads) std::this_thread::yield();
  }
  ImageFilterInfo info;
  for (std::size_t f = 0; f < jobs.size(); ++f) {
    info.cursorRange = FrameRange(0, static_cast<int>(jobs.size()), static_cast<int>(f));
    auto bitmap = MakeFrame(jobs[f]);
    filter->SetFilterInfo(&info);
    filter->SetSource(bitmap.get());
    if (filter->Render(nullptr) != 1) return false;
    filter->SetSource(nullptr);
    out.push_back(zarntest::Pixels(*bitmap));
  }
  return true;
}

class ConcurrentRender : public ::testing::TestWithParam<ConcurrentCase> {};

TEST_P(ConcurrentRender, EachFrameEqualsTheSameFilterAlone) {
  const ConcurrentCase& c = GetParam();
  // Thread t's filter has configuration t % 4 (every pair of flags), and
  // frames of their own sizes and contents.
  std::vector<std::vector<FrameJob>> jobs(c.threads);
  std::mt19937 sizes(static_cast<std::uint32_t>(c.threads * 131 + c.maxSide));
  for (int t = 0; t < c.threads; ++t)
    for (int f = 0; f < c.framesPerThread; ++f)
      jobs[t].push_back({1 + static_cast<int>(sizes() % c.maxSide), 1 + static_cast<int>(sizes() % c.maxSide),
                         static_cast<std::uint32_t>(t * 1000 + f), t % 2, (t / 2) % 2});

  std::vector<std::vector<std::vector<BMM_Color_64>>> alone(c.threads);
  for (int t = 0; t < c.threads; ++t) ASSERT_TRUE(RenderAll(jobs[t], alone[t], nullptr, 0)) << "thread " << t;

  std::vector<std::vector<std::vector<BMM_Color_64>>> together(c.threads);
  std::vector<char> ok(c.threads, 0);
  std::atomic<int> start{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < c.threads; ++t)
    workers.emplace_back([&, t] { ok[t] = RenderAll(jobs[t], together[t], &start, c.threads) ? 1 : 0; });
  for (std::thread& w : workers) w.join();

  for (int t = 0; t < c.threads; ++t) {
    SCOPED_TRACE(testing::Message() << "thread " << t);
    ASSERT_TRUE(ok[t]);
    ASSERT_EQ(together[t].size(), alone[t].size());
    for (std::size_t f = 0; f < alone[t].size(); ++f) {
      SCOPED_TRACE(testing::Message() << "frame " << f);
      EXPECT_TRUE(together[t][f] == alone[t][f]);
    }
  }
  // The concurrent run is no copy of an unchanged picture: every
  // configuration but "neither" moved some pixel of a frame wider or
  // taller than one.
  for (int t = 0; t < c.threads; ++t) {
    const FrameJob& job = jobs[t][0];
    if ((job.horizontal && job.width > 1) || (job.vertical && job.height > 1)) {
      EXPECT_FALSE(together[t][0] == zarntest::Pixels(*MakeFrame(job))) << "thread " << t;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ConcurrentRender,
                         ::testing::Values(ConcurrentCase{"TwoFiltersManyFrames", 2, 24, 40},
                                           ConcurrentCase{"FourFiltersEveryConfiguration", 4, 12, 64},
                                           ConcurrentCase{"EightFiltersSmallFrames", 8, 16, 9},
                                           ConcurrentCase{"FourFiltersOnePixelFrames", 4, 8, 1}),
                         [](const testing::TestParamInfo<ConcurrentCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
