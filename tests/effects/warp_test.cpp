#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "effects/fixtures.h"

namespace {

using fxtest::At;
using fxtest::RedBitmap;
using fxtest::Reds;

constexpr BMM_Color_64 kClear{0, 0, 0, 0};

// 4 x 3 and 4 x 4 pictures whose red channel names the source pixel.
const std::vector<int> kRed43 = {1, 11, 21, 31, 101, 111, 121, 131, 201, 211, 221, 231};
std::vector<int> Red44() {
  std::vector<int> r;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) r.push_back(x + 10 * y + 1);
  return r;
}

std::vector<int> Alphas(const Canvas& canvas) {
  std::vector<int> out;
  for (const BMM_Color_64& c : fxtest::CanvasPixels(canvas)) out.push_back(c.a);
  return out;
}

std::set<std::pair<int, int>> Written(const Canvas& canvas) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < canvas.height; ++y)
    for (int x = 0; x < canvas.width; ++x)
      if (canvas.pixels[y * canvas.width + x].a != 0) out.insert({x, y});
  return out;
}

TEST(BlendPixel, WeighsThenAveragesWithAnOpaquePixel) {
  auto bitmap = RedBitmap(2, 1, {0, 0});
  Canvas canvas(nullptr, nullptr, bitmap.get());
  At(canvas, 0, 0) = {100, 200, 300, 0};      // transparent: replaced
  At(canvas, 1, 0) = {100, 200, 300, 65535};  // opaque: averaged
  const BMM_Color_64 colour{51, 61, 71, 7};
  canvas.BlendPixel(0, 0, colour, 0.5f);
  canvas.BlendPixel(1, 0, colour, 1.0f);
  EXPECT_EQ(At(canvas, 0, 0), (BMM_Color_64{25, 30, 35, 7}));
  EXPECT_EQ(At(canvas, 1, 0), (BMM_Color_64{75, 130, 185, 65535}));
  canvas.BlendPixel(2, 0, colour, 1.0f);  // off the canvas: dropped
  canvas.PutPixel(-1, 0, colour);
}

struct SplatCase {
  const char* name;
  float x, y;
  std::set<std::pair<int, int>> pixels;
};

class Splats : public testing::TestWithParam<SplatCase> {};

TEST_P(Splats, CoverTheTwoByTwoAroundTheCeiling) {
  const SplatCase& c = GetParam();
  auto bitmap = RedBitmap(4, 3, kRed43);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.Clear();
  const BMM_Color_64 colour{500, 600, 700, 800};
  canvas.Splat(c.x, c.y, colour);
  EXPECT_EQ(Written(canvas), c.pixels);
  for (const auto& [x, y] : c.pixels) EXPECT_EQ(At(canvas, x, y), colour);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, Splats,
    testing::Values(
        SplatCase{"Integer", 2.0f, 1.0f, {{1, 0}, {1, 1}, {2, 0}, {2, 1}}},
        SplatCase{"Fractional", 2.5f, 1.25f, {{2, 1}, {2, 2}, {3, 1}, {3, 2}}},
        SplatCase{"Origin", 0.0f, 0.0f, {{0, 0}}},
        SplatCase{"JustLeftOfTheCanvas", -0.5f, 0.5f, {{0, 0}, {0, 1}}},
        SplatCase{"FarCorner", 4.0f, 3.0f, {{3, 2}}},
        SplatCase{"PastTheFarCorner", 4.01f, 3.0f, {}}),
    [](const testing::TestParamInfo<SplatCase>& p) { return std::string(p.param.name); });

