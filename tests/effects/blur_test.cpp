#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "effects/fixtures.h"
#include "effects/literal_effects.h"

namespace {

using zarntest::PositionBitmap;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A picture of random colours with a depth channel and an id byte channel.
struct DepthPicture {
  int width, height;
  std::unique_ptr<Bitmap> bitmap;
  MemoryStorage* storage;

  DepthPicture(int w, int h, std::uint32_t seed) : width(w), height(h) {
    auto s = MemoryStorage::Create(w, h, BMM_CHAN_FLOAT | BMM_CHAN_BYTE);
    storage = s.get();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> channel(0, 65535);
    std::uniform_int_distribution<int> id(0, 2);
    std::uniform_real_distribution<float> depth(-50.0f, 5.0f);
    for (int i = 0; i < w * h; ++i) {
      s->Pixels()[i] =
          BMM_Color_64{static_cast<std::uint16_t>(channel(rng)), static_cast<std::uint16_t>(channel(rng)),
                       static_cast<std::uint16_t>(channel(rng)), static_cast<std::uint16_t>(channel(rng))};
      s->FloatChannel()[i] = depth(rng);
      s->ByteChannel()[i] = static_cast<std::uint8_t>(id(rng));
    }
    bitmap = std::make_unique<Bitmap>(std::move(s));
  }
  float Depth(int x, int y) const { return storage->FloatChannel()[y * width + x]; }
  int Id(int x, int y) const { return storage->ByteChannel()[y * width + x]; }
};

// ---- Blur --------------------------------------------------------------

TEST(Blur, RadiusOneIsTheMeanOfTheCutSquare) {
  // r = x + 10 y: corners take 2 x 2, edges 2 x 3 or 3 x 2, the inside 3 x 3.
  auto bitmap = PositionBitmap(4, 3);
  SourceCanvas canvas(nullptr, nullptr, bitmap.get());
  canvas.Blur(-1, 1);
  EXPECT_EQ(fxtest::Reds(canvas), (std::vector<int>{5, 6, 7, 7,      //
                                                    10, 11, 12, 12,  //
                                                    15, 16, 17, 17}));
  // (0 + 1 + 10 + 11) / 4 = 5 and 1000 + 0.5, 2000 + 0.5 truncated; alpha kept.
  EXPECT_EQ(fxtest::At(canvas, 0, 0), (BMM_Color_64{5, 1000, 2000, 3000}));
  // (1 + 2 + 3 + 11 + 12 + 13 + 21 + 22 + 23) / 9 = 12.
  EXPECT_EQ(fxtest::At(canvas, 2, 1), (BMM_Color_64{12, 1002, 2001, 3012}));
}

TEST(Blur, RadiusZeroAndBlurringTwiceChangeNothingFurther) {
  auto bitmap = PositionBitmap(5, 4);
  SourceCanvas canvas(nullptr, nullptr, bitmap.get());
  const auto before = fxtest::CanvasPixels(canvas);
  canvas.Blur(-1, 0);
  canvas.Blur(-1, INT_MIN);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), before);
  canvas.Blur(-1, 2);
  const auto once = fxtest::CanvasPixels(canvas);
  canvas.Blur(-1, 2);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), once);
  EXPECT_NE(once, before);
}

TEST(Blur, HugeRadiusEndsAndEqualsTheWholeCanvas) {
  auto bitmap = PositionBitmap(7, 3);
  SourceCanvas huge(nullptr, nullptr, bitmap.get());
  huge.Blur(-1, INT_MAX);
  // Every window covers the whole picture: r mean (0 + ... + 26 over 21) = 13.
  for (const BMM_Color_64& c : fxtest::CanvasPixels(huge)) {
    EXPECT_EQ(c.r, 13);
    EXPECT_EQ(c.g, 1003);
    EXPECT_EQ(c.b, 2001);
  }
  SourceCanvas seven(nullptr, nullptr, bitmap.get());
  seven.Blur(-1, 7);
  EXPECT_EQ(fxtest::CanvasPixels(huge), fxtest::CanvasPixels(seven));

  BMM_Color_64 out{1, 2, 3, 4};
  huge.BoxAverageSource(3, 1, INT_MAX, &out);
  EXPECT_EQ(out, (BMM_Color_64{13, 1003, 2001, 4}));
  // Squares wholly off the canvas, or of no size, leave out alone.
  for (int x : {INT_MIN, -3, 9, INT_MAX}) huge.BoxAverageSource(x, 1, 1, &out);
  huge.BoxAverageSource(INT_MAX, INT_MAX, INT_MAX, &out);
  huge.BoxAverageSource(3, 1, 0, &out);
  huge.BoxAverageSource(3, 1, 1, nullptr);
  EXPECT_EQ(out, (BMM_Color_64{13, 1003, 2001, 4}));
}

