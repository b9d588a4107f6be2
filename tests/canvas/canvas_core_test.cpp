#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "canvas/canvas.h"
#include "support/bitmaps.h"

using zarntest::PositionBitmap;
using zarntest::PositionColor;

TEST(Canvas, ConstructionReadsTheBitmapAndSetsDefaults) {
  auto bitmap = PositionBitmap(3, 2);
  Canvas c(nullptr, nullptr, bitmap.get());
  ASSERT_TRUE(c.HasPixels());
  EXPECT_EQ(c.width, 3);
  EXPECT_EQ(c.height, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(c.pixels[y * 3 + x], PositionColor(x, y));
  EXPECT_EQ(c.drawColor, (BMM_Color_64{65535, 65535, 65535, 65535}));
  EXPECT_EQ(c.secondColor, (BMM_Color_64{0, 0, 0, 0}));
  EXPECT_EQ(c.penPos, Point2(0.0f, 0.0f));
  EXPECT_EQ(c.arcSegments, 50);
  EXPECT_EQ(c.channel1, nullptr);
  EXPECT_EQ(c.channel2, nullptr);
  EXPECT_EQ(c.channel4, nullptr);
  EXPECT_EQ(c.channelMask, 0u);
}

TEST(Canvas, DefaultFontRecord) {
  auto bitmap = PositionBitmap(1, 1);
  Canvas c(nullptr, nullptr, bitmap.get());
  LOGFONTA expected;
  std::memset(&expected, 0, sizeof(expected));
  expected.lfHeight = 28;
  expected.lfWeight = 400;
  expected.lfCharSet = 129;
  expected.lfOutPrecision = 3;
  expected.lfClipPrecision = 2;
  expected.lfQuality = 1;
  expected.lfPitchAndFamily = 18;
  std::strcpy(expected.lfFaceName, "Arial");
  EXPECT_EQ(std::memcmp(&c.font, &expected, sizeof(LOGFONTA)), 0);
}

TEST(Canvas, VariantDefaults) {
  auto bitmap = PositionBitmap(2, 2);
  TurtleCanvas turtle(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(turtle.heading, 0.0f);
  FigureCanvas figure(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(figure.heading, 0.0f);
  TreeCanvas tree(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(tree.heading, 0.0f);
  EXPECT_EQ(tree.spreadScale, 1.2f);
  EXPECT_EQ(tree.lengthScale, 0.4f);
  EXPECT_EQ(tree.branchCount, 3);
}

TEST(Canvas, StoreStraightBackLeavesTheBitmapUnchanged) {
  auto bitmap = PositionBitmap(5, 4);
  const auto before = zarntest::Pixels(*bitmap);
  Canvas c(nullptr, nullptr, bitmap.get());
  c.Store();
  c.Store();
  EXPECT_EQ(zarntest::Pixels(*bitmap), before);
}

TEST(Canvas, OneByOneStoresWithOneCallOfCountOne) {
  auto* storage = new zarntest::CountingStorage(1, 1);
  Bitmap bitmap{std::unique_ptr<BitmapStorage>(storage)};
  Canvas c(nullptr, nullptr, &bitmap);
  EXPECT_EQ(c.width, 1);
  EXPECT_EQ(c.height, 1);
  c.Store();
  ASSERT_EQ(storage->puts.size(), 1u);
  EXPECT_EQ(storage->puts[0].x, 0);
  EXPECT_EQ(storage->puts[0].y, 0);
  EXPECT_EQ(storage->puts[0].count, 1);
}

TEST(Canvas, BitmapWithoutStorageIsEmpty) {
  Bitmap empty;
  Canvas c(nullptr, nullptr, &empty);
  EXPECT_EQ(c.width, 0);
  EXPECT_EQ(c.height, 0);
  EXPECT_TRUE(c.HasPixels());
  EXPECT_EQ(c.RequestChannel(1), 0);
  EXPECT_EQ(c.RequestChannel(2), 0);
  EXPECT_EQ(c.RequestChannel(4), 0);
  c.Plot(0.0f, 0.0f);
  c.MirrorHorizontal();
  c.MirrorVertical();
  c.Store();
}

TEST(Canvas, FailedRowReadKeepsZeros) {
  auto* storage = new zarntest::HollowStorage(2, 2);
  Bitmap bitmap{std::unique_ptr<BitmapStorage>(storage)};
  Canvas c(nullptr, nullptr, &bitmap);
  ASSERT_TRUE(c.HasPixels());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(c.pixels[i], (BMM_Color_64{0, 0, 0, 0}));
  c.Store();
  EXPECT_EQ(storage->writes, 2);  // every row attempted although each fails
}

TEST(Canvas, UnallocatableBuffersLeaveAnEmptyCanvasThatWritesNothing) {
  auto* storage = new zarntest::HollowStorage(65535, 65535);
  Bitmap bitmap{std::unique_ptr<BitmapStorage>(storage)};
  {
    SourceCanvas c(nullptr, nullptr, &bitmap);
    EXPECT_FALSE(c.HasPixels());
    EXPECT_EQ(c.sourcePixels, nullptr);
    EXPECT_EQ(c.width, 0);
    EXPECT_EQ(c.height, 0);
    c.Plot(1.0f, 1.0f);
    c.PlotColor(5.0f, 5.0f, BMM_Color_64{1, 2, 3, 4});
    BMM_Color_64 out{9, 9, 9, 9};
    EXPECT_EQ(c.ReadPixel(1.0f, 1.0f, out), 0);
    EXPECT_EQ(out, (BMM_Color_64{9, 9, 9, 9}));
    c.MirrorHorizontal();
    c.MirrorVertical();
    c.Store();
  }
  EXPECT_EQ(storage->writes, 0);
}

TEST(SourceCanvas, SourcePixelsIsASecondReadThatOperationsLeaveAlone) {
  auto* storage = new zarntest::CountingStorage(4, 3);
  Bitmap bitmap{std::unique_ptr<BitmapStorage>(storage)};
  SourceCanvas c(nullptr, nullptr, &bitmap);
  ASSERT_NE(c.sourcePixels, nullptr);
  EXPECT_NE(c.sourcePixels, c.pixels);
  EXPECT_EQ(storage->gets.size(), 6u);  // two full reads, not a copy
  EXPECT_EQ(std::memcmp(c.sourcePixels, c.pixels, 12 * sizeof(BMM_Color_64)), 0);
  c.MirrorHorizontal();
  c.MirrorVertical();
  c.Plot(0.0f, 0.0f);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(c.sourcePixels[y * 4 + x], PositionColor(x, y));
}

TEST(Canvas, RequestChannel) {
  auto bitmap = PositionBitmap(2, 2, BMM_CHAN_FLOAT | BMM_CHAN_U16);
  Canvas c(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(c.RequestChannel(1), 1);
  EXPECT_NE(c.channel1, nullptr);
  EXPECT_EQ(c.RequestChannel(4), 1);
  EXPECT_NE(c.channel4, nullptr);
  float* const depth = c.channel1;
  std::uint16_t* const ids = c.channel4;

  // Type 3 is not a channel: answer 0, pointers kept, mask takes the bits.
  EXPECT_EQ(c.RequestChannel(3), 0);
  EXPECT_EQ(c.channel1, depth);
  EXPECT_EQ(c.channel4, ids);
  EXPECT_EQ(c.channel2, nullptr);
  EXPECT_EQ(c.channelMask, 7u);

  // No byte channel on this bitmap.
  Canvas d(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(d.RequestChannel(2), 0);
  EXPECT_EQ(d.channel2, nullptr);
  EXPECT_EQ(d.channelMask, 2u);
  EXPECT_EQ(d.RequestChannel(-1), 0);
  EXPECT_EQ(d.channelMask, 0xFFFFFFFFu);
}

TEST(Canvas, ColorSetters) {
  auto bitmap = PositionBitmap(1, 1);
  Canvas c(nullptr, nullptr, bitmap.get());
  c.SetDrawColor(BMM_Color_64{1, 2, 3, 4});
  EXPECT_EQ(c.drawColor, (BMM_Color_64{1, 2, 3, 4}));
  c.SetSecondColor(BMM_Color_64{5, 6, 7, 8});
  EXPECT_EQ(c.secondColor, (BMM_Color_64{5, 6, 7, 8}));
  c.SetDrawColorRGB(RGBColor{1.0f, 0.5f, 0.0f});
  EXPECT_EQ(c.drawColor, (BMM_Color_64{65535, 32767, 0, 65535}));
}

TEST(ToColor64, TruncatesAndWraps) {
  struct Row {
    float r, g, b;
    BMM_Color_64 expected;
  };
  const Row rows[] = {
      {1.0f, 0.5f, 0.0f, {65535, 32767, 0, 65535}},
      {0.25f, 0.75f, 0.999f, {16383, 49151, 65469, 65535}},
      // Out of 0..1 wraps modulo 65536: 2 * 65535 = 131070 -> 65534.
      {2.0f, -1.0f, -0.00001f, {65534, 1, 0, 65535}},
      // Beyond any integer: the processor's indefinite value, low bits 0.
      {1e30f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
       {0, 0, 0, 65535}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.r << " " << row.g << " " << row.b);
    BMM_Color_64 out{};
    ToColor64(row.r, row.g, row.b, out);
    EXPECT_EQ(out, row.expected);
  }
}

TEST(Canvas, SetFontFace) {
  auto bitmap = PositionBitmap(1, 1);
  Canvas c(nullptr, nullptr, bitmap.get());
  const LOGFONTA before = c.font;
  c.SetFontFace(40, "Liberation Serif");
  EXPECT_EQ(c.font.lfHeight, 40);
  EXPECT_STREQ(c.font.lfFaceName, "Liberation Serif");
  EXPECT_EQ(c.font.lfWeight, before.lfWeight);
  EXPECT_EQ(c.font.lfCharSet, before.lfCharSet);

  // A face longer than 31 characters is cut and terminated inside the record.
  const std::string longFace(50, 'x');
  c.SetFontFace(12, longFace.c_str());
  EXPECT_EQ(std::string(c.font.lfFaceName), std::string(31, 'x'));
  EXPECT_EQ(c.font.lfFaceName[31], '\0');
  c.SetFontFace(12, "Arial");
  EXPECT_STREQ(c.font.lfFaceName, "Arial");
  for (int i = 5; i < 32; ++i) EXPECT_EQ(c.font.lfFaceName[i], '\0');
}

TEST(Canvas, SetFontCopiesTheWholeRecord) {
  auto bitmap = PositionBitmap(1, 1);
  Canvas c(nullptr, nullptr, bitmap.get());
  LOGFONTA f;
  std::memset(&f, 0x5A, sizeof(f));
  f.lfFaceName[31] = 0;
  c.SetFont(f);
  EXPECT_EQ(std::memcmp(&c.font, &f, sizeof(f)), 0);
}

TEST(Canvas, ProgressPercent) {
  struct Row {
    int first, last, current;
    int expected;
  };
  const Row rows[] = {
      {0, 10, 5, 50},        // count 11, divisor 10
      {0, 0, 1, 100},        // count 1: divisor 1
      {0, 1, 1, 100},        // count 2: divisor 1
      {0, 2, 1, 50},         // count 3: divisor 2
      {10, 20, 15, 50},
      {10, 20, 5, -50},      // before the span: negative, truncated toward zero
      {0, 3, 1, 33},         // 100 / 3 truncated
      {0, -1, 5, 0},         // empty span
      // Extreme frame numbers: no overflow (the count saturates at 2^31 - 1).
      {-2147483647, 2147483646, 2147483647, 200},
  };
  auto bitmap = PositionBitmap(1, 1);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.first << ".." << row.last << " at " << row.current);
    ImageFilterInfo info;
    info.spanRange = FrameRange(row.first, row.last, row.first);
    info.cursorRange = FrameRange(row.first, row.last, row.current);
    Canvas c(nullptr, &info, bitmap.get());
    EXPECT_EQ(c.ProgressPercent(), row.expected);
  }
  Canvas noInfo(nullptr, nullptr, bitmap.get());
  EXPECT_EQ(noInfo.ProgressPercent(), 0);
}

namespace {
std::vector<std::string> comboStrings;
LRESULT CALLBACK ComboProcedure(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == CB_ADDSTRING && wParam == 0) comboStrings.emplace_back(reinterpret_cast<const char*>(lParam));
  return 0;
}
}  // namespace

TEST(Canvas, AddComboString) {
  auto bitmap = PositionBitmap(1, 1);
  Canvas none(nullptr, nullptr, bitmap.get());
  comboStrings.clear();
  EXPECT_EQ(AddComboString(none, CStr("ignored")), 0);
  EXPECT_TRUE(comboStrings.empty());
  HWND window = platform::CreateMessageWindow(&ComboProcedure);
  Canvas c(window, nullptr, bitmap.get());
  EXPECT_EQ(AddComboString(c, CStr("first")), 1);
  EXPECT_EQ(AddComboString(c, CStr("")), 1);
  platform::DestroyMessageWindow(window);
  EXPECT_EQ(comboStrings, (std::vector<std::string>{"first", ""}));
}

// A null bitmap is taken as one without storage: an empty canvas on which
// everything is a harmless no-op.
TEST(Canvas, NullBitmapGivesAnEmptyCanvas) {
  Canvas c(nullptr, nullptr, nullptr);
  EXPECT_FALSE(c.HasPixels());
  EXPECT_EQ(c.width, 0);
  EXPECT_EQ(c.height, 0);
  EXPECT_EQ(c.RequestChannel(BMM_CHAN_FLOAT), 0);
  EXPECT_EQ(c.channel1, nullptr);
  c.Store();
  c.MirrorHorizontal();
  c.DrawLine(0.0f, 0.0f, 5.0f, 5.0f);

  SourceCanvas source(nullptr, nullptr, nullptr);
  EXPECT_FALSE(source.HasPixels());
  EXPECT_EQ(source.sourcePixels, nullptr);
  source.Blur(-1, 3);
  source.Store();
  TreeCanvas tree(nullptr, nullptr, nullptr);
  EXPECT_EQ(tree.width, 0);
  FigureCanvas figure(nullptr, nullptr, nullptr);
  EXPECT_EQ(figure.height, 0);
}
