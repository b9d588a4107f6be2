// Frames named by IN and OUT: a file, a folder, or a printf-style pattern
// with one %d (shot.%04d.exr).
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zarn::host {

struct Pattern {
  std::string prefix;
  std::string suffix;
  int width = 0;  // minimum digits
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

// Planning runs in four steps, each false with a one-line message (a usage
// error): list what IN names, select the range, place each frame's output,
// check that no two frames collide and no input is overwritten by accident.
enum class InputKind { Pattern, Folder, File };
enum class OutputKind { Pattern, Folder, File };

struct InputFrames {
  InputKind kind = InputKind::File;
  Pattern pattern;                            // when kind is Pattern
  std::map<long long, std::string> byNumber;  // frame number -> path
};

// A pattern lists the names it would itself write (%04d: 0007, not 7); a
// folder numbers its images by the digits that end their names when those
// are distinct, else by position from 1; a file is one frame.
bool ListInputs(const std::string& in, InputFrames& inputs, std::string& error);

// Every frame of range (all of them without one), each of which must exist.
bool SelectFrames(const InputFrames& inputs, const std::optional<std::pair<long long, long long>>& range,
                  std::vector<Frame>& selected, std::string& error);

// Fills each frame's output from OUT: a pattern, a folder (keeping the input
// file name) or, for a single frame, a file.
bool PlaceFrames(const std::string& out, InputKind inputKind, std::vector<Frame>& frames,
                 OutputKind& outputKind, std::string& error);

// No two frames to one file; an input is overwritten only when it is itself
// the named output.
bool CheckFrames(const InputFrames& inputs, const std::vector<Frame>& frames, OutputKind outputKind,
                 std::string& error);

// All four steps.
bool PlanFrames(const std::string& in, const std::string& out,
                const std::optional<std::pair<long long, long long>>& range, FramePlan& plan,
                std::string& error);

// "A-B" or "A" (negative numbers allowed as "-5--1"); false when malformed.
bool ParseRange(const std::string& text, std::pair<long long, long long>& range);

}  // namespace zarn::host
