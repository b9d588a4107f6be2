#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "support/bitmaps.h"

namespace {
using zarntest::PositionBitmap;
using zarntest::PositionColor;

bool Same(const BMM_Color_64& a, const BMM_Color_64& b) {
  return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

constexpr BMM_Color_64 kInk{65535, 1, 2, 3};

struct PlotCase {
  const char* name;
  float x, y;
  int px, py;  // pixel written, or -1 for none
};

class PlotBounds : public testing::TestWithParam<PlotCase> {};

TEST_P(PlotBounds, WritesTheTruncatedPixelOnlyInside) {
  const PlotCase& c = GetParam();
  auto bitmap = PositionBitmap(10, 10);
  for (int colour = 0; colour < 2; ++colour) {
    Canvas canvas(nullptr, nullptr, bitmap.get());
    if (colour) {
      canvas.PlotColor(c.x, c.y, kInk);
    } else {
      canvas.drawColor = kInk;
      canvas.Plot(c.x, c.y);
    }
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool hit = x == c.px && y == c.py;
        ASSERT_TRUE(Same(canvas.pixels[y * 10 + x], hit ? kInk : PositionColor(x, y)))
            << (colour ? "PlotColor" : "Plot") << " pixel " << x << "," << y;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, PlotBounds,
    testing::Values(PlotCase{"Inside", 2.7f, 5.2f, 2, 5},
                    PlotCase{"JustBelowWidth", 9.99f, 0.0f, 9, 0},
                    PlotCase{"WidthItself", 10.0f, 0.0f, -1, -1},
                    PlotCase{"JustBelowHeight", 0.0f, 9.999f, 0, 9},
                    PlotCase{"HeightItself", 3.0f, 10.0f, -1, -1},
                    // (-1, 0) is outside, not moved to 0.
                    PlotCase{"MinusHalf", -0.5f, 3.0f, -1, -1},
                    PlotCase{"TinyNegativeY", 1.0f, -1.0e-30f, -1, -1},
                    PlotCase{"NegativeZero", -0.0f, -0.0f, 0, 0},
                    PlotCase{"NaNX", NAN, 1.0f, -1, -1}, PlotCase{"NaNY", 1.0f, NAN, -1, -1},
                    PlotCase{"Infinite", INFINITY, 1.0f, -1, -1},
                    PlotCase{"MinusInfinite", 1.0f, -INFINITY, -1, -1},
                    PlotCase{"Huge", 3.0e38f, 3.0e38f, -1, -1}),
    [](const testing::TestParamInfo<PlotCase>& info) { return std::string(info.param.name); });

TEST(ReadPixel, AnswersCoverageAndFillsOutForEveryInsidePoint) {
  auto bitmap = PositionBitmap(4, 3);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.pixels[1 * 4 + 2].a = 0;  // uncovered pixel (2, 1)
  const BMM_Color_64 untouched{7, 7, 7, 7};

  BMM_Color_64 out = untouched;
  EXPECT_EQ(canvas.ReadPixel(3.9f, 2.5f, out), 1);
  EXPECT_TRUE(Same(out, PositionColor(3, 2)));

  out = untouched;
  EXPECT_EQ(canvas.ReadPixel(2.2f, 1.8f, out), 0);
  BMM_Color_64 expected = PositionColor(2, 1);
  expected.a = 0;
  EXPECT_TRUE(Same(out, expected));

  for (const auto& p : std::vector<std::pair<float, float>>{
           {-0.5f, 0.0f}, {4.0f, 0.0f}, {0.0f, 3.0f}, {NAN, 0.0f}, {0.0f, -INFINITY}}) {
    out = untouched;
    EXPECT_EQ(canvas.ReadPixel(p.first, p.second, out), 0) << p.first << "," << p.second;
    EXPECT_TRUE(Same(out, untouched));
  }
}

TEST(ReadPixelFrom, ReadsTheGivenBufferWithTheCanvasLayout) {
  auto bitmap = PositionBitmap(4, 3);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  std::vector<BMM_Color_64> other(12);
  for (int i = 0; i < 12; ++i)
    other[i] = BMM_Color_64{static_cast<std::uint16_t>(500 + i), 0, 0, static_cast<std::uint16_t>(i % 2)};
  BMM_Color_64 out{};
  EXPECT_EQ(canvas.ReadPixelFrom(1.5f, 2.0f, other.data(), out), 1);  // element 9
  EXPECT_EQ(out.r, 509);
  EXPECT_EQ(canvas.ReadPixelFrom(0.0f, 2.0f, other.data(), out), 0);  // element 8, alpha 0
  EXPECT_EQ(out.r, 508);
  out.r = 1;
  EXPECT_EQ(canvas.ReadPixelFrom(0.0f, 3.0f, other.data(), out), 0);
  EXPECT_EQ(out.r, 1);
  // A missing buffer reads as outside instead of through a null pointer.
  EXPECT_EQ(canvas.ReadPixelFrom(1.0f, 1.0f, nullptr, out), 0);
  EXPECT_EQ(out.r, 1);
}

// A bitmap with a byte and a 16-bit channel: byte = 10 + element,
// 16-bit = 40000 + element, float = 0.5 * element.
std::unique_ptr<Bitmap> ChannelBitmap(std::uint32_t channels) {
  auto storage = MemoryStorage::Create(3, 2, channels);
  for (int i = 0; i < 6; ++i) {
    if (storage->ByteChannel()) storage->ByteChannel()[i] = static_cast<std::uint8_t>(10 + i);
    if (storage->U16Channel()) storage->U16Channel()[i] = static_cast<std::uint16_t>(40000 + i);
    if (storage->FloatChannel()) storage->FloatChannel()[i] = 0.5f * i;
  }
  return std::make_unique<Bitmap>(std::move(storage));
}

TEST(ReadIdChannel, PrefersTheByteChannelOnceRequested) {
  auto bitmap = ChannelBitmap(BMM_CHAN_BYTE | BMM_CHAN_U16);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(canvas.ReadIdChannel(2, 1), 0u);  // nothing requested yet
  ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_U16), 1);
  EXPECT_EQ(canvas.ReadIdChannel(2, 1), 40005u);
  ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_BYTE), 1);
  EXPECT_EQ(canvas.ReadIdChannel(2, 1), 15u);
  EXPECT_EQ(canvas.ReadIdChannel(0, 0), 10u);
}

