// Frames named by IN and OUT: a file, a folder, or a printf-style pattern
// with one %d (shot.%04d.exr).
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace zarn::host {

struct Pattern {
  std::string prefix;
  std::string suffix;
  int width = 0;        // minimum digits
  bool zeroPad = false;
  std::string Format(long long number) const;
};

// True when text holds one %d conversion (%%, %d, %4d, %04d); false with no
// error for text without one; false with an error for a malformed one.
bool ParsePattern(const std::string& text, Pattern& pattern, std::string& error);

struct Frame {
  long long number = 0;
  std::string input;
  std::string output;
};

struct FramePlan {
  std::vector<Frame> frames;  // in frame order
  long long first = 0;        // span of the whole selection
  long long last = 0;
};

// Expands IN and OUT into frames; range selects frame numbers A..B, every
// one of which must exist. False with a one-line message (a usage error).
bool PlanFrames(const std::string& in, const std::string& out,
                const std::optional<std::pair<long long, long long>>& range, FramePlan& plan,
                std::string& error);

// "A-B" or "A" (negative numbers allowed as "-5--1"); false when malformed.
bool ParseRange(const std::string& text, std::pair<long long, long long>& range);

}  // namespace zarn::host