// Splat is four BlendPixel calls at weight 1 in a fixed order; seeded splats
// over a canvas with covered and uncovered pixels must agree with them.
TEST(Splat, EqualsItsFourBlendPixelCalls) {
  auto bitmap = RedBitmap(6, 5, std::vector<int>(30, 0));
  Canvas splats(nullptr, nullptr, bitmap.get());
  Canvas blends(nullptr, nullptr, bitmap.get());
  for (int i = 0; i < 30; ++i) {
    const BMM_Color_64 start{static_cast<std::uint16_t>(i * 2001), static_cast<std::uint16_t>(65535 - i),
                             static_cast<std::uint16_t>(i * 77), static_cast<std::uint16_t>(i % 3 ? 9 : 0)};
    splats.pixels[i] = blends.pixels[i] = start;
  }
  std::uint32_t seed = 3;
  for (int n = 0; n < 200; ++n) {
    seed = seed * 1103515245u + 12345u;
    const float x = static_cast<float>(seed % 1400) / 200.0f - 0.5f;
    const float y = static_cast<float>((seed >> 11) % 1200) / 200.0f - 0.5f;
    const BMM_Color_64 c{static_cast<std::uint16_t>(seed >> 3), static_cast<std::uint16_t>(seed >> 7),
                         static_cast<std::uint16_t>(seed >> 16), static_cast<std::uint16_t>(n % 4 ? n : 0)};
    splats.Splat(x, y, c);
    const int cx = static_cast<int>(std::ceil(x)), cy = static_cast<int>(std::ceil(y));
    blends.BlendPixel(cx - 1, cy - 1, c, 1.0f);
    blends.BlendPixel(cx - 1, cy, c, 1.0f);
    blends.BlendPixel(cx, cy - 1, c, 1.0f);
    blends.BlendPixel(cx, cy, c, 1.0f);
    ASSERT_EQ(fxtest::CanvasPixels(splats), fxtest::CanvasPixels(blends)) << "splat " << n;
  }
}

TEST(Splat, SecondSplatAveragesWithTheFirst) {
  auto bitmap = RedBitmap(2, 2, {0, 0, 0, 0});
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.Clear();
  canvas.Splat(1.0f, 1.0f, {100, 0, 0, 65535});
  canvas.Splat(1.5f, 1.5f, {301, 0, 0, 65535});
  EXPECT_EQ(Reds(canvas), (std::vector<int>{100, 100, 100, 200}));
}

// Expected pixels follow the splat rule pixel by pixel, each source pixel in
// row order averaging into what is there; rotation corners carry the float
// rounding of cos and sin (cos 90 degrees is -4.37e-8, not 0), which moves
// some splats by a pixel.
struct WarpCase {
  const char* name;
  int w, h;
  std::function<void(Canvas&)> op;
  std::vector<int> red;
  std::vector<int> alpha;  // empty: all 65535
};

class Warps : public testing::TestWithParam<WarpCase> {};

TEST_P(Warps, MatchTheSplatRule) {
  const WarpCase& c = GetParam();
  auto bitmap = c.w == 4 && c.h == 3 ? RedBitmap(4, 3, kRed43, 1) : RedBitmap(4, 4, Red44(), 1);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  c.op(canvas);
  EXPECT_EQ(Reds(canvas), c.red);
  EXPECT_EQ(Alphas(canvas), c.alpha.empty() ? std::vector<int>(c.red.size(), 65535) : c.alpha);
}

INSTANTIATE_TEST_SUITE_P(
    Corners, Warps,
    testing::Values(
        // Corners in place: each pixel ends as the halvings of its 2 x 2.
        WarpCase{"Identity", 4, 3, [](Canvas& k) { k.ScaleImage(0, 1.0f, 1.0f); },
                 {82, 92, 102, 81, 182, 192, 202, 181, 206, 216, 226, 231}, {}},
        WarpCase{"IdentityCorners", 4, 3,
                 [](Canvas& k) { k.Warp(0, 0, 4, 3, 0, 3, 4, 0); },
                 {82, 92, 102, 81, 182, 192, 202, 181, 206, 216, 226, 231}, {}},
        WarpCase{"HalfIntoTopLeft", 4, 4, [](Canvas& k) { k.ScaleImage(2, 0.5f, 0.5f); },
                 {21, 22, 16, 0, 31, 32, 26, 0, 32, 33, 34, 0, 0, 0, 0, 0},
                 {65535, 65535, 65535, 0, 65535, 65535, 65535, 0, 65535, 65535, 65535, 0, 0, 0,
                  0, 0}},
        WarpCase{"Rotate90AboutCentre", 4, 4, [](Canvas& k) { k.RotateImage(0, 90.0f); },
                 {9, 16, 29, 34, 11, 20, 31, 33, 7, 19, 29, 32, 1, 18, 28, 31}, {}},
        WarpCase{"Rotate180AboutCentre", 4, 3, [](Canvas& k) { k.RotateImage(0, 180.0f); },
                 {231, 226, 216, 206, 181, 202, 192, 182, 81, 102, 92, 82}, {}},
        // Anchor 1 keeps the top edge: height 4 cos 30 = 3.46, bottom edge
        // from x = 1 to x = 3.
        WarpCase{"TiltVerticalTopEdge", 4, 4,
                 [](Canvas& k) { k.TiltVertical(1, 30.0f, 0.5f); },
                 {6, 11, 12, 9, 16, 21, 22, 19, 26, 31, 32, 29, 31, 32, 33, 34}, {}}),
    [](const testing::TestParamInfo<WarpCase>& p) { return std::string(p.param.name); });

