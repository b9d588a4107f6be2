// Convolution of a filter's source bitmap: the clipped window, undivided
// borders, alpha from the copy, exact 64-bit sums, and the row protocol of
// progress and abort messages.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "filter/mirror_filter.h"
#include "platform/win.h"
#include "support/bitmaps.h"

namespace {

using zarntest::Pixels;
using zarntest::PositionBitmap;
using zarntest::PositionColor;

std::unique_ptr<Bitmap> BitmapOf(int w, int h, const std::vector<BMM_Color_64>& pixels) {
  auto storage = MemoryStorage::Create(w, h);
  for (std::size_t i = 0; i < pixels.size(); ++i) storage->Pixels()[i] = pixels[i];
  return std::make_unique<Bitmap>(std::move(storage));
}

std::vector<BMM_Color_64> Uniform(int w, int h, BMM_Color_64 c) {
  return std::vector<BMM_Color_64>(static_cast<std::size_t>(w) * h, c);
}

// Every channel of every pixel drawn from the whole 16-bit range.
std::vector<BMM_Color_64> RandomPicture(int w, int h, std::mt19937& random) {
  std::uniform_int_distribution<int> channel(0, 65535);
  std::vector<BMM_Color_64> pixels(static_cast<std::size_t>(w) * h);
  for (BMM_Color_64& p : pixels)
    p = BMM_Color_64{static_cast<std::uint16_t>(channel(random)), static_cast<std::uint16_t>(channel(random)),
                     static_cast<std::uint16_t>(channel(random)),
                     static_cast<std::uint16_t>(channel(random))};
  return pixels;
}

// The convolution as plain loops over every pixel and every offset of its
// clipped window, with sums wide enough never to wrap.
std::vector<BMM_Color_64> Reference(const std::vector<BMM_Color_64>& src, int w, int h,
                                    const std::vector<std::int32_t>& kernel, int size, int divisor, int bias,
                                    int invert) {
  std::vector<BMM_Color_64> out(src.size());
  const int half = size / 2;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      long long sum[3] = {0, 0, 0};
      for (int dy = std::max(-half, -y); dy <= std::min(half, h - 1 - y); ++dy)
        for (int dx = std::max(-half, -x); dx <= std::min(half, w - 1 - x); ++dx) {
          const BMM_Color_64& p = src[static_cast<std::size_t>(y + dy) * w + x + dx];
          const long long k = kernel[static_cast<std::size_t>(dy + half) * size + dx + half];
          sum[0] += p.r * k;
          sum[1] += p.g * k;
          sum[2] += p.b * k;
        }
      std::uint16_t v[3];
      for (int c = 0; c < 3; ++c) {
        long long s = sum[c];
        if (divisor > 1) s /= divisor;
        s += bias;
        s = s < 0 ? 0 : s > 65535 ? 65535 : s;
        if (invert == 1) s = 65535 - s;
        v[c] = static_cast<std::uint16_t>(s);
      }
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      out[i] = BMM_Color_64{v[0], v[1], v[2], src[i].a};
    }
  return out;
}

struct RandomCase {
  const char* name;
  int w, h, size, coefficientRange, divisor, bias, invert;
};

class ConvolveMatchesReference : public ::testing::TestWithParam<RandomCase> {};