// Windows of more than 32768 rows take the 64-bit column sums; both ways
// give the means of plain 64-bit window sums, here over one tall column of
// near-white pixels (the largest sums) and random ones.
TEST(Blur, WindowsTallerThan32768RowsStayExact) {
  constexpr int kHeight = 40000;
  for (int radius : {16383, 16384, 20000}) {
    SCOPED_TRACE(radius);
    auto storage = MemoryStorage::Create(1, kHeight, 0);
    std::mt19937 rng(5);
    for (int y = 0; y < kHeight; ++y) {
      const auto v = static_cast<std::uint16_t>(y % 3 ? 65535 - rng() % 4 : rng());
      storage->Pixels()[y] = BMM_Color_64{v, static_cast<std::uint16_t>(65535 - v), 65535, 77};
    }
    std::vector<std::uint64_t> prefix(kHeight + 1, 0);
    for (int y = 0; y < kHeight; ++y) prefix[y + 1] = prefix[y] + storage->Pixels()[y].r;
    Bitmap bitmap(std::move(storage));
    SourceCanvas canvas(nullptr, nullptr, &bitmap);
    canvas.Blur(-1, radius);
    for (int y = 0; y < kHeight; ++y) {
      const int y0 = std::max(y - radius, 0), y1 = std::min(y + radius + 1, kHeight);
      const auto n = static_cast<std::uint64_t>(y1 - y0);
      const std::uint64_t r = (prefix[y1] - prefix[y0]) / n;
      const std::uint64_t g = (65535 * n - (prefix[y1] - prefix[y0])) / n;
      ASSERT_EQ(canvas.pixels[y],
                (BMM_Color_64{static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(g), 65535, 77}))
          << "row " << y;
    }
  }
}

// Every window of a uniform picture sums to an exact multiple of its size:
// the mean must come out whole, not one below.
TEST(Blur, UniformPicturesStayUniform) {
  for (int value : {1, 3, 255, 32768, 65534, 65535}) {
    for (int radius : {1, 2, 5, 40}) {
      SCOPED_TRACE(std::to_string(value) + " radius " + std::to_string(radius));
      auto bitmap = fxtest::RedBitmap(23, 11, std::vector<int>(23 * 11, value));
      SourceCanvas canvas(nullptr, nullptr, bitmap.get());
      std::fill(canvas.sourcePixels, canvas.sourcePixels + 23 * 11,
                BMM_Color_64{static_cast<std::uint16_t>(value), static_cast<std::uint16_t>(value),
                             static_cast<std::uint16_t>(value), 7});
      canvas.Blur(-1, radius);
      for (const BMM_Color_64& p : fxtest::CanvasPixels(canvas))
        ASSERT_EQ(p, (BMM_Color_64{static_cast<std::uint16_t>(value), static_cast<std::uint16_t>(value),
                                   static_cast<std::uint16_t>(value), 65535}));
      canvas.RequestChannel(BMM_CHAN_FLOAT);
      canvas.DepthBlur(-1, 1.0f, 1.0f, radius);
      for (const BMM_Color_64& p : fxtest::CanvasPixels(canvas)) ASSERT_EQ(p.r, value);
    }
  }
}

struct BlurCase {
  const char* name;
  int width, height;
  int radius;
  int id;
};

class BlurMatchesLiteral : public testing::TestWithParam<BlurCase> {};

