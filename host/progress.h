// One updating line on a terminal: frames done of total, rate, time left.
// Silent when the stream is not a terminal.
#pragma once
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

namespace zarn::host {

class Progress {
 public:
  // enabled: draw at all (the caller checks for a terminal).
  Progress(std::FILE* stream, bool enabled, int total, std::string unit);
  ~Progress();
  void Step(int count = 1);
  // Sets the amount done directly (for row counts).
  void Set(int done);
  // Clears the line so that messages print cleanly.
  void Finish();
  // Prints a message on its own line, redrawing the bar below it.
  void Message(const std::string& text);

 private:
  void DrawLocked();

  std::FILE* stream_;
  bool enabled_;
  int total_;
  int done_ = 0;
  std::string unit_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
  std::mutex mutex_;
};

}  // namespace zarn::host
