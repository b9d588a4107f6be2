// The row-by-row progress and abort messages of the long effects.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "effects/fixtures.h"
#include "effects/literal_effects.h"

namespace {

constexpr int kWidth = 7;
constexpr int kHeight = 9;

struct Message {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const Message&) const = default;
};

// What the receiving window saw, and the row at which it asks to stop.
struct Receiver {
  std::vector<Message> messages;
  WPARAM row = 0;
  long long abortAt = -1;
  long long destroyAt = -1;  // the window destroys itself on this row's progress
};
Receiver g_receiver;

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_receiver.messages.push_back({message, wParam, lParam});
  if (message == CANVAS_PROGRESS && static_cast<long long>(wParam) == g_receiver.destroyAt)
    platform::DestroyMessageWindow(window);
  if (message == CANVAS_PROGRESS) g_receiver.row = wParam;
  if (message == CANVAS_QUERY_ABORT && static_cast<long long>(g_receiver.row) == g_receiver.abortAt)
    *reinterpret_cast<std::int32_t*>(lParam) = 1;
  return 0;
}

class Window {
 public:
  Window() : handle_(platform::CreateMessageWindow(ReceiverProc)) { g_receiver = Receiver{}; }
  ~Window() { platform::DestroyMessageWindow(handle_); }
  HWND Handle() const { return handle_; }

 private:
  HWND handle_;
};

std::unique_ptr<Bitmap> Picture() {
  auto storage = MemoryStorage::Create(kWidth, kHeight, BMM_CHAN_FLOAT);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      // Every fourth pixel bright enough to sparkle.
      storage->Pixels()[y * kWidth + x] =
          (x + y) % 4 == 0 ? BMM_Color_64{60000, 1000, 0, 65535} : zarntest::PositionColor(x, y);
      storage->FloatChannel()[y * kWidth + x] = -static_cast<float>(x + y);
    }
  return std::make_unique<Bitmap>(std::move(storage));
}

struct LongEffect {
  const char* name;
  std::function<void(SourceCanvas&)> run;
  // The picture after the rows before `rows` are done, from a fresh canvas.
  std::function<literal::Picture(SourceCanvas&, int rows)> partly;
};

// Blurs finish their rows: rows before `rows` as a full run leaves them, the
// others as they were.
literal::Picture RowsOf(SourceCanvas& fresh, const std::function<void(SourceCanvas&)>& run,
                        int rows) {
  const auto before = fxtest::CanvasPixels(fresh);
  run(fresh);
  auto out = fxtest::CanvasPixels(fresh);
  std::copy(before.begin() + rows * kWidth, before.end(), out.begin() + rows * kWidth);
  return out;
}

const BMM_Color_64 kStar{3000, 2000, 1000, 500};

const LongEffect kEffects[] = {
    {"Blur", [](SourceCanvas& c) { c.Blur(-1, 2); },
     [](SourceCanvas& c, int rows) {
       return RowsOf(
           c, [](SourceCanvas& k) { k.Blur(-1, 2); }, rows);
     }},
    {"DepthBlur", [](SourceCanvas& c) { c.DepthBlur(-1, 4.0f, 6.0f, 3); },
     [](SourceCanvas& c, int rows) {
       return RowsOf(
           c, [](SourceCanvas& k) { k.DepthBlur(-1, 4.0f, 6.0f, 3); }, rows);
     }},
    // Stars of the finished rows reach into the rows below them.
    {"Sparkle", [](SourceCanvas& c) { c.Sparkle(-1, 1, kStar, 3, 200, 4, 0.0f); },
     [](SourceCanvas& c, int rows) {
       auto out = fxtest::CanvasPixels(c);
       const literal::Picture source(c.sourcePixels, c.sourcePixels + kWidth * kHeight);
       literal::Sparkle(
           source, out, kWidth, kHeight, [rows](int, int y) { return y < rows; }, 1, kStar, 3, 200,
           4, 0.0f);
       return out;
     }},
};