TEST_P(BlurMatchesLiteral, OnRandomPictures) {
  const BlurCase& c = GetParam();
  for (std::uint32_t seed = 1; seed <= 3; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    DepthPicture picture(c.width, c.height, seed);
    SourceCanvas canvas(nullptr, nullptr, picture.bitmap.get());
    canvas.RequestChannel(BMM_CHAN_BYTE);
    // The working picture differs from the source, so alpha provably comes
    // from the canvas and colours from the source.
    for (int i = 0; i < c.width * c.height; ++i) canvas.pixels[i].a ^= 0x5A5A;
    const auto source = literal::Picture(canvas.sourcePixels, canvas.sourcePixels + c.width * c.height);
    const auto expected = literal::Blur(
        source, fxtest::CanvasPixels(canvas), c.width, c.height, [&](int, int) { return c.radius; },
        [&](int x, int y) { return c.id == -1 || picture.Id(x, y) == c.id; });
    canvas.Blur(c.id, c.radius);
    EXPECT_EQ(fxtest::CanvasPixels(canvas), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BlurMatchesLiteral,
    testing::Values(BlurCase{"Radius0", 13, 9, 0, -1}, BlurCase{"Radius1", 13, 9, 1, -1},
                    BlurCase{"Radius2", 13, 9, 2, -1}, BlurCase{"Radius7", 13, 9, 7, -1},
                    BlurCase{"RadiusPastTheWidth", 13, 9, 20, -1},
                    BlurCase{"RadiusPastBothSides", 13, 9, 40, -1}, BlurCase{"OneColumn", 1, 17, 3, -1},
                    BlurCase{"OneRow", 17, 1, 5, -1}, BlurCase{"OnePixel", 1, 1, 2, -1},
                    BlurCase{"SelectedId1", 13, 9, 2, 1}, BlurCase{"SelectedIdNone", 13, 9, 2, 7},
                    // Windows exactly as wide as the picture, one column
                    // short of it, and with a single whole window in a row.
                    BlurCase{"WindowFillsTheWidth", 13, 9, 6, -1},
                    BlurCase{"RadiusOneUnderTheWidth", 13, 9, 12, -1},
                    BlurCase{"OneWholeWindowARow", 13, 9, 5, -1},
                    // Rows far below and above the window: rows enter and
                    // leave the column sums one at a time, or one alone.
                    BlurCase{"TallPicture", 9, 40, 3, -1}, BlurCase{"TallPictureWideWindow", 9, 40, 25, -1},
                    BlurCase{"SelectedId2WideRows", 37, 9, 4, 2}),
    [](const testing::TestParamInfo<BlurCase>& p) { return std::string(p.param.name); });

// ---- Depth blur ------------------------------------------------------------

// What the literal loop makes of DepthBlur on a canvas of the picture.
literal::Picture LiteralDepthBlur(const SourceCanvas& canvas, const DepthPicture& picture, float focus,
                                  float range, int maxRadius, int id) {
  const int w = picture.width;
  const int h = picture.height;
  const auto source = literal::Picture(canvas.sourcePixels, canvas.sourcePixels + w * h);
  return literal::Blur(
      source, fxtest::CanvasPixels(canvas), w, h,
      [&](int x, int y) { return literal::DepthRadius(picture.Depth(x, y), focus, range, maxRadius); },
      [&](int x, int y) { return id == -1 || picture.Id(x, y) == id; });
}

struct DepthBlurCase {
  const char* name;
  int width, height;
  float focus, range;
  int maxRadius;
  int id;
};

class DepthBlurMatchesLiteral : public testing::TestWithParam<DepthBlurCase> {};

TEST_P(DepthBlurMatchesLiteral, OnRandomPicturesAndDepths) {
  const DepthBlurCase& c = GetParam();
  for (std::uint32_t seed = 11; seed <= 13; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    DepthPicture picture(c.width, c.height, seed);
    // Some pixels without depth.
    picture.storage->FloatChannel()[seed % (c.width * c.height)] = 1e30f;
    picture.storage->FloatChannel()[(seed * 7) % (c.width * c.height)] = kInf;
    SourceCanvas canvas(nullptr, nullptr, picture.bitmap.get());
    ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_FLOAT), 1);
    canvas.RequestChannel(BMM_CHAN_BYTE);
    const auto expected = LiteralDepthBlur(canvas, picture, c.focus, c.range, c.maxRadius, c.id);
    canvas.DepthBlur(c.id, c.focus, c.range, c.maxRadius);
    EXPECT_EQ(fxtest::CanvasPixels(canvas), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, DepthBlurMatchesLiteral,
                         testing::Values(DepthBlurCase{"Max0", 13, 9, 20.0f, 10.0f, 0, -1},
                                         DepthBlurCase{"Max1", 13, 9, 20.0f, 10.0f, 1, -1},
                                         DepthBlurCase{"Max2", 13, 9, 20.0f, 40.0f, 2, -1},
                                         DepthBlurCase{"Max7", 13, 9, 25.0f, 30.0f, 7, -1},
                                         DepthBlurCase{"MaxPastThePicture", 13, 9, 10.0f, 60.0f, 30, -1},
                                         DepthBlurCase{"NarrowRange", 11, 8, 30.0f, 0.75f, 5, -1},
                                         DepthBlurCase{"NegativeFocus", 11, 8, -3.0f, 20.0f, 4, -1},
                                         DepthBlurCase{"SelectedId2", 13, 9, 20.0f, 20.0f, 3, 2},
                                         // Many more rows than any window: the table rows are
                                         // kept for as long as a window reaches them, no longer.
                                         DepthBlurCase{"TallPicture", 9, 60, 20.0f, 30.0f, 4, -1},
                                         DepthBlurCase{"TallPictureSelectedId0", 17, 50, 20.0f, 30.0f, 6, 0},
                                         DepthBlurCase{"OddWidthManyRuns", 31, 23, 20.0f, 60.0f, 9, -1}),
                         [](const testing::TestParamInfo<DepthBlurCase>& p) {
                           return std::string(p.param.name);
                         });

// Depths laid out so that radii change often and land on their boundaries:
// bands of 1 to 7 columns (runs of one radius of every length), each at a
// distance k * range / (2 * maxRadius) from the focus for k from -maxRadius - 2
// to maxRadius + 2, exactly or one float step either side, shifted two
// columns a row; some pixels NaN, background or two ranges away. "Sharp" puts
// every pixel at the focus but every 97th, so that huge windows stay few.
enum class Layout { Boundaries, Sharp };

struct BoundaryCase {
  const char* name;
  int width, height;
  float focus, range;
  int maxRadius;
  int id;
  Layout layout;
};

float LaidOutDepth(const BoundaryCase& c, int x, int y) {
  if (c.layout == Layout::Sharp)
    return (y * c.width + x) % 97 == 50 ? -(c.focus + c.range * static_cast<float>(x % 3 + 1)) : -c.focus;
  switch ((7 * x + y) % 19) {
    case 0: return kNaN;
    case 1: return -(c.focus + 2.0f * c.range);
    case 2: return 1e30f;
    default: break;
  }
  static constexpr int kBands[] = {1, 2, 3, 1, 5, 2, 7, 4, 3, 6};
  int band = 0, left = x + 2 * y;
  while (left >= kBands[band % 10]) left -= kBands[band++ % 10];
  const int k = band % (2 * c.maxRadius + 5) - c.maxRadius - 2;
  const float z = -(c.focus + static_cast<float>(k) * (c.range / static_cast<float>(2 * c.maxRadius)));
  return band % 3 == 0 ? z : std::nextafter(z, band % 3 == 1 ? kInf : -kInf);
}

class DepthBlurOnBoundaries : public testing::TestWithParam<BoundaryCase> {};

TEST_P(DepthBlurOnBoundaries, MatchesTheLiteralBlur) {
  const BoundaryCase& c = GetParam();
  DepthPicture picture(c.width, c.height, 31);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      picture.storage->FloatChannel()[y * c.width + x] = LaidOutDepth(c, x, y);
  SourceCanvas canvas(nullptr, nullptr, picture.bitmap.get());
  ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_FLOAT), 1);
  canvas.RequestChannel(BMM_CHAN_BYTE);
  const auto expected = LiteralDepthBlur(canvas, picture, c.focus, c.range, c.maxRadius, c.id);
  canvas.DepthBlur(c.id, c.focus, c.range, c.maxRadius);
  const auto actual = fxtest::CanvasPixels(canvas);
  for (int i = 0; i < c.width * c.height; ++i)
    ASSERT_EQ(actual[i], expected[i]) << "pixel (" << i % c.width << ", " << i / c.width << "), depth "
                                      << picture.Depth(i % c.width, i / c.width);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DepthBlurOnBoundaries,
    testing::Values(
        // Quarter steps: every boundary depth is a float, exactly.
        BoundaryCase{"QuarterSteps", 37, 11, 10.0f, 2.0f, 4, -1, Layout::Boundaries},
        BoundaryCase{"QuarterStepsSelectedId1", 37, 11, 10.0f, 2.0f, 4, 1, Layout::Boundaries},
        // Steps of 100 / 64 with the radius past every window of a row and
        // more rows than the table keeps.
        BoundaryCase{"FocusFiftyMax32", 83, 70, 50.0f, 100.0f, 32, -1, Layout::Boundaries},
        // Steps that are not floats, around a focus that is not one either.
        BoundaryCase{"ThirdSteps", 29, 9, 0.7f, 1.0f, 3, -1, Layout::Boundaries},
        // Rows shorter than four pixels, and one past a multiple of four.
        BoundaryCase{"OneColumn", 1, 23, 10.0f, 2.0f, 4, -1, Layout::Boundaries},
        BoundaryCase{"ThreeColumns", 3, 13, 10.0f, 2.0f, 2, -1, Layout::Boundaries},
        BoundaryCase{"NineColumns", 9, 13, 10.0f, 2.0f, 2, -1, Layout::Boundaries},
        // Radius steps too small or too large for a float: the quotient is
        // taken in doubles.
        BoundaryCase{"HugeRange", 23, 7, 0.0f, 1e38f, 3, -1, Layout::Boundaries},
        BoundaryCase{"TinyRange", 23, 7, 0.0f, 1e-30f, 3, -1, Layout::Boundaries},
        // A radius cap of 4096 and more, in a narrow tall picture.
        BoundaryCase{"CapOf4200", 2, 8400, 10.0f, 20.0f, 4200, -1, Layout::Sharp}),
    [](const testing::TestParamInfo<BoundaryCase>& p) { return std::string(p.param.name); });