TEST(Warp, ReadsTheBitmapNotTheCanvasOneRowPerFetch) {
  auto storage = std::make_unique<zarntest::CountingStorage>(4, 3);
  zarntest::CountingStorage* counting = storage.get();
  Bitmap bitmap(std::move(storage));
  Canvas canvas(nullptr, nullptr, &bitmap);
  Canvas fresh(nullptr, nullptr, &bitmap);
  At(canvas, 1, 1) = {9999, 9999, 9999, 65535};
  counting->gets.clear();
  canvas.ScaleImage(0, 1.0f, 1.0f);
  fresh.ScaleImage(0, 1.0f, 1.0f);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), fxtest::CanvasPixels(fresh));
  ASSERT_EQ(counting->gets.size(), 6u);  // two warps of three rows
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(counting->gets[i].y, i);
    EXPECT_EQ(counting->gets[i].x, 0);
    EXPECT_EQ(counting->gets[i].count, 4);
  }
}

TEST(Warp, OpaqueSecondColourTakesPartInTheFirstSplat) {
  auto bitmap = RedBitmap(1, 1, {200}, 1);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.SetSecondColor({100, 0, 0, 1});
  canvas.ScaleImage(0, 1.0f, 1.0f);
  EXPECT_EQ(At(canvas, 0, 0), (BMM_Color_64{150, 500, 1000, 65535}));
}

// Each row of the anchor table: squeezing the picture onto the anchor (scale
// 0, or a 90 degree tilt with k = 0) shows where the anchor is.
struct AnchorCase {
  const char* name;
  std::function<void(Canvas&)> op;
  std::set<std::pair<int, int>> written;
  bool unchanged;  // code outside the operation's column
};

class Anchors : public testing::TestWithParam<AnchorCase> {};

TEST_P(Anchors, FixThePointOfTheTable) {
  const AnchorCase& c = GetParam();
  auto bitmap = RedBitmap(4, 4, Red44());
  Canvas canvas(nullptr, nullptr, bitmap.get());
  const auto before = fxtest::CanvasPixels(canvas);
  c.op(canvas);
  if (c.unchanged) {
    EXPECT_EQ(fxtest::CanvasPixels(canvas), before);
  } else {
    EXPECT_EQ(Written(canvas), c.written);
  }
}

using P = std::set<std::pair<int, int>>;
const P kRow0 = {{0, 0}, {1, 0}, {2, 0}, {3, 0}};
const P kRow3 = {{0, 3}, {1, 3}, {2, 3}, {3, 3}};
const P kCol0 = {{0, 0}, {0, 1}, {0, 2}, {0, 3}};
const P kCol3 = {{3, 0}, {3, 1}, {3, 2}, {3, 3}};