TEST_P(ConvolveMatchesReference, OnSeededRandomPictures) {
  const RandomCase& c = GetParam();
  std::mt19937 random(12345u + static_cast<unsigned>(c.size * 31 + c.w));
  std::uniform_int_distribution<int> coefficient(-c.coefficientRange, c.coefficientRange);
  for (int round = 0; round < 3; ++round) {
    std::vector<BMM_Color_64> src = RandomPicture(c.w, c.h, random);
    std::vector<std::int32_t> kernel(static_cast<std::size_t>(c.size) * c.size);
    for (std::int32_t& k : kernel) k = coefficient(random);
    auto bitmap = BitmapOf(c.w, c.h, src);
    MirrorFilter filter;
    filter.SetSource(bitmap.get());
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_EQ(filter.Convolve(nullptr, kernel.data(), c.size, c.divisor, c.bias, c.invert), 1);
    EXPECT_EQ(Pixels(*bitmap), Reference(src, c.w, c.h, kernel, c.size, c.divisor, c.bias, c.invert));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvolveMatchesReference,
    ::testing::Values(RandomCase{"Identity1x1", 7, 5, 1, 1, 1, 0, 0},
                      RandomCase{"Sharpen3x3", 17, 11, 3, 4, 1, 0, 0},
                      RandomCase{"Mean3x3Divided", 16, 9, 3, 9, 9, 100, 0},
                      RandomCase{"Edges5x5Inverted", 13, 12, 5, 3, 2, -5000, 1},
                      RandomCase{"Kernel9x9", 20, 14, 9, 5, 40, 0, 0},
                      RandomCase{"KernelWiderThanPicture", 2, 2, 5, 6, 3, 0, 0},
                      RandomCase{"OneRow", 9, 1, 3, 8, 4, 0, 0}, RandomCase{"OneColumn", 1, 9, 3, 8, 4, 0, 2},
                      RandomCase{"NegativeDivisorMeansNone", 8, 6, 3, 2, -7, 0, 0},
                      RandomCase{"ZeroDivisorMeansNone", 8, 6, 3, 2, 0, -30000, 0},
                      // Sums far beyond 32 bits: clamped, not wrapped.
                      RandomCase{"HugeCoefficients", 10, 8, 3, 2000000000, 1000000, 7, 0},
                      RandomCase{"HugeCoefficientsUndivided", 10, 8, 5, 2000000000, 1, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Given kernels on seeded random pictures: coefficients at the ends of the
// 16-bit range, biases at the edge of what 32 bits hold with the largest
// sums, negative sums divided, and rows whose whole-window stretch leaves
// 0 to 3 pixels over after groups of four.
struct KernelCase {
  const char* name;
  int w, h, size;
  std::vector<std::int32_t> kernel;
  int divisor, bias, invert;
};

class ConvolveKernelMatchesReference : public ::testing::TestWithParam<KernelCase> {};

TEST_P(ConvolveKernelMatchesReference, OnSeededRandomPictures) {
  const KernelCase& c = GetParam();
  std::mt19937 random(777u + static_cast<unsigned>(c.w * 13 + c.h));
  for (int round = 0; round < 3; ++round) {
    std::vector<BMM_Color_64> src = RandomPicture(c.w, c.h, random);
    // Some pure white and black, for the largest sums of either sign.
    src[0] = BMM_Color_64{65535, 0, 65535, 1};
    src[src.size() / 2] = BMM_Color_64{65535, 65535, 65535, 2};
    auto bitmap = BitmapOf(c.w, c.h, src);
    MirrorFilter filter;
    filter.SetSource(bitmap.get());
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_EQ(filter.Convolve(nullptr, c.kernel.data(), c.size, c.divisor, c.bias, c.invert), 1);
    EXPECT_EQ(Pixels(*bitmap), Reference(src, c.w, c.h, c.kernel, c.size, c.divisor, c.bias, c.invert));
  }
}

// 32767 * 65535 + 98302 + 32768 = 2^31 - 1.
const std::vector<std::int32_t> kCentre32767 = {0, 0, 0, 0, 32767, 0, 0, 0, 0};
const std::vector<std::int32_t> kCentreMinus32767 = {0, 0, 0, 0, -32767, 0, 0, 0, 0};
const std::vector<std::int32_t> kCentreMinus32768 = {0, 0, 0, 0, -32768, 0, 0, 0, 0};
const std::vector<std::int32_t> kEdges = {-1, -2, -1, 0, 0, 0, 1, 2, 1};
const std::vector<std::int32_t> kOdd5x5 = {3,  -1, 0, 2, -7, 0,  5, -3, 1, 0,  9, -9, 1,
                                           -2, 4,  0, 6, -5, -4, 8, 1,  0, -6, 2, 7};

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvolveKernelMatchesReference,
    ::testing::Values(KernelCase{"Largest16BitCoefficient", 10, 5, 3, kCentre32767, 1, 98302, 0},
                      KernelCase{"BiasOnePastWhat32BitsHold", 10, 5, 3, kCentre32767, 1, 98303, 0},
                      KernelCase{"Largest16BitCoefficientNegativeBias", 10, 5, 3, kCentre32767, 1, -98302, 1},
                      KernelCase{"LeastNegative16BitCoefficient", 11, 5, 3, kCentreMinus32767, 1, 65535, 0},
                      KernelCase{"LeastNegative16BitCoefficientBiasAtTheEdge", 11, 5, 3, kCentreMinus32767, 1,
                                 -98302, 0},
                      KernelCase{"Int16MinCoefficient", 11, 5, 3, kCentreMinus32768, 1, 65535, 0},
                      KernelCase{"NegativeSumsDivided", 12, 6, 3, kEdges, 7, 30000, 0},
                      KernelCase{"NegativeSumsDividedInverted", 13, 6, 3, kEdges, 3, 0, 1},
                      KernelCase{"FourPixelsOver5x5", 8, 7, 5, kOdd5x5, 1, 0, 0},
                      KernelCase{"FivePixelsOver5x5", 9, 7, 5, kOdd5x5, 2, 100, 0},
                      KernelCase{"SixPixelsOver5x5", 10, 7, 5, kOdd5x5, 1, -100, 1},
                      KernelCase{"SevenPixelsOver5x5", 11, 7, 5, kOdd5x5, 5, 0, 0},
                      KernelCase{"OneWholeWindowARow", 5, 7, 5, kOdd5x5, 1, 0, 0},
                      KernelCase{"NoWholeWindow", 4, 7, 5, kOdd5x5, 1, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The 3 x 3 mean on the position fixture, worked out by hand: the centre
// sums the whole block, the corner only the 2 x 2 block that exists, both
// divided by 9; alpha stays.
TEST(Convolve, MeanOfClippedWindowIsNotRenormalised) {
  auto bitmap = PositionBitmap(3, 3);
  MirrorFilter filter;
  filter.SetSource(bitmap.get());
  const std::int32_t ones[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  ASSERT_EQ(filter.Convolve(nullptr, ones, 3, 9, 0, 0), 1);
  const std::vector<BMM_Color_64> out = Pixels(*bitmap);
  // Centre: r = (0+1+2)*3 + 10*(0+1+2)*3 = 99, g = 9009, b = 18009.
  EXPECT_EQ(out[4], (BMM_Color_64{11, 1001, 2001, PositionColor(1, 1).a}));
  // Corner (0, 0): r = 0+1+10+11 = 22, g = 4002, b = 8002.
  EXPECT_EQ(out[0], (BMM_Color_64{2, 444, 889, PositionColor(0, 0).a}));
  // Corner (2, 2): r = 11+12+21+22 = 66, g = 4006, b = 8006.
  EXPECT_EQ(out[8], (BMM_Color_64{7, 445, 889, PositionColor(2, 2).a}));
}

struct HandCase {
  const char* name;
  std::vector<std::int32_t> kernel;
  int divisor, bias, invert;
  BMM_Color_64 in, expected;
};

class ConvolveByHand : public ::testing::TestWithParam<HandCase> {};

TEST_P(ConvolveByHand, UniformPicture) {
  const HandCase& c = GetParam();
  const int size = c.kernel.size() == 1 ? 1 : 3;
  auto bitmap = BitmapOf(3, 3, Uniform(3, 3, c.in));
  MirrorFilter filter;
  filter.SetSource(bitmap.get());
  ASSERT_EQ(filter.Convolve(nullptr, c.kernel.data(), size, c.divisor, c.bias, c.invert), 1);
  // The centre pixel sees the whole kernel.
  EXPECT_EQ(Pixels(*bitmap)[4], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvolveByHand,
    ::testing::Values(
        HandCase{"IdentityKeepsEveryChannel", {1}, 1, 0, 0, {1, 2, 65535, 77}, {1, 2, 65535, 77}},
        HandCase{"BiasBelowRangeClampsToZero", {1}, 1, -65536, 0, {65535, 9, 0, 5}, {0, 0, 0, 5}},
        HandCase{"ClampedThenInverted", {1}, 1, -65536, 1, {65535, 9, 0, 5}, {65535, 65535, 65535, 5}},
        HandCase{"InvertOtherThanOneKeeps", {1}, 1, 0, 2, {100, 200, 300, 4}, {100, 200, 300, 4}},
        // 65535 * 40000 leaves 32 bits; the exact quotient is the input.
        HandCase{"LargeGainDividedBack", {40000}, 40000, 0, 0, {65535, 53688, 1, 9}, {65535, 53688, 1, 9}},
        // 1 + 2147483647 leaves 32 bits: the bias is added exactly.
        HandCase{"BiasAtIntMax", {1}, 1, INT_MAX, 0, {1, 0, 65535, 3}, {65535, 65535, 65535, 3}},
        HandCase{"BiasAtIntMin", {1}, 1, INT_MIN, 0, {65535, 0, 1, 3}, {0, 0, 0, 3}},
        // Nine products of 65535 * (2^31 - 1) and no divisor: far above 65535.
        // With INT_MIN: g = trunc(-9 * 2^31 / (2^31 - 1)) + 65535 = 65526.
        HandCase{"IntMaxKernel",
                 {INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                 1,
                 0,
                 0,
                 {65535, 1, 0, 6},
                 {65535, 65535, 0, 6}},
        HandCase{"IntMinKernel",
                 {INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN},
                 INT_MAX,
                 65535,
                 0,
                 {65535, 1, 0, 6},
                 {0, 65526, 65535, 6}}),
    [](const auto& info) { return std::string(info.param.name); });

// A kernel so large that its sums could leave 64 bits takes the exact wide
// path: mirrored offsets of +M and -M cancel on a uniform picture where the
// whole kernel fits, leaving the centre coefficient.
TEST(Convolve, SumsBeyondSixtyFourBitsStayExact) {
  const int n = 113;  // 225 x 225 reachable coefficients of 2^31 - 1
  const int size = 2 * n - 1;
  const int half = size / 2;
  std::vector<std::int32_t> kernel(static_cast<std::size_t>(size) * size);
  for (int dy = -half; dy <= half; ++dy)
    for (int dx = -half; dx <= half; ++dx) {
      const bool before = dy < 0 || (dy == 0 && dx < 0);
      kernel[static_cast<std::size_t>(dy + half) * size + dx + half] = (dy == 0 && dx == 0) ? 1
                                                                       : before             ? INT_MAX
                                                                                            : -INT_MAX;
    }
  auto bitmap = BitmapOf(n, n, Uniform(n, n, BMM_Color_64{40000, 1, 65535, 2}));
  MirrorFilter filter;
  filter.SetSource(bitmap.get());
  ASSERT_EQ(filter.Convolve(nullptr, kernel.data(), size, 1, 0, 0), 1);
  const std::vector<BMM_Color_64> out = Pixels(*bitmap);
  EXPECT_EQ(out[static_cast<std::size_t>(n / 2) * n + n / 2], (BMM_Color_64{40000, 1, 65535, 2}));
  // Pixel (0, 0) sees only the lower-right quarter, all -M (and the centre).
  EXPECT_EQ(out[0], (BMM_Color_64{0, 0, 0, 2}));
}

struct RefusalCase {
  const char* name;
  bool nullKernel;
  int size;
};

class ConvolveRefuses : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ConvolveRefuses, LeavesTheBitmapUntouched) {
  const RefusalCase& c = GetParam();
  auto bitmap = PositionBitmap(4, 3);
  const std::vector<BMM_Color_64> before = Pixels(*bitmap);
  const std::vector<std::int32_t> kernel(16, 1);
  MirrorFilter filter;
  filter.SetSource(bitmap.get());
  EXPECT_EQ(filter.Convolve(nullptr, c.nullKernel ? nullptr : kernel.data(), c.size, 1, 0, 0), 0);
  EXPECT_EQ(Pixels(*bitmap), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvolveRefuses,
                         ::testing::Values(RefusalCase{"EvenSize", false, 2},
                                           RefusalCase{"ZeroSize", false, 0},
                                           RefusalCase{"NegativeSize", false, -3},
                                           RefusalCase{"IntMinSize", false, INT_MIN},
                                           RefusalCase{"NullKernel", true, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Convolve, NoSourceBitmapAnswersZero) {
  MirrorFilter filter;
  const std::int32_t one = 1;
  EXPECT_EQ(filter.Convolve(nullptr, &one, 1, 1, 0, 0), 0);
}

TEST(Convolve, FailedRowFetchAnswersZeroAndWritesNothing) {
  auto storage = std::make_unique<zarntest::HollowStorage>(5, 4);
  zarntest::HollowStorage* hollow = storage.get();
  Bitmap bitmap(std::move(storage));
  MirrorFilter filter;
  filter.SetSource(&bitmap);
  const std::int32_t one = 1;
  EXPECT_EQ(filter.Convolve(nullptr, &one, 1, 1, 0, 0), 0);
  EXPECT_EQ(hollow->writes, 0);
}

TEST(Convolve, ReadsEachRowOnceAndWritesEachRowWhole) {
  auto storage = std::make_unique<zarntest::CountingStorage>(6, 4);
  zarntest::CountingStorage* counting = storage.get();
  Bitmap bitmap(std::move(storage));
  MirrorFilter filter;
  filter.SetSource(&bitmap);
  const std::int32_t ones[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
  ASSERT_EQ(filter.Convolve(nullptr, ones, 3, 9, 0, 0), 1);
  ASSERT_EQ(counting->gets.size(), 4u);
  ASSERT_EQ(counting->puts.size(), 4u);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(counting->gets[y].y, y);
    EXPECT_EQ(counting->puts[y].y, y);
    EXPECT_EQ(counting->puts[y].x, 0);
    EXPECT_EQ(counting->puts[y].count, 6);
  }
}

// ---- Progress and abort ------------------------------------------------

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  friend bool operator==(const Message&, const Message&) = default;
};

std::vector<Message> received;
int abortAtRow = -1;

LRESULT CALLBACK RecordingProcedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != CANVAS_PROGRESS && message != CANVAS_QUERY_ABORT) return 0;
  // The abort query's address differs from run to run: record it as 1.
  received.push_back({message, wParam, message == CANVAS_QUERY_ABORT ? (lParam ? 1 : 0) : lParam});
  if (message == CANVAS_QUERY_ABORT && abortAtRow >= 0 && received.size() >= 2 &&
      received[received.size() - 2].wParam == static_cast<WPARAM>(abortAtRow))
    *reinterpret_cast<std::int32_t*>(lParam) = 1;
  return 0;
}

class ConvolveMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    received.clear();
    abortAtRow = -1;
    window = platform::CreateMessageWindow(RecordingProcedure);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { platform::DestroyMessageWindow(window); }
  HWND window = nullptr;
};

TEST_F(ConvolveMessages, ProgressThenAbortQueryBeforeEveryRow) {
  auto bitmap = PositionBitmap(3, 4);
  MirrorFilter filter;
  filter.SetSource(bitmap.get());
  const std::int32_t one = 1;
  ASSERT_EQ(filter.Convolve(window, &one, 1, 1, 0, 0), 1);
  const std::vector<Message> expected = {{CANVAS_PROGRESS, 0, 3}, {CANVAS_QUERY_ABORT, 0, 1},
                                         {CANVAS_PROGRESS, 1, 3}, {CANVAS_QUERY_ABORT, 0, 1},
                                         {CANVAS_PROGRESS, 2, 3}, {CANVAS_QUERY_ABORT, 0, 1},
                                         {CANVAS_PROGRESS, 3, 3}, {CANVAS_QUERY_ABORT, 0, 1}};
  EXPECT_EQ(received, expected);
}

TEST_F(ConvolveMessages, AbortAtRowFiveKeepsRowsZeroToFour) {
  const int w = 4, h = 9;
  auto bitmap = PositionBitmap(w, h);
  const std::vector<BMM_Color_64> before = Pixels(*bitmap);
  const std::vector<std::int32_t> kernel = {0, 1, 0, 1, 4, 1, 0, 1, 0};
  MirrorFilter filter;
  filter.SetSource(bitmap.get());
  abortAtRow = 5;
  EXPECT_EQ(filter.Convolve(window, kernel.data(), 3, 8, 0, 0), 0);
  // No message after the query that stopped it.
  ASSERT_EQ(received.size(), 12u);
  EXPECT_EQ(received.back(), (Message{CANVAS_QUERY_ABORT, 0, 1}));
  const std::vector<BMM_Color_64> filtered = Reference(before, w, h, kernel, 3, 8, 0, 0);
  const std::vector<BMM_Color_64> after = Pixels(*bitmap);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
      EXPECT_EQ(after[i], y < 5 ? filtered[i] : before[i]);
    }
}

TEST(Convolve, NullWindowRunsToTheEnd) {
  auto bitmap = PositionBitmap(3, 6);
  const std::vector<BMM_Color_64> before = Pixels(*bitmap);
  const std::vector<std::int32_t> kernel = {1, 2, 1, 2, 4, 2, 1, 2, 1};
  MirrorFilter filter;
  filter.SetSource(bitmap.get());
  EXPECT_EQ(filter.Convolve(nullptr, kernel.data(), 3, 16, 0, 0), 1);
  EXPECT_EQ(Pixels(*bitmap), Reference(before, 3, 6, kernel, 3, 16, 0, 0));
}

}  // namespace