// 5 x 5 pictures whose depths sit at the focus (sharp) except the centre.
struct DepthBlurCentreCase {
  const char* name;
  float centreDepth;
  int expectedRadius;  // of the centre; the rest stays sharp
};

class DepthBlurCentre : public testing::TestWithParam<DepthBlurCentreCase> {};

TEST_P(DepthBlurCentre, TakesTheRadiusOfItsDepth) {
  const DepthBlurCentreCase& c = GetParam();
  auto storage = MemoryStorage::Create(5, 5, BMM_CHAN_FLOAT);
  for (int i = 0; i < 25; ++i) {
    storage->Pixels()[i] = zarntest::PositionColor(i % 5, i / 5);
    storage->FloatChannel()[i] = -8.0f;
  }
  storage->FloatChannel()[12] = c.centreDepth;
  Bitmap bitmap(std::move(storage));
  SourceCanvas canvas(nullptr, nullptr, &bitmap);
  canvas.RequestChannel(BMM_CHAN_FLOAT);
  auto expected = fxtest::CanvasPixels(canvas);
  expected[12] = literal::BoxAverage(expected, 5, 5, 2, 2, c.expectedRadius, expected[12]);
  // focus 8, range 4, maxRadius 3: radius = |-z - 8| * 6 / 4, at most 3.
  canvas.DepthBlur(-1, 8.0f, 4.0f, 3);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), expected);
}