INSTANTIATE_TEST_SUITE_P(
    Table, Anchors,
    testing::Values(
        AnchorCase{"ScaleCentre", [](Canvas& k) { k.ScaleImage(0, 0, 0); },
                   {{1, 1}, {1, 2}, {2, 1}, {2, 2}}, false},
        AnchorCase{"ScaleTopRight", [](Canvas& k) { k.ScaleImage(1, 0, 0); }, {{3, 0}}, false},
        AnchorCase{"ScaleBottomLeft", [](Canvas& k) { k.ScaleImage(-1, 0, 0); }, {{0, 3}}, false},
        AnchorCase{"ScaleTopLeft", [](Canvas& k) { k.ScaleImage(2, 0, 0); }, {{0, 0}}, false},
        AnchorCase{"ScaleUnknown", [](Canvas& k) { k.ScaleImage(3, 0, 0); }, {}, true},
        AnchorCase{"RotateTopRight", [](Canvas& k) { k.RotateImage(1, 90.0f); }, kCol3, false},
        AnchorCase{"RotateBottomLeft", [](Canvas& k) { k.RotateImage(-1, 90.0f); }, {}, false},
        AnchorCase{"RotateHasNoTopLeft", [](Canvas& k) { k.RotateImage(2, 90.0f); }, {}, true},
        AnchorCase{"RotateUnknown", [](Canvas& k) { k.RotateImage(-2, 90.0f); }, {}, true},
        AnchorCase{"TiltVerticalCentre", [](Canvas& k) { k.TiltVertical(0, 90.0f, 0); },
                   {{0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 1}, {2, 2}, {3, 1}, {3, 2}}, false},
        AnchorCase{"TiltVerticalTop", [](Canvas& k) { k.TiltVertical(1, 90.0f, 0); }, kRow0,
                   false},
        AnchorCase{"TiltVerticalBottom", [](Canvas& k) { k.TiltVertical(-1, 90.0f, 0); }, kRow3,
                   false},
        AnchorCase{"TiltVerticalHasNoTopLeft", [](Canvas& k) { k.TiltVertical(2, 90.0f, 0); },
                   {}, true},
        AnchorCase{"TiltHorizontalCentre", [](Canvas& k) { k.TiltHorizontal(0, 90.0f, 0); },
                   {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 0}, {2, 1}, {2, 2}, {2, 3}}, false},
        AnchorCase{"TiltHorizontalRight", [](Canvas& k) { k.TiltHorizontal(1, 90.0f, 0); },
                   kCol3, false},
        AnchorCase{"TiltHorizontalLeft", [](Canvas& k) { k.TiltHorizontal(-1, 90.0f, 0); },
                   kCol0, false},
        AnchorCase{"TiltHorizontalUnknown", [](Canvas& k) { k.TiltHorizontal(9, 90.0f, 0); }, {},
                   true}),
    [](const testing::TestParamInfo<AnchorCase>& p) { return std::string(p.param.name); });

TEST(RotateImage, TopRightAnchorTurnsTheTopRowIntoTheRightColumn) {
  auto bitmap = RedBitmap(4, 4, Red44());
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.RotateImage(1, 90.0f);
  EXPECT_EQ(Reds(canvas), (std::vector<int>{0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1}));
}

// Tiling on a 10 x 10 picture: tiles of trunc(10 / f) pixels repeated from
// the mode's corner. Each pixel shows which tile pixel it holds.
TEST(TileImage, RepeatsTheShrunkPictureFromEachCorner) {
  std::vector<int> red;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) red.push_back(x + 10 * y);
  auto bitmap = RedBitmap(10, 10, red);
  Canvas reference(nullptr, nullptr, bitmap.get());
  reference.ScaleImage(2, 1.0f / 2.5f, 1.0f / 2.5f);  // tile of 4 x 4 in the corner
  struct Case {
    int mode;
    int originX, originY;  // where a whole tile starts
  } cases[] = {{0, 0, 0}, {1, 2, 2}, {2, 0, 2}, {3, 2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode));
    Canvas canvas(nullptr, nullptr, bitmap.get());
    canvas.TileImage(c.mode, 2.5f, 2.5f);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        const int tx = ((x - c.originX) % 4 + 4) % 4;
        const int ty = ((y - c.originY) % 4 + 4) % 4;
        ASSERT_EQ(At(canvas, x, y), At(reference, tx, ty)) << x << "," << y;
      }
  }
}

TEST(TileImage, TwoByTwoGivesFourHalfCopies) {
  std::vector<int> red(64);
  for (int i = 0; i < 64; ++i) red[i] = i;
  auto bitmap = RedBitmap(8, 8, red);
  Canvas reference(nullptr, nullptr, bitmap.get());
  reference.ScaleImage(2, 0.5f, 0.5f);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.TileImage(0, 2.0f, 2.0f);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(At(canvas, x, y), At(reference, x % 4, y % 4));
}

TEST(TileImage, CountsOfOneOrLessLeaveTheCanvas) {
  auto bitmap = RedBitmap(4, 4, Red44());
  for (auto [fx, fy] : {std::pair{1.0f, 1.0f}, {0.5f, 2.0f}, {2.0f, 0.99f}}) {
    Canvas canvas(nullptr, nullptr, bitmap.get());
    const auto before = fxtest::CanvasPixels(canvas);
    canvas.TileImage(0, fx, fy);
    EXPECT_EQ(fxtest::CanvasPixels(canvas), before) << fx << "," << fy;
  }
}

TEST(TileImage, UnknownModeLeavesTheShrunkPicture) {
  auto bitmap = RedBitmap(4, 4, Red44());
  Canvas reference(nullptr, nullptr, bitmap.get());
  reference.ScaleImage(2, 0.5f, 0.5f);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.TileImage(7, 2.0f, 2.0f);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), fxtest::CanvasPixels(reference));
}

}  // namespace
