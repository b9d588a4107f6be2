#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "effects/fixtures.h"
#include "effects/literal_effects.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// ---- Spike test and rotation ---------------------------------------------------

struct SpikeCase {
  const char* name;
  float x, y, length;
  int inside;
};

class InSpikeTable : public testing::TestWithParam<SpikeCase> {};

TEST_P(InSpikeTable, Answers) {
  const SpikeCase& c = GetParam();
  EXPECT_EQ(InSpike(c.x, c.y, c.length), c.inside);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InSpikeTable,
    testing::Values(
        SpikeCase{"Centre", 0, 0, 8, 1}, SpikeCase{"Apex", 0, 8, 8, 1},
        SpikeCase{"HalfWayInside", 0.5f, 4, 8, 1}, SpikeCase{"HalfWayTooHigh", 0.5f, 4.8f, 8, 0},
        SpikeCase{"LeftHalfWayInside", -0.5f, 4, 8, 1}, SpikeCase{"LeftTooHigh", -0.5f, 4.8f, 8, 0},
        SpikeCase{"BaseCorner", 1, 0, 8, 1}, SpikeCase{"LeftBaseCorner", -1, 0, 8, 1},
        SpikeCase{"PastTheBase", 1.01f, 0, 8, 0}, SpikeCase{"JustBelow", 0, -0.1f, 8, 0},
        SpikeCase{"PastTheApex", 0, 8.01f, 8, 0},
        // A hair left of the axis, the apex is outside: the star's
        // tips lost to rounding come from here.
        SpikeCase{"ApexHairLeft", -2.1855695e-07f, 5, 5, 0}, SpikeCase{"NaNX", kNaN, 1, 8, 0},
        SpikeCase{"NaNY", 0, kNaN, 8, 0}, SpikeCase{"NaNBoth", kNaN, kNaN, 8, 0}),
    [](const testing::TestParamInfo<SpikeCase>& p) { return std::string(p.param.name); });

struct RotateCase {
  const char* name;
  float x, y, radians;
  float expectedX, expectedY;
};

class RotatePointTable : public testing::TestWithParam<RotateCase> {};

TEST_P(RotatePointTable, RoundsTheFirstProductsToFloat) {
  const RotateCase& c = GetParam();
  float x = c.x, y = c.y;
  RotatePoint(&x, &y, c.radians);
  // NaN rows expect NaN; the rest exact values.
  if (std::isnan(c.expectedX)) {
    EXPECT_TRUE(std::isnan(x) && std::isnan(y));
    return;
  }
  EXPECT_EQ(x, c.expectedX);
  EXPECT_EQ(y, c.expectedY);
}

// cos(1.57079637) = -4.37113900018624e-08 in double.
INSTANTIATE_TEST_SUITE_P(
    Table, RotatePointTable,
    testing::Values(RotateCase{"QuarterTurn", 1, 0, 1.57079637f, -4.37113883e-08f, 1.0f},
                    RotateCase{"QuarterTurnOfFive", 5, 0, 1.57079637f, -2.18556949e-07f, 5.0f},
                    RotateCase{"QuarterTurnOfUp", 0, 5, 1.57079637f, -5.0f, -2.18556949e-07f},
                    RotateCase{"Zero", 3, -4, 0.0f, 3.0f, -4.0f},
                    RotateCase{"NaNAngle", 3, 4, kNaN, kNaN, kNaN}),
    [](const testing::TestParamInfo<RotateCase>& p) { return std::string(p.param.name); });

TEST(RotatePoint, RoundsCosXAndSinXBeforeTheSums) {
  // Where the two roundings differ from one: the difference decides.
  const float a = 0.7f, x = 3.3f, y = 1.9f;
  const double c = std::cos(static_cast<double>(a)), s = std::sin(static_cast<double>(a));
  const float twoStepX = static_cast<float>(static_cast<double>(static_cast<float>(c * x)) - s * y);
  const float twoStepY = static_cast<float>(static_cast<double>(static_cast<float>(s * x)) + c * y);
  float rx = x, ry = y;
  RotatePoint(&rx, &ry, a);
  EXPECT_EQ(rx, twoStepX);
  EXPECT_EQ(ry, twoStepY);
  // Null points are left alone.
  RotatePoint(nullptr, &ry, a);
  RotatePoint(&rx, nullptr, a);
  EXPECT_EQ(rx, twoStepX);
}

// ---- DrawStar ------------------------------------------------------------------