INSTANTIATE_TEST_SUITE_P(Table, DepthBlurCentre,
                         testing::Values(DepthBlurCentreCase{"AtTheFocus", -8.0f, 0},
                                         DepthBlurCentreCase{"OneAndAHalfOneSide", -9.0f, 1},
                                         DepthBlurCentreCase{"TwoAway", -6.5f, 2},
                                         DepthBlurCentreCase{"PastHalfTheRange", -12.0f, 3},
                                         // Not background, and ~1e30 away: clamped, not converted.
                                         DepthBlurCentreCase{"HugeNegative", -1e30f, 3},
                                         DepthBlurCentreCase{"NegativeInfinity", -kInf, 3},
                                         // Background (and NaN with it) take z = range = 4: |-4 - 8| * 6 / 4.
                                         DepthBlurCentreCase{"Background", 1e30f, 3},
                                         DepthBlurCentreCase{"NaN", kNaN, 3}),
                         [](const testing::TestParamInfo<DepthBlurCentreCase>& p) {
                           return std::string(p.param.name);
                         });

// Windows of 183 x 183 and more can sum past 2^31: those pictures take
// 64-bit sums. Most pixels sit at the focus, so the literal loop stays short.
TEST(DepthBlur, WindowsWhoseSumsPass2To31StayExact) {
  constexpr int kWidth = 190, kHeight = 186;
  for (int maxRadius : {90, 91, 400}) {
    SCOPED_TRACE(maxRadius);
    DepthPicture picture(kWidth, kHeight, 21);
    std::mt19937 rng(22);
    float* depth = picture.storage->FloatChannel();
    for (int i = 0; i < kWidth * kHeight; ++i) depth[i] = -10.0f;
    // Near-white red (sums near the largest), a few far pixels, one at a corner.
    for (int i = 0; i < kWidth * kHeight; ++i)
      picture.storage->Pixels()[i].r = static_cast<std::uint16_t>(65535 - i % 3);
    for (int i : {0, 7777, 20000, kWidth * kHeight - 1}) depth[i] = -10.0f - 40.0f * (i % 3);
    depth[12345] = 1e30f;
    SourceCanvas canvas(nullptr, nullptr, picture.bitmap.get());
    ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_FLOAT), 1);
    const auto source = literal::Picture(canvas.sourcePixels, canvas.sourcePixels + kWidth * kHeight);
    const auto expected = literal::Blur(
        source, fxtest::CanvasPixels(canvas), kWidth, kHeight,
        [&](int x, int y) { return literal::DepthRadius(picture.Depth(x, y), 10.0f, 20.0f, maxRadius); },
        [](int, int) { return true; });
    canvas.DepthBlur(-1, 10.0f, 20.0f, maxRadius);
    EXPECT_EQ(fxtest::CanvasPixels(canvas), expected);
  }
}

