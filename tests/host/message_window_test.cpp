// The window `zarn apply` hands to long toolkit operations.
#include "host/message_window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/interrupt.h"
#include "host/ops/registry.h"
#include "support/bitmaps.h"

namespace {

TEST(MessageWindow, ReportsRowsAndAnswersAbortAfterCtrlC) {
  zarn::host::MessageWindow window;
  ASSERT_NE(window.Handle(), nullptr);
  std::vector<std::pair<long long, long long>> rows;
  window.onProgress = [&](long long row, long long last) { rows.emplace_back(row, last); };
  std::int32_t aborted = 0;
  for (int y = 0; y < 3; ++y) {
    SendMessageA(window.Handle(), CANVAS_PROGRESS, static_cast<WPARAM>(y), 9);
    SendMessageA(window.Handle(), CANVAS_QUERY_ABORT, 0, reinterpret_cast<LPARAM>(&aborted));
  }
  EXPECT_EQ(aborted, 0);
  EXPECT_FALSE(window.AbortSent());
  EXPECT_EQ(rows, (std::vector<std::pair<long long, long long>>{{0, 9}, {1, 9}, {2, 9}}));
  zarn::host::RequestInterrupt();
  SendMessageA(window.Handle(), CANVAS_QUERY_ABORT, 0, reinterpret_cast<LPARAM>(&aborted));
  EXPECT_EQ(aborted, 1);
  EXPECT_TRUE(window.AbortSent());
  zarn::host::ClearInterrupt();
}

// Ctrl-C during `zarn apply blur`: the blur asks before each row, stops
// before the row after the interrupt and the picture is left as it was.
TEST(MessageWindow, CtrlCStopsTheBlurAtTheNextRow) {
  const zarn::ops::Operation* blur = zarn::ops::Operations().Find("blur");
  ASSERT_NE(blur, nullptr);
  zarn::ops::Args args;
  std::string error;
  ASSERT_TRUE(zarn::ops::ParseArgs(*blur, {"radius=2"}, args, error)) << error;
  const struct {
    const char* name;
    int interruptAtRow;  // -1: never
    zarn::ops::Status status;
    long long lastRowReported;
  } rows[] = {
      {"AtRow5", 5, zarn::ops::Status::Aborted, 5},
      {"AtRow0", 0, zarn::ops::Status::Aborted, 0},
      {"Never", -1, zarn::ops::Status::Done, 11},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    zarn::host::ClearInterrupt();
    auto bitmap = zarntest::PositionBitmap(7, 12);
    const std::vector<BMM_Color_64> before = zarntest::Pixels(*bitmap);
    zarn::host::MessageWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    std::vector<long long> reported;
    window.onProgress = [&](long long y, long long last) {
      EXPECT_EQ(last, 11);
      reported.push_back(y);
      // Ctrl-C arrives just as row y is reported; the query that follows
      // answers it.
      if (y == row.interruptAtRow) zarn::host::RequestInterrupt();
    };
    EXPECT_EQ(zarn::ops::Apply(*blur, *bitmap, args, {window.Handle()}, error), row.status);
    EXPECT_EQ(reported.size(), static_cast<std::size_t>(row.lastRowReported + 1));
    EXPECT_EQ(reported.back(), row.lastRowReported);
    EXPECT_EQ(window.AbortSent(), row.interruptAtRow >= 0);
    if (row.status == zarn::ops::Status::Aborted) {
      EXPECT_EQ(zarntest::Pixels(*bitmap), before);
    } else {
      EXPECT_NE(zarntest::Pixels(*bitmap), before);
    }
  }
  zarn::host::ClearInterrupt();
}

}  // namespace
