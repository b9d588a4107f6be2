#include "host/progress.h"

#include <cmath>

namespace zarn::host {

Progress::Progress(std::FILE* stream, bool enabled, int total, std::string unit)
    : stream_(stream), enabled_(enabled), total_(total), unit_(std::move(unit)),
      start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

Progress::~Progress() { Finish(); }

void Progress::Step(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  done_ += count;
  DrawLocked();
}

void Progress::Set(int done) {
  std::lock_guard<std::mutex> lock(mutex_);
  done_ = done;
  // Rows arrive fast: redraw at most ten times a second.
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && done_ < total_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  DrawLocked();
}

void Progress::DrawLocked() {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  lastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0.0 ? done_ / seconds : 0.0;
  const int width = 24;
  const int filled = total_ > 0 ? static_cast<int>(static_cast<long long>(width) * done_ / total_) : 0;
  std::string bar(static_cast<std::size_t>(filled < 0 ? 0 : filled > width ? width : filled), '#');
  bar.resize(width, '.');
  char left[32] = "--:--";
  if (rate > 0.0 && done_ <= total_) {
    const double remaining = (total_ - done_) / rate;
    if (std::isfinite(remaining) && remaining < 360000.0) {
      const long s = static_cast<long>(remaining + 0.5);
      std::snprintf(left, sizeof(left), "%ld:%02ld", s / 60, s % 60);
    }
  }
  std::fprintf(stream_, "\r[%s] %d/%d %s  %.1f %s/s  %s left\x1b[K", bar.c_str(), done_, total_,
               unit_.c_str(), rate, unit_.c_str(), left);
  std::fflush(stream_);
  drawn_ = true;
}

void Progress::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (enabled_ && drawn_) {
    std::fprintf(stream_, "\r\x1b[K");
    std::fflush(stream_);
  }
  drawn_ = false;
}

void Progress::Message(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (enabled_ && drawn_) std::fprintf(stream_, "\r\x1b[K");
  std::fprintf(stream_, "%s\n", text.c_str());
  if (enabled_ && drawn_) DrawLocked();
  std::fflush(stream_);
}

}  // namespace zarn::host
