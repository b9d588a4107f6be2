#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/fixtures.h"

namespace {

using zarntest::PositionBitmap;
using zarntest::PositionColor;

// Mean of the opaque position-fixture pixels of [x0, x1) x [y0, y1), worked
// out from the fixture's formulas (every fixture alpha is non-zero).
BMM_Color_64 PositionMean(int x0, int y0, int x1, int y1) {
  long r = 0, g = 0, b = 0, n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      r += x + 10 * y;
      g += 1000 + x;
      b += 2000 + y;
      ++n;
    }
  return {static_cast<std::uint16_t>(r / n), static_cast<std::uint16_t>(g / n),
          static_cast<std::uint16_t>(b / n), 65535};
}

TEST(Mosaic, CellMeansWithCutCellsAtTheEdges) {
  auto bitmap = PositionBitmap(10, 10);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.Mosaic(4, 4, -1);
  // Cells of 4 x 4, 4 x 2 at the right, 2 x 4 at the bottom, 2 x 2 in the corner.
  EXPECT_EQ(fxtest::At(canvas, 0, 0), (BMM_Color_64{16, 1001, 2001, 65535}));
  EXPECT_EQ(fxtest::At(canvas, 9, 3), (BMM_Color_64{23, 1008, 2001, 65535}));
  EXPECT_EQ(fxtest::At(canvas, 3, 8), (BMM_Color_64{86, 1001, 2008, 65535}));
  EXPECT_EQ(fxtest::At(canvas, 9, 9), (BMM_Color_64{93, 1008, 2008, 65535}));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const int cx = x / 4 * 4, cy = y / 4 * 4;
      EXPECT_EQ(fxtest::At(canvas, x, y),
                PositionMean(cx, cy, std::min(cx + 4, 10), std::min(cy + 4, 10)))
          << x << "," << y;
    }
}

TEST(Mosaic, OnePixelWideColumns) {
  auto bitmap = PositionBitmap(3, 5);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  canvas.Mosaic(1, 4, -1);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(fxtest::At(canvas, x, y), y < 4 ? PositionMean(x, 0, x + 1, 4)
                                                : PositionMean(x, 4, x + 1, 5))
          << x << "," << y;
}

TEST(Mosaic, TransparentPixelsTakeNoPartButAreOverwritten) {
  auto bitmap = fxtest::RedBitmap(2, 2, {10, 21, 900, 40});
  Canvas canvas(nullptr, nullptr, bitmap.get());
  fxtest::At(canvas, 0, 1).a = 0;  // the 900 stays out of the mean
  canvas.Mosaic(2, 2, -1);
  // (10 + 21 + 40) / 3, (1000 + 1001 + 1001) / 3, (2000 + 2000 + 2001) / 3
  EXPECT_EQ(fxtest::CanvasPixels(canvas),
            std::vector<BMM_Color_64>(4, BMM_Color_64{23, 1000, 2000, 65535}));
}

TEST(Mosaic, CellWithoutOpaquePixelsIsLeftAlone) {
  auto bitmap = fxtest::RedBitmap(4, 1, {10, 20, 30, 41}, 0);
  Canvas canvas(nullptr, nullptr, bitmap.get());
  fxtest::At(canvas, 2, 0).a = 9;
  fxtest::At(canvas, 3, 0).a = 9;
  canvas.Mosaic(2, 1, -1);
  EXPECT_EQ(fxtest::Reds(canvas), (std::vector<int>{10, 20, 35, 35}));
  EXPECT_EQ(fxtest::At(canvas, 0, 0).a, 0);
  EXPECT_EQ(fxtest::At(canvas, 2, 0).a, 65535);
}

TEST(Mosaic, IdSelectionMeansOverAllAndWritesSelected) {
  auto storage = MemoryStorage::Create(2, 1, BMM_CHAN_BYTE);
  storage->Pixels()[0] = {100, 0, 0, 65535};
  storage->Pixels()[1] = {201, 0, 0, 65535};
  storage->ByteChannel()[0] = 3;
  storage->ByteChannel()[1] = 4;
  Bitmap bitmap(std::move(storage));
  Canvas canvas(nullptr, nullptr, &bitmap);
  canvas.RequestChannel(BMM_CHAN_BYTE);
  canvas.Mosaic(2, 1, 4);
  EXPECT_EQ(fxtest::Reds(canvas), (std::vector<int>{100, 150}));
}

// Seeded pictures with transparent pixels scattered through them, against a
// plain loop over each cell.
TEST(Mosaic, MatchesAPlainLoopOverEachCell) {
  struct Case {
    int w, h, cw, ch;
  } cases[] = {{11, 7, 3, 5}, {9, 9, 2, 2}, {17, 3, 5, 1}, {6, 13, 7, 4}, {33, 5, 16, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " cells " +
                 std::to_string(c.cw) + "x" + std::to_string(c.ch));
    auto storage = MemoryStorage::Create(c.w, c.h);
    std::uint32_t seed = 99;
    for (int i = 0; i < c.w * c.h; ++i) {
      seed = seed * 1103515245u + 12345u;
      const auto v = static_cast<std::uint16_t>(seed >> 16);
      storage->Pixels()[i] = {v, static_cast<std::uint16_t>(65535 - v / 3),
                              static_cast<std::uint16_t>(seed >> 8),
                              static_cast<std::uint16_t>((seed >> 13) % 3 == 0 ? 0 : v | 1)};
    }
    const std::vector<BMM_Color_64> in(storage->Pixels(), storage->Pixels() + c.w * c.h);
    Bitmap bitmap(std::move(storage));
    Canvas canvas(nullptr, nullptr, &bitmap);
    canvas.Mosaic(c.cw, c.ch, -1);
    for (int y0 = 0; y0 < c.h; y0 += c.ch)
      for (int x0 = 0; x0 < c.w; x0 += c.cw) {
        unsigned long long r = 0, g = 0, b = 0, n = 0;
        for (int y = y0; y < std::min(y0 + c.ch, c.h); ++y)
          for (int x = x0; x < std::min(x0 + c.cw, c.w); ++x) {
            const BMM_Color_64& p = in[y * c.w + x];
            if (p.a == 0) continue;
            r += p.r;
            g += p.g;
            b += p.b;
            ++n;
          }
        for (int y = y0; y < std::min(y0 + c.ch, c.h); ++y)
          for (int x = x0; x < std::min(x0 + c.cw, c.w); ++x) {
            const BMM_Color_64 expected =
                n ? BMM_Color_64{static_cast<std::uint16_t>(r / n), static_cast<std::uint16_t>(g / n),
                                 static_cast<std::uint16_t>(b / n), 65535}
                  : in[y * c.w + x];
            ASSERT_EQ(fxtest::At(canvas, x, y), expected) << x << "," << y;
          }
      }
  }
}

TEST(Mosaic, SizesThatChangeNothing) {
  auto bitmap = PositionBitmap(5, 5);
  for (auto [w, h] : {std::pair{1, 1}, {0, 5}, {5, 0}, {-3, 4}, {4, -3}, {-1, -1}, {1, 0}}) {
    Canvas canvas(nullptr, nullptr, bitmap.get());
    const auto before = fxtest::CanvasPixels(canvas);
    canvas.Mosaic(w, h, -1);
    EXPECT_EQ(fxtest::CanvasPixels(canvas), before) << w << " x " << h;
  }
}

}  // namespace