// Weight at distance d along a spike of length 5: o = (25 - d^2) / 25,
// w = ((2 - o) o^2)^2; 1.0, 0.919, 0.670, 0.310, 0.045, 0 to three places.
float SpikeWeight(int d) {
  const float o = (25.0f - static_cast<float>(d * d)) / 25.0f;
  const float t = (2.0f - o) * o * o;
  return t * t;
}

TEST(DrawStar, FourRaysOnTwentyOneSquare) {
  const float rounded[] = {1.0f, 0.919f, 0.670f, 0.310f, 0.045f, 0.0f};
  for (int d = 0; d <= 5; ++d) EXPECT_NEAR(SpikeWeight(d), rounded[d], 0.0005f) << d;

  auto bitmap = fxtest::RedBitmap(21, 21, std::vector<int>(21 * 21, 0), 0);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  std::fill(canvas.pixels, canvas.pixels + 21 * 21, BMM_Color_64{0, 0, 0, 0});
  const BMM_Color_64 colour{10000, 20000, 30000, 65535};
  canvas.DrawStar(10, 10, colour, 5, 4, 0.0f);

  // Column 10 rows 5 ... 14 and row 10 columns 6 ... 14; the tip at row 5
  // has weight 0, the tip at column 5 falls outside, row and column 15 are
  // never visited.
  std::set<std::pair<int, int>> lit;
  for (int y = 6; y <= 14; ++y) lit.insert({10, y});
  for (int x = 6; x <= 14; ++x) lit.insert({x, 10});
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) {
      const BMM_Color_64 p = fxtest::At(canvas, x, y);
      if (!lit.count({x, y})) {
        EXPECT_EQ(p, (BMM_Color_64{0, 0, 0, 0})) << x << "," << y;
        continue;
      }
      const float w = SpikeWeight(std::abs(x - 10) + std::abs(y - 10));
      EXPECT_EQ(p,
                (BMM_Color_64{
                    static_cast<std::uint16_t>(10000 * w), static_cast<std::uint16_t>(20000 * w),
                    static_cast<std::uint16_t>(30000 * w), static_cast<std::uint16_t>(65535 * w)}))
          << x << "," << y;
    }
  EXPECT_EQ(fxtest::At(canvas, 10, 10), colour);
}

TEST(DrawStar, AddsAndClampsAtFullIntensity) {
  auto bitmap = fxtest::RedBitmap(9, 9, std::vector<int>(81, 65535));
  Canvas canvas(nullptr, nullptr, bitmap.get());
  std::fill(canvas.pixels, canvas.pixels + 81, BMM_Color_64{65535, 65535, 65535, 65535});
  canvas.DrawStar(4, 4, BMM_Color_64{65535, 65535, 65535, 65535}, 4, 6, 15.0f);
  EXPECT_EQ(fxtest::CanvasPixels(canvas),
            std::vector<BMM_Color_64>(81, BMM_Color_64{65535, 65535, 65535, 65535}));
}

TEST(DrawStar, CutAtTheEdgesIsThePartInside) {
  const BMM_Color_64 colour{40000, 30000, 20000, 10000};
  std::vector<int> reds(900);
  for (int i = 0; i < 900; ++i) reds[i] = i * 37 % 4001;
  auto big = fxtest::RedBitmap(30, 30, reds);
  Canvas whole(nullptr, nullptr, big.get());
  whole.DrawStar(12, 13, colour, 9, 5, 33.0f);
  // The same picture's columns 10 ... 19, rows 12 ... 17 on a canvas of
  // their own, with the star centred on (2, 1): only that window shows.
  auto small = fxtest::RedBitmap(10, 6, std::vector<int>(60, 0));
  Canvas cut(nullptr, nullptr, small.get());
  Canvas plain(nullptr, nullptr, big.get());
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) fxtest::At(cut, x, y) = fxtest::At(plain, x + 10, y + 12);
  cut.DrawStar(2, 1, colour, 9, 5, 33.0f);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(fxtest::At(cut, x, y), fxtest::At(whole, x + 10, y + 12)) << x << "," << y;
  EXPECT_NE(fxtest::CanvasPixels(whole), fxtest::CanvasPixels(plain));
}

struct StarCase {
  const char* name;
  int width, height;
  int cx, cy, radius, rays;
  float start;
};

class DrawStarMatchesLiteral : public testing::TestWithParam<StarCase> {};

