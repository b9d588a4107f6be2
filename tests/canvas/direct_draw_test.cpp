// Drawing straight into a host bitmap: band placement of the mask, skipped
// off-bitmap bits, one host call per pixel, and the answers of the runs at
// and beyond the edges.
#include "canvas/direct_draw.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/bitmaps.h"

namespace {

using Cells = std::set<std::pair<int, int>>;
constexpr BMM_Color_64 kInk{11, 22, 33, 44};

// Pixels of the bitmap that hold the ink colour.
Cells Inked(Bitmap &bitmap) {
  Cells cells;
  const std::vector<BMM_Color_64> pixels = zarntest::Pixels(bitmap);
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      if (pixels[static_cast<std::size_t>(y) * bitmap.Width() + x] == kInk)
        cells.insert({x, y});
  return cells;
}

std::unique_ptr<Bitmap> Blank(int w, int h) {
  return std::make_unique<Bitmap>(MemoryStorage::Create(w, h));
}

// Storage that accepts every pixel but one, and counts the calls.
class RefuseOneStorage final : public BitmapStorage {
public:
  RefuseOneStorage(int w, int h, int refuseX, int refuseY)
      : BitmapStorage(BitmapInfo(static_cast<std::uint16_t>(w),
                                 static_cast<std::uint16_t>(h))),
        refuseX_(refuseX), refuseY_(refuseY) {}
  int GetPixels(int, int, int, BMM_Color_64 *) override { return 0; }
  int PutPixels(int x, int y, int count, const BMM_Color_64 *) override {
    ++calls;
    if (count != 1 || (x == refuseX_ && y == refuseY_))
      return 0;
    written.push_back({x, y});
    return 1;
  }
  void *GetChannel(std::uint32_t, std::uint32_t &typeOut) override {
    typeOut = 0;
    return nullptr;
  }
  int calls = 0;
  std::vector<std::pair<int, int>> written;

private:
  int refuseX_, refuseY_;
};

TEST(PutMaskBands, LaterBandsStackUpward) {
  // 32 mask rows of one byte; row i has the single bit for column i % 8.
  std::vector<std::uint8_t> mask(32);
  for (int i = 0; i < 32; ++i)
    mask[i] = static_cast<std::uint8_t>(0x80 >> (i % 8));
  auto bitmap = Blank(10, 40);
  EXPECT_EQ(PutMaskBands(bitmap.get(), 0, 20, 1, 2, mask.data(), kInk), 1);
  Cells expected;
  for (int r = 0; r < 16; ++r)
    expected.insert({r % 8, 20 + r}); // band 0: rows 20..35
  for (int r = 0; r < 16; ++r)
    expected.insert({(16 + r) % 8, 4 + r}); // band 1: rows 4..19
  EXPECT_EQ(Inked(*bitmap), expected);
}

struct MaskCase {
  const char *name;
  int x, y, bytesPerRow, bands;
  std::vector<std::uint8_t> firstRow; // the rest of the mask is zero
  int answer;
  Cells expected;
};

class PutMaskBandsCases : public ::testing::TestWithParam<MaskCase> {};

TEST_P(PutMaskBandsCases, DrawsTheSetBitsOnTheBitmap) {
  const MaskCase &c = GetParam();
  std::vector<std::uint8_t> mask(64 * 4, 0);
  for (std::size_t i = 0; i < c.firstRow.size(); ++i)
    mask[i] = c.firstRow[i];
  auto bitmap = Blank(12, 6);
  EXPECT_EQ(PutMaskBands(bitmap.get(), c.x, c.y, c.bytesPerRow, c.bands,
                         mask.data(), kInk),
            c.answer);
  EXPECT_EQ(Inked(*bitmap), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PutMaskBandsCases,
    ::testing::Values(
        // The first byte's bit lands at column -1 and is skipped; the next
        // byte starts 8 columns on, at 7.
        MaskCase{
            "ByteLeftOfEdgeSkipped", -1, 0, 2, 1, {0x80, 0x80}, 1, {{7, 0}}},
        MaskCase{"PartlyLeftOfEdge",
                 -3,
                 2,
                 1,
                 1,
                 {0xFF},
                 1,
                 {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}},
        MaskCase{"RightEdgeClips",
                 9,
                 1,
                 1,
                 1,
                 {0xFF},
                 1,
                 {{9, 1}, {10, 1}, {11, 1}}},
        MaskCase{"ZeroByteAdvancesEight",
                 0,
                 5,
                 2,
                 1,
                 {0x00, 0xC0},
                 1,
                 {{8, 5}, {9, 5}}},
        MaskCase{"BandBelowBitmap", 0, 6, 1, 1, {0xFF}, 1, {}},
        // Band 0 is rows 3..18 (only 3..5 exist), band 1 rows -13..2.
        MaskCase{"UpperBandAboveRowZero", 0, 3, 1, 2, {0x80}, 1, {{0, 3}}},
        MaskCase{"FarRightOfAnInt",
                 INT_MAX,
                 0,
                 4,
                 1,
                 {0xFF, 0xFF, 0xFF, 0xFF},
                 1,
                 {}},
        MaskCase{"FarAboveAnInt", 0, INT_MIN, 1, 4, {0xFF}, 1, {}},
        MaskCase{"NegativeBytesPerRow", 0, 0, -1, 1, {0xFF}, 1, {}},
        MaskCase{"ZeroBands", 0, 0, 1, 0, {0xFF}, 1, {}},
        MaskCase{"NegativeBands", 0, 0, 1, -2, {0xFF}, 1, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PutMaskBands, OneHostCallPerSetBitAndStopsAtTheFirstRefusal) {
  // Bits at columns 0, 2 and 3 of row 0, then 1 of row 1; (3, 0) is refused.
  std::vector<std::uint8_t> mask(16, 0);
  mask[0] = 0xB0;
  mask[1] = 0x40;
  auto storage = std::make_unique<RefuseOneStorage>(8, 16, 3, 0);
  RefuseOneStorage *host = storage.get();
  Bitmap bitmap(std::move(storage));
  EXPECT_EQ(PutMaskBands(&bitmap, 0, 0, 1, 1, mask.data(), kInk), 0);
  EXPECT_EQ(host->calls, 3);
  EXPECT_EQ(host->written, (std::vector<std::pair<int, int>>{{0, 0}, {2, 0}}));
}

TEST(PutMaskBands, NullBitmapOrMaskAnswersZero) {
  const std::uint8_t mask[16] = {0xFF};
  auto bitmap = Blank(4, 4);
  EXPECT_EQ(PutMaskBands(nullptr, 0, 0, 1, 1, mask, kInk), 0);
  EXPECT_EQ(PutMaskBands(bitmap.get(), 0, 0, 1, 1, nullptr, kInk), 0);
  EXPECT_EQ(Inked(*bitmap), Cells{});
}

TEST(PutMaskBands, BitmapWithoutStorageSkipsEveryBit) {
  const std::uint8_t mask[16] = {0xFF};
  Bitmap empty;
  EXPECT_EQ(PutMaskBands(&empty, 0, 0, 1, 1, mask, kInk), 1);
}

struct RunCase {
  const char *name;
  bool vertical;
  int x, y, count;
  int answer;
  Cells expected;
};

class BitmapRuns : public ::testing::TestWithParam<RunCase> {};

// On a 5 x 4 bitmap whose host refuses pixels off it.
TEST_P(BitmapRuns, WriteUntilTheHostRefuses) {
  const RunCase &c = GetParam();
  auto bitmap = Blank(5, 4);
  const int answer = c.vertical
                         ? BitmapVRun(bitmap.get(), c.x, c.y, c.count, kInk)
                         : BitmapHRun(bitmap.get(), c.x, c.y, c.count, kInk);
  EXPECT_EQ(answer, c.answer);
  EXPECT_EQ(Inked(*bitmap), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BitmapRuns,
    ::testing::Values(
        RunCase{"HFromMinusTwo", false, -2, 1, 5, 1, {{0, 1}, {1, 1}, {2, 1}}},
        RunCase{"HWhole",
                false,
                0,
                3,
                5,
                1,
                {{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}}},
        // Pixels beyond the right edge reach the host, which refuses them.
        RunCase{"HPastRightEdge", false, 3, 0, 4, 0, {{3, 0}, {4, 0}}},
        RunCase{"HRowBelow", false, 0, 4, 2, 0, {}},
        RunCase{"HRowAbove", false, 0, -1, 2, 0, {}},
        RunCase{"HCountZero", false, 0, 0, 0, 1, {}},
        RunCase{"HCountNegative", false, 0, 0, -3, 1, {}},
        RunCase{"HAllLeftOfEdge", false, INT_MIN, 0, INT_MAX, 1, {}},
        RunCase{"HNearIntMax", false, INT_MAX - 1, 0, 5, 0, {}},
        RunCase{"VFromMinusOne", true, 2, -1, 3, 1, {{2, 0}, {2, 1}}},
        RunCase{"VPastBottom", true, 4, 2, 3, 0, {{4, 2}, {4, 3}}},
        RunCase{"VColumnRight", true, 5, 0, 1, 0, {}},
        RunCase{"VCountZero", true, 0, 0, 0, 1, {}},
        RunCase{"VAllAboveEdge", true, 0, INT_MIN, INT_MAX, 1, {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(BitmapRuns, OneHostCallPerPixelAndNullBitmap) {
  auto storage = std::make_unique<RefuseOneStorage>(8, 8, -1, -1);
  RefuseOneStorage *host = storage.get();
  Bitmap bitmap(std::move(storage));
  EXPECT_EQ(BitmapHRun(&bitmap, -3, 2, 6, kInk), 1);
  EXPECT_EQ(host->written,
            (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}, {2, 2}}));
  EXPECT_EQ(host->calls, 3);
  EXPECT_EQ(BitmapHRun(nullptr, 0, 0, 1, kInk), 0);
  EXPECT_EQ(BitmapVRun(nullptr, 0, 0, 1, kInk), 0);
  EXPECT_EQ(BitmapVRun(nullptr, 0, 0, 0, kInk), 1);
}

} // namespace