class Progress : public testing::TestWithParam<LongEffect> {};

std::vector<Message> Expected(const SourceCanvas& canvas, int lastRow) {
  std::vector<Message> out;
  for (int y = 0; y <= lastRow; ++y) {
    out.push_back({CANVAS_PROGRESS, static_cast<WPARAM>(y), kHeight - 1});
    out.push_back({CANVAS_QUERY_ABORT, 0, reinterpret_cast<LPARAM>(&canvas.aborted)});
  }
  return out;
}

// The canvas an effect runs on, with the window (or none), and a fresh one
// over the same picture to work out what it should leave; both with depth.
struct Canvases {
  std::unique_ptr<Bitmap> bitmap = Picture();
  SourceCanvas canvas;
  SourceCanvas fresh;
  explicit Canvases(HWND window) : canvas(window, nullptr, bitmap.get()), fresh(nullptr, nullptr, bitmap.get()) {
    canvas.RequestChannel(BMM_CHAN_FLOAT);
    fresh.RequestChannel(BMM_CHAN_FLOAT);
  }
};

TEST_P(Progress, EveryRowIsReportedBeforeItIsDone) {
  Window window;
  Canvases c(window.Handle());
  auto& [bitmap, canvas, fresh] = c;
  GetParam().run(canvas);
  EXPECT_EQ(g_receiver.messages, Expected(canvas, kHeight - 1));
  EXPECT_EQ(fxtest::CanvasPixels(canvas), GetParam().partly(fresh, kHeight));
  EXPECT_NE(fxtest::CanvasPixels(canvas),
            fxtest::CanvasPixels(SourceCanvas(nullptr, nullptr, bitmap.get())));
}

TEST_P(Progress, AbortAtRowFiveLeavesTheRowsBeforeItDone) {
  Window window;
  g_receiver.abortAt = 5;
  Canvases c(window.Handle());
  auto& [bitmap, canvas, fresh] = c;
  GetParam().run(canvas);
  EXPECT_EQ(g_receiver.messages, Expected(canvas, 5));
  EXPECT_NE(canvas.aborted, 0);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), GetParam().partly(fresh, 5));
}

TEST_P(Progress, AWindowDestroyedPartWayHearsNoMoreAndTheEffectFinishes) {
  Window window;
  g_receiver.destroyAt = 3;
  Canvases c(window.Handle());
  auto& [bitmap, canvas, fresh] = c;
  GetParam().run(canvas);
  std::vector<Message> expected = Expected(canvas, 2);
  expected.push_back({CANVAS_PROGRESS, 3, kHeight - 1});
  EXPECT_EQ(g_receiver.messages, expected);
  EXPECT_EQ(canvas.aborted, 0);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), GetParam().partly(fresh, kHeight));
}

TEST_P(Progress, ANullWindowRunsToTheEndWhateverAbortedHeld) {
  Canvases c(nullptr);
  auto& [bitmap, canvas, fresh] = c;
  canvas.aborted = 1;  // left over from an earlier run: cleared first
  GetParam().run(canvas);
  EXPECT_EQ(canvas.aborted, 0);
  EXPECT_EQ(fxtest::CanvasPixels(canvas), GetParam().partly(fresh, kHeight));
}

INSTANTIATE_TEST_SUITE_P(Table, Progress, testing::ValuesIn(kEffects),
                         [](const testing::TestParamInfo<LongEffect>& p) {
                           return std::string(p.param.name);
                         });

TEST(Progress, SparkleAboveEveryValueStillReportsEveryRow) {
  auto bitmap = Picture();
  Window window;
  SourceCanvas canvas(window.Handle(), nullptr, bitmap.get());
  const auto before = fxtest::CanvasPixels(canvas);
  canvas.Sparkle(-1, 1, kStar, 3, 256, 4, 0.0f);
  EXPECT_EQ(g_receiver.messages, Expected(canvas, kHeight - 1));
  EXPECT_EQ(fxtest::CanvasPixels(canvas), before);
}

}  // namespace