TEST(ReadIdChannel, AMissingByteChannelHidesThe16BitOne) {
  auto bitmap = ChannelBitmap(BMM_CHAN_U16);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_U16), 1);
  EXPECT_EQ(canvas.ReadIdChannel(1, 0), 40001u);
  EXPECT_EQ(canvas.RequestChannel(BMM_CHAN_BYTE), 0);
  EXPECT_EQ(canvas.ReadIdChannel(1, 0), 0u);
}

TEST(Channels, ReadZeroOutsideAndWhenNeverRequested) {
  auto bitmap = ChannelBitmap(BMM_CHAN_BYTE | BMM_CHAN_U16 | BMM_CHAN_FLOAT);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(canvas.ReadIdChannel(1, 1), 0u);
  EXPECT_EQ(canvas.ReadFloatChannel(1, 1), 0.0f);
  ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_FLOAT), 1);
  ASSERT_EQ(canvas.RequestChannel(BMM_CHAN_U16), 1);
  EXPECT_EQ(canvas.ReadFloatChannel(1, 1), 2.0f);
  const int outside[][2] = {{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT_MIN, 0}, {0, INT_MAX},
                            {INT_MAX, INT_MAX}};
  for (const auto& p : outside) {
    EXPECT_EQ(canvas.ReadIdChannel(p[0], p[1]), 0u) << p[0] << "," << p[1];
    EXPECT_EQ(canvas.ReadFloatChannel(p[0], p[1]), 0.0f) << p[0] << "," << p[1];
  }
}

TEST(ReadFloatChannel, IgnoresTheChannelMask) {
  auto bitmap = ChannelBitmap(BMM_CHAN_FLOAT);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  std::uint32_t type = 0;
  canvas.channel1 = static_cast<float*>(bitmap->FetchChannel(BMM_CHAN_FLOAT, type));
  ASSERT_EQ(canvas.channelMask, 0u);
  EXPECT_EQ(canvas.ReadFloatChannel(2, 1), 2.5f);
}

TEST(PixelAccess, AnEmptyCanvasWritesAndReadsNothing) {
  auto bitmap = zarntest::HollowBitmap(0, 0);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.Plot(0.0f, 0.0f);
  canvas.PlotColor(0.0f, 0.0f, kInk);
  BMM_Color_64 out{1, 2, 3, 4};
  EXPECT_EQ(canvas.ReadPixel(0.0f, 0.0f, out), 0);
  EXPECT_EQ(out.r, 1);
  EXPECT_EQ(canvas.ReadIdChannel(0, 0), 0u);
}

}  // namespace
