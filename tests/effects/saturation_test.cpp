#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "effects/fixtures.h"

namespace {

std::unique_ptr<Bitmap> OneColour(BMM_Color_64 c, int count = 1, std::uint32_t channels = 0) {
  auto storage = MemoryStorage::Create(count, 1, channels);
  for (int i = 0; i < count; ++i) storage->Pixels()[i] = c;
  return std::make_unique<Bitmap>(std::move(storage));
}

struct SaturationCase {
  const char* name;
  BMM_Color_64 in;
  int percent;
  BMM_Color_64 out;
};

class Saturation : public testing::TestWithParam<SaturationCase> {};

TEST_P(Saturation, MovesChannelsAlongTheGreyLine) {
  const SaturationCase& c = GetParam();
  auto bitmap = OneColour(c.in);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.AdjustSaturation(c.percent, -1);
  EXPECT_EQ(canvas.pixels[0], c.out);
}

// grey of pure red = 30 * 65535 / 100 = 19660.
INSTANTIATE_TEST_SUITE_P(
    Percents, Saturation,
    testing::Values(
        SaturationCase{"HundredKeeps", {1234, 40000, 7, 99}, 100, {1234, 40000, 7, 99}},
        SaturationCase{"ZeroGivesGrey", {65535, 0, 0, 5}, 0, {19660, 19660, 19660, 5}},
        SaturationCase{"ZeroGreyOfMixed", {1000, 2000, 3000, 0}, 0, {1810, 1810, 1810, 0}},
        SaturationCase{"HalfBlends", {65535, 0, 0, 5}, 50, {42597, 9830, 9830, 5}},
        // Beyond 0..100 the channels are clamped, never wrapped.
        SaturationCase{"TenfoldClampsHigh", {65535, 0, 0, 5}, 1000, {65535, 0, 0, 5}},
        SaturationCase{"NegativeInverts", {65535, 0, 0, 5}, -100, {0, 39320, 39320, 5}},
        SaturationCase{"HugePercent", {65535, 1, 0, 5}, 2147483647, {65535, 0, 0, 5}},
        SaturationCase{"HugeNegative", {65535, 1, 0, 5}, -2147483647 - 1, {0, 65535, 65535, 5}}),
    [](const testing::TestParamInfo<SaturationCase>& p) { return std::string(p.param.name); });

// Seeded pixels at many percents against the formula worked in 64 bits and
// clamped.
TEST(Saturation, MatchesTheFormulaForAnyPercent) {
  const int percents[] = {-100000, -250, -1, 0, 1, 37, 99, 100, 101, 250, 100000};
  for (int percent : percents) {
    SCOPED_TRACE("percent " + std::to_string(percent));
    auto storage = MemoryStorage::Create(64, 4);
    std::uint32_t seed = 7;
    for (BMM_Color_64* p = storage->Pixels(); p != storage->Pixels() + 256; ++p) {
      seed = seed * 1103515245u + 12345u;
      *p = {static_cast<std::uint16_t>(seed >> 16), static_cast<std::uint16_t>(seed >> 5),
            static_cast<std::uint16_t>(seed * 31 >> 12), static_cast<std::uint16_t>(seed)};
    }
    const std::vector<BMM_Color_64> in(storage->Pixels(), storage->Pixels() + 256);
    Bitmap bitmap(std::move(storage));
    Canvas canvas(nullptr, nullptr, &bitmap);
    canvas.AdjustSaturation(percent, -1);
    for (int i = 0; i < 256; ++i) {
      const BMM_Color_64& p = in[i];
      const long long grey = (59LL * p.g + 11LL * p.b + 30LL * p.r) / 100;
      auto channel = [&](long long c) {
        return static_cast<std::uint16_t>(std::clamp(grey + (c - grey) * percent / 100, 0LL, 65535LL));
      };
      ASSERT_EQ(canvas.pixels[i], (BMM_Color_64{channel(p.r), channel(p.g), channel(p.b), p.a}))
          << "pixel " << i << " from " << p;
    }
  }
}

TEST(Saturation, WritesOnlyTheSelectedIds) {
  auto bitmap = OneColour({65535, 0, 0, 65535}, 3, BMM_CHAN_U16);
  std::uint16_t* ids = static_cast<MemoryStorage*>(bitmap->Storage())->U16Channel();
  ids[0] = 7;
  ids[1] = 8;
  ids[2] = 7;
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.RequestChannel(BMM_CHAN_U16);
  canvas.AdjustSaturation(0, 7);
  const BMM_Color_64 grey{19660, 19660, 19660, 65535}, red{65535, 0, 0, 65535};
  EXPECT_EQ(fxtest::CanvasPixels(canvas), (std::vector<BMM_Color_64>{grey, red, grey}));
  canvas.AdjustSaturation(0, 9);  // no pixel has it
  EXPECT_EQ(fxtest::CanvasPixels(canvas), (std::vector<BMM_Color_64>{grey, red, grey}));
}

}  // namespace