TEST_P(DrawStarMatchesLiteral, OnRandomPictures) {
  const StarCase& c = GetParam();
  std::mt19937 rng(c.radius * 131 + c.rays);
  std::uniform_int_distribution<int> channel(0, 65535);
  std::vector<int> reds(c.width * c.height);
  for (int& r : reds) r = channel(rng);
  auto bitmap = fxtest::RedBitmap(c.width, c.height, reds, 30000);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  const BMM_Color_64 colour{
      static_cast<std::uint16_t>(channel(rng)), static_cast<std::uint16_t>(channel(rng)),
      static_cast<std::uint16_t>(channel(rng)), static_cast<std::uint16_t>(channel(rng))};
  auto expected = fxtest::CanvasPixels(canvas);
  literal::DrawStar(expected, c.width, c.height, c.cx, c.cy, colour, c.radius, c.rays, c.start);
  canvas.DrawStar(c.cx, c.cy, colour, c.radius, c.rays, c.start);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), expected);
  EXPECT_NE(fxtest::CanvasPixels(canvas),
            fxtest::CanvasPixels(Canvas(nullptr, nullptr, bitmap.get())));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DrawStarMatchesLiteral,
    testing::Values(StarCase{"OneRay", 15, 15, 7, 7, 6, 1, 0.0f},
                    StarCase{"TwoRaysTilted", 15, 15, 7, 7, 6, 2, 10.0f},
                    StarCase{"ThreeRays", 20, 20, 9, 10, 8, 3, 90.0f},
                    StarCase{"SixRaysFractionalStart", 25, 25, 12, 12, 11, 6, 7.25f},
                    StarCase{"SevenRays", 25, 25, 12, 12, 12, 7, -33.5f},
                    StarCase{"ManyRaysOverlap", 21, 21, 10, 10, 9, 40, 3.0f},
                    StarCase{"RadiusOne", 5, 5, 2, 2, 1, 4, 0.0f},
                    StarCase{"PastTheCorner", 12, 9, 11, 0, 7, 5, 200.0f},
                    StarCase{"CentreOffTheCanvas", 12, 9, -3, 4, 7, 8, 45.0f},
                    StarCase{"LargeStartAngle", 21, 21, 10, 10, 9, 5, 123456.75f}),
    [](const testing::TestParamInfo<StarCase>& p) { return std::string(p.param.name); });

struct StarRefusedCase {
  const char* name;
  int radius, rays;
  float start;
};

class DrawStarDrawsNothing : public testing::TestWithParam<StarRefusedCase> {};

TEST_P(DrawStarDrawsNothing, ForArgumentsWithoutAStar) {
  const StarRefusedCase& c = GetParam();
  auto bitmap = zarntest::PositionBitmap(9, 7);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  const auto before = fxtest::CanvasPixels(canvas);
  canvas.DrawStar(4, 3, BMM_Color_64{9000, 9000, 9000, 9000}, c.radius, c.rays, c.start);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DrawStarDrawsNothing,
    testing::Values(
        StarRefusedCase{"NoRays", 4, 0, 0.0f}, StarRefusedCase{"NegativeRays", 4, -3, 0.0f},
        StarRefusedCase{"RaysIntMin", 4, INT_MIN, 0.0f},
        StarRefusedCase{"TooManyRays", 4, Canvas::kMaxStarRays + 1, 0.0f},
        StarRefusedCase{"RaysIntMax", 4, INT_MAX, 0.0f}, StarRefusedCase{"NoRadius", 0, 4, 0.0f},
        StarRefusedCase{"NegativeRadius", -4, 4, 0.0f},
        // 46341^2 leaves 32 bits.
        StarRefusedCase{"RadiusSquareOverflows", 46341, 4, 0.0f},
        StarRefusedCase{"RadiusIntMax", INT_MAX, 4, 0.0f}, StarRefusedCase{"NaNStart", 4, 4, kNaN},
        StarRefusedCase{"InfiniteStart", 4, 4, kInf},
        // Finite, but times pi it is not.
        StarRefusedCase{"HugeStart", 4, 4, 3e38f}),
    [](const testing::TestParamInfo<StarRefusedCase>& p) { return std::string(p.param.name); });

TEST(DrawStar, LargestRadiusDrawsTheCutSquare) {
  auto bitmap = fxtest::RedBitmap(6, 5, std::vector<int>(30, 0), 0);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  std::fill(canvas.pixels, canvas.pixels + 30, BMM_Color_64{0, 0, 0, 0});
  canvas.DrawStar(2, 2, BMM_Color_64{65535, 0, 0, 0}, 46340, 4, 0.0f);
  // Weights so close to 1 that the centre's cross gets the full colour.
  EXPECT_EQ(fxtest::At(canvas, 2, 2).r, 65535);
  EXPECT_EQ(fxtest::At(canvas, 2, 0).r, 65535);
  EXPECT_EQ(fxtest::At(canvas, 0, 2).r, 65535);
  EXPECT_EQ(fxtest::At(canvas, 0, 0).r, 0);
}