TEST(DepthBlur, WithoutTheDepthChannelEveryPixelTakesDepthZero) {
  auto bitmap = PositionBitmap(6, 4);
  SourceCanvas canvas(nullptr, nullptr, bitmap.get());
  const auto before = fxtest::CanvasPixels(canvas);
  // |0 - 1| * 10 / 5 = 2.
  canvas.DepthBlur(-1, 1.0f, 5.0f, 5);
  EXPECT_EQ(fxtest::CanvasPixels(canvas),
            literal::Blur(
                before, before, 6, 4, [](int, int) { return 2; }, [](int, int) { return true; }));
}

struct RefusedCase {
  const char* name;
  float focus, range;
  int maxRadius;
};

class DepthBlurRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(DepthBlurRefuses, LeavesThePictureAndSendsNothing) {
  const RefusedCase& c = GetParam();
  DepthPicture picture(6, 5, 3);
  SourceCanvas canvas(nullptr, nullptr, picture.bitmap.get());
  canvas.RequestChannel(BMM_CHAN_FLOAT);
  canvas.aborted = 9;
  const auto before = fxtest::CanvasPixels(canvas);
  canvas.DepthBlur(-1, c.focus, c.range, c.maxRadius);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), before);
  EXPECT_EQ(canvas.aborted, 9);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DepthBlurRefuses,
    testing::Values(RefusedCase{"RangeZero", 10.0f, 0.0f, 4}, RefusedCase{"RangeNegative", 10.0f, -5.0f, 4},
                    RefusedCase{"RangeNaN", 10.0f, kNaN, 4}, RefusedCase{"RangeInfinite", 10.0f, kInf, 4},
                    RefusedCase{"FocusNaN", kNaN, 5.0f, 4}, RefusedCase{"FocusInfinite", -kInf, 5.0f, 4},
                    RefusedCase{"MaxRadiusNegative", 10.0f, 5.0f, -1},
                    RefusedCase{"MaxRadiusIntMin", 10.0f, 5.0f, INT_MIN}),
    [](const testing::TestParamInfo<RefusedCase>& p) { return std::string(p.param.name); });

// ---- Depth range and grey ----------------------------------------------------

struct GreyCase {
  const char* name;
  int width, height;
  std::vector<float> depths;
  float min, max, span;
  std::vector<int> greys;
};

class DepthToGrey : public testing::TestWithParam<GreyCase> {};

