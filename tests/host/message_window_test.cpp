// The window `zarn apply` hands to long toolkit operations.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/interrupt.h"
#include "host/message_window.h"

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
}

}  // namespace