// ---- Sparkle ---------------------------------------------------------------------

struct SparkleCase {
  const char* name;
  int useColour;
  int threshold;
  int radius, rays;
  float start;
  int id;
};

class SparkleMatchesLiteral : public testing::TestWithParam<SparkleCase> {};

TEST_P(SparkleMatchesLiteral, OnRandomPictures) {
  const SparkleCase& c = GetParam();
  constexpr int w = 23, h = 17;
  for (std::uint32_t seed = 5; seed <= 7; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    auto storage = MemoryStorage::Create(w, h, BMM_CHAN_BYTE);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dim(0, 30000), bright(0, 99), channel(0, 65535);
    for (int i = 0; i < w * h; ++i) {
      // About one pixel in twelve is bright.
      const bool lit = bright(rng) < 8;
      auto c16 = [&] { return static_cast<std::uint16_t>(lit ? channel(rng) : dim(rng)); };
      storage->Pixels()[i] = BMM_Color_64{c16(), c16(), c16(), c16()};
      storage->ByteChannel()[i] = static_cast<std::uint8_t>(i % 3);
    }
    const std::vector<std::uint8_t> ids(storage->ByteChannel(), storage->ByteChannel() + w * h);
    Bitmap bitmap(std::move(storage));
    SourceCanvas canvas(nullptr, nullptr, &bitmap);
    canvas.RequestChannel(BMM_CHAN_BYTE);
    const BMM_Color_64 colour{50000, 40000, 30000, 20000};
    const literal::Picture source(canvas.sourcePixels, canvas.sourcePixels + w * h);
    auto expected = fxtest::CanvasPixels(canvas);
    literal::Sparkle(
        source, expected, w, h, [&](int x, int y) { return c.id == -1 || ids[y * w + x] == c.id; },
        c.useColour, colour, c.radius, c.threshold, c.rays, c.start);
    canvas.Sparkle(c.id, c.useColour, colour, c.radius, c.threshold, c.rays, c.start);
    EXPECT_EQ(fxtest::CanvasPixels(canvas), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SparkleMatchesLiteral,
    testing::Values(SparkleCase{"GivenColour", 1, 160, 6, 6, 0.0f, -1},
                    SparkleCase{"SourceColour", 0, 160, 5, 4, 20.0f, -1},
                    SparkleCase{"UseColourTwoMeansSource", 2, 140, 4, 5, 0.0f, -1},
                    SparkleCase{"LongerThanThePicture", 1, 200, 30, 3, 11.5f, -1},
                    SparkleCase{"EveryPixel", 1, 0, 2, 4, 45.0f, -1},
                    SparkleCase{"SelectedId", 1, 120, 5, 6, 0.0f, 1},
                    SparkleCase{"AboveEveryValue", 1, 256, 5, 6, 0.0f, -1}),
    [](const testing::TestParamInfo<SparkleCase>& p) { return std::string(p.param.name); });

TEST(Sparkle, UsesTheHostValueOfTheHighBytes) {
  // Value is the largest high byte: 0x7F here, just below a threshold of 128.
  auto bitmap = fxtest::RedBitmap(5, 5, std::vector<int>(25, 0x7FFF), 65535);
  SourceCanvas canvas(nullptr, nullptr, bitmap.get());
  fxtest::At(canvas, 2, 2) = BMM_Color_64{0, 0, 0, 0};  // the working picture only
  const auto before = fxtest::CanvasPixels(canvas);
  canvas.Sparkle(-1, 1, BMM_Color_64{100, 100, 100, 100}, 2, 128, 4, 0.0f);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), before);
  // Blue 0x8000 of the source at (2, 2) reaches 128; the star lands on the
  // working picture (alpha 0 there is added to like any other value).
  canvas.sourcePixels[12] = BMM_Color_64{0, 0, 0x8000, 0};
  canvas.Sparkle(-1, 1, BMM_Color_64{100, 200, 300, 400}, 1, 128, 1, 0.0f);
  EXPECT_EQ(fxtest::At(canvas, 2, 2), (BMM_Color_64{100, 200, 300, 400}));
}

}  // namespace