TEST_P(DepthToGrey, RangeAndGreys) {
  const GreyCase& c = GetParam();
  auto storage = MemoryStorage::Create(c.width, c.height, BMM_CHAN_FLOAT);
  for (int i = 0; i < c.width * c.height; ++i) {
    storage->Pixels()[i] = BMM_Color_64{1, 2, 3, 4};
    storage->FloatChannel()[i] = c.depths[i];
  }
  Bitmap bitmap(std::move(storage));
  Canvas canvas(nullptr, nullptr, &bitmap);
  ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_FLOAT), 1);
  float min = -1, max = -1, span = -1;
  EXPECT_EQ(canvas.DepthRange(canvas.channel1, &min, &max, &span), 1);
  EXPECT_EQ(min, c.min);
  EXPECT_EQ(max, c.max);
  EXPECT_EQ(span, c.span);
  canvas.DepthToGrey(-1);
  std::vector<int> greys;
  for (const BMM_Color_64& p : fxtest::CanvasPixels(canvas)) {
    EXPECT_TRUE(p.r == p.g && p.g == p.b && p.b == p.a) << p;
    greys.push_back(p.r);
  }
  EXPECT_EQ(greys, c.greys);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DepthToGrey,
    testing::Values(
        GreyCase{
            "NearMiddleFarAndHugeNegative", 2, 2, {-10, -15, -20, -1e30f}, 10, 20, 10, {65535, 32767, 0, 0}},
        GreyCase{"BackgroundAndNaN", 4, 1, {-4, 1e30f, kNaN, -8}, 4, 8, 4, {65535, 0, 0, 0}},
        GreyCase{"UniformDepth", 2, 2, {-7, -7, -7, -7}, 7, 7, 0, {65535, 65535, 65535, 65535}},
        GreyCase{"OnePixel", 1, 1, {-3}, 3, 3, 0, {65535}},
        GreyCase{"UniformWithBackground", 3, 1, {-2, 1e30f, -2}, 2, 2, 0, {65535, 0, 65535}},
        // 5 is nearer than the nearest distance: held at 65535, not wrapped.
        // -10: (1 - 5 / 15) * 65535 = 43689.997.
        GreyCase{"AboveZeroClamps", 3, 1, {5, -10, -20}, 5, 20, 15, {65535, 43689, 0}},
        GreyCase{"NoDepthAtAll", 2, 1, {1e30f, -1e25f}, 1e20f, 0, -1e20f, {0, 0}}),
    [](const testing::TestParamInfo<GreyCase>& p) { return std::string(p.param.name); });

TEST(DepthToGrey, SelectedPixelsOnlyAndNothingWithoutTheChannel) {
  auto storage = MemoryStorage::Create(3, 1, BMM_CHAN_FLOAT | BMM_CHAN_U16);
  const float depths[] = {-1, -2, -3};
  const std::uint16_t ids[] = {4, 5, 4};
  for (int i = 0; i < 3; ++i) {
    storage->Pixels()[i] = BMM_Color_64{1, 2, 3, 4};
    storage->FloatChannel()[i] = depths[i];
    storage->U16Channel()[i] = ids[i];
  }
  Bitmap bitmap(std::move(storage));
  Canvas canvas(nullptr, nullptr, &bitmap);
  canvas.RequestChannel(BMM_CHAN_U16);
  canvas.DepthToGrey(4);
  EXPECT_EQ(fxtest::Reds(canvas), (std::vector<int>{1, 1, 1}));
  canvas.RequestChannel(BMM_CHAN_FLOAT);
  canvas.DepthToGrey(4);
  EXPECT_EQ(fxtest::CanvasPixels(canvas),
            (std::vector<BMM_Color_64>{{65535, 65535, 65535, 65535}, {1, 2, 3, 4}, {0, 0, 0, 0}}));
}

TEST(DepthRange, WithoutDepthsKeepsItsStartValues) {
  auto bitmap = PositionBitmap(2, 2);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  float min = 0, max = 5, span = 0;
  EXPECT_EQ(canvas.DepthRange(nullptr, &min, &max, &span), 1);
  EXPECT_EQ(min, 1e20f);
  EXPECT_EQ(max, 0.0f);
  EXPECT_EQ(span, -1e20f);
  const float depths[] = {kInf, -kInf, 2e20f, kNaN};
  EXPECT_EQ(canvas.DepthRange(depths, &min, &max, &span), 1);
  EXPECT_EQ(min, 1e20f);
  EXPECT_EQ(max, 0.0f);
  EXPECT_EQ(canvas.DepthRange(depths, nullptr, nullptr, nullptr), 1);
}

}  // namespace
