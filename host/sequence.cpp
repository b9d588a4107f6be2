#include "host/sequence.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>

#include "host/image_io.h"

namespace fs = std::filesystem;

namespace zarn::host {
namespace {

bool IsDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool ParseNumber(const std::string& s, long long& out) {
  std::string digits = s;
  bool negative = false;
  if (!digits.empty() && digits[0] == '-') {
    negative = true;
    digits = digits.substr(1);
  }
  if (!IsDigits(digits) || digits.size() > 15) return false;
  out = std::stoll(digits);
  if (negative) out = -out;
  return true;
}

// Trailing digits of a file's stem (shot.0012.png -> 12), if any.
bool TrailingNumber(const fs::path& path, long long& out) {
  std::string stem = path.stem().string();
  std::size_t end = stem.size();
  std::size_t start = end;
  while (start > 0 && std::isdigit(static_cast<unsigned char>(stem[start - 1]))) --start;
  if (start == end || end - start > 15) return false;
  out = std::stoll(stem.substr(start, end - start));
  return true;
}

std::string Join(const fs::path& dir, const std::string& name) {
  return dir.empty() ? name : (dir / name).string();
}

bool IsImageName(const fs::path& path) {
  io::FileType type;
  return io::TypeFromName(path.filename().string(), type);
}

std::string ListNames(const std::vector<std::string>& names) {
  std::string text;
  const std::size_t shown = std::min<std::size_t>(names.size(), 5);
  for (std::size_t i = 0; i < shown; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > shown) text += " and " + std::to_string(names.size() - shown) + " more";
  return text;
}

std::string Canonical(const std::string& path) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(path, ec);
  return ec ? path : p.string();
}

}  // namespace

std::string Pattern::Format(long long number) const {
  std::string digits = std::to_string(number < 0 ? -number : number);
  const int pad = width - static_cast<int>(digits.size()) - (number < 0 ? 1 : 0);
  std::string body;
  if (number < 0) body = "-";
  if (pad > 0) {
    if (zeroPad) body += std::string(static_cast<std::size_t>(pad), '0');
    else body = std::string(static_cast<std::size_t>(pad), ' ') + body;
  }
  return prefix + body + digits + suffix;
}

bool ParsePattern(const std::string& text, Pattern& pattern, std::string& error) {
  Pattern result;
  bool found = false;
  std::string* part = &result.prefix;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *part += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '%') {
      *part += '%';
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool zero = false;
    if (j < text.size() && text[j] == '0') {
      zero = true;
      ++j;
    }
    std::string width;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) width += text[j++];
    if (j >= text.size() || text[j] != 'd' || width.size() > 2) {
      error = "'" + text + "': a frame pattern takes one %d, %4d or %04d";
      return false;
    }
    if (found) {
      error = "'" + text + "': a frame pattern takes only one %d";
      return false;
    }
    found = true;
    result.zeroPad = zero;
    result.width = width.empty() ? 0 : std::stoi(width);
    part = &result.suffix;
    i = j;
  }
  if (!found) return false;
  if (result.suffix.find_first_of("/\\") != std::string::npos) {
    error = "'" + text + "': the frame number must be in the file name, not a folder";
    return false;
  }
  pattern = result;
  return true;
}

bool ParseRange(const std::string& text, std::pair<long long, long long>& range) {
  // Split at the first '-' that is not a sign.
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '-') {
      long long a, b;
      if (ParseNumber(text.substr(0, i), a) && ParseNumber(text.substr(i + 1), b) && a <= b) {
        range = {a, b};
        return true;
      }
      return false;
    }
  }
  long long a;
  if (!ParseNumber(text, a)) return false;
  range = {a, a};
  return true;
}

namespace {

// Names in the pattern's folder that the pattern itself would write.
bool ListPatternInputs(const std::string& in, const Pattern& pattern, InputFrames& inputs,
                       std::string& error) {
  const bool prefixIsFolder = pattern.prefix.empty() || pattern.prefix.back() == '/';
  const std::string namePrefix =
      prefixIsFolder ? std::string() : fs::path(pattern.prefix).filename().string();
  const fs::path dir = prefixIsFolder ? fs::path(pattern.prefix) : fs::path(pattern.prefix).parent_path();
  const fs::path listed = dir.empty() ? fs::path(".") : dir;
  const std::string dirPart = pattern.prefix.substr(0, pattern.prefix.size() - namePrefix.size());
  std::error_code ec;
  if (!fs::is_directory(listed, ec)) {
    error = "no such folder: " + listed.string();
    return false;
  }
  Pattern probe = pattern;
  probe.prefix = namePrefix;
  for (const auto& entry : fs::directory_iterator(listed, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= namePrefix.size() + pattern.suffix.size()) continue;
    if (name.compare(0, namePrefix.size(), namePrefix) != 0) continue;
    if (name.compare(name.size() - pattern.suffix.size(), pattern.suffix.size(), pattern.suffix) != 0)
      continue;
    const std::string middle =
        name.substr(namePrefix.size(), name.size() - namePrefix.size() - pattern.suffix.size());
    long long number;
    if (!ParseNumber(middle, number) || probe.Format(number) != name) continue;
    inputs.byNumber[number] = dirPart + name;
  }
  if (inputs.byNumber.empty()) {
    error = "no frames match " + in;
    return false;
  }
  return true;
}

bool ListFolderInputs(const std::string& in, InputFrames& inputs, std::string& error) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(in, ec)) {
    if (entry.is_regular_file(ec) && IsImageName(entry.path()) && entry.path().filename().string()[0] != '.')
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::set<long long> numbers;
  bool numbered = true;
  for (const fs::path& f : files) {
    long long n;
    if (!TrailingNumber(f, n) || !numbers.insert(n).second) {
      numbered = false;
      break;
    }
  }
  long long position = 1;
  for (const fs::path& f : files) {
    long long n = position++;
    if (numbered) TrailingNumber(f, n);
    inputs.byNumber[n] = f.string();
  }
  if (inputs.byNumber.empty()) {
    error = "no PNG or EXR images in " + in;
    return false;
  }
  return true;
}

}  // namespace

bool ListInputs(const std::string& in, InputFrames& inputs, std::string& error) {
  inputs = {};
  std::string patternError;
  const bool isPattern = ParsePattern(in, inputs.pattern, patternError);
  if (!patternError.empty()) {
    error = patternError;
    return false;
  }
  std::error_code ec;
  if (isPattern) {
    inputs.kind = InputKind::Pattern;
    return ListPatternInputs(in, inputs.pattern, inputs, error);
  }
  if (fs::is_directory(in, ec)) {
    inputs.kind = InputKind::Folder;
    return ListFolderInputs(in, inputs, error);
  }
  if (!fs::exists(in, ec)) {
    error = "no such file or folder: " + in;
    return false;
  }
  inputs.kind = InputKind::File;
  long long n = 1;
  TrailingNumber(fs::path(in), n);
  inputs.byNumber[n] = in;
  return true;
}

bool SelectFrames(const InputFrames& inputs, const std::optional<std::pair<long long, long long>>& range,
                  std::vector<Frame>& selected, std::string& error) {
  selected.clear();
  if (!range) {
    for (const auto& [n, path] : inputs.byNumber) selected.push_back({n, path, {}});
    return true;
  }
  constexpr long long kMaxSpan = 10000000;
  const auto [first, last] = *range;
  if (last - first >= kMaxSpan) {
    error = "--frames " + std::to_string(first) + "-" + std::to_string(last) + ": at most " +
            std::to_string(kMaxSpan) + " frames at once";
    return false;
  }
  std::vector<std::string> missing;  // the first few, by name
  long long missingCount = 0;
  for (long long n = first; n <= last; ++n) {
    auto it = inputs.byNumber.find(n);
    if (it != inputs.byNumber.end()) {
      selected.push_back({n, it->second, {}});
      continue;
    }
    if (missing.size() < 5)
      missing.push_back(inputs.kind == InputKind::Pattern ? inputs.pattern.Format(n)
                                                          : "frame " + std::to_string(n));
    ++missingCount;
  }
  if (missingCount == 0) return true;
  std::string names = ListNames(missing);
  if (missingCount > static_cast<long long>(missing.size()))
    names += " and " + std::to_string(missingCount - static_cast<long long>(missing.size())) + " more";
  error = "missing frame" + std::string(missingCount > 1 ? "s" : "") + " in " + std::to_string(first) + "-" +
          std::to_string(last) + ": " + names;
  selected.clear();
  return false;
}

bool PlaceFrames(const std::string& out, InputKind inputKind, std::vector<Frame>& frames,
                 OutputKind& outputKind, std::string& error) {
  Pattern pattern;
  std::string patternError;
  const bool isPattern = ParsePattern(out, pattern, patternError);
  if (!patternError.empty()) {
    error = patternError;
    return false;
  }
  std::error_code ec;
  io::FileType type;
  if (isPattern) {
    outputKind = OutputKind::Pattern;
  } else if (fs::is_directory(out, ec) || (!out.empty() && (out.back() == '/' || out.back() == '\\')) ||
             (inputKind != InputKind::File && !io::TypeFromName(out, type))) {
    outputKind = OutputKind::Folder;
  } else {
    outputKind = OutputKind::File;
    if (frames.size() > 1) {
      error = "OUT must be a folder or a pattern (like out.%04d.png) for " + std::to_string(frames.size()) +
              " frames";
      return false;
    }
  }
  for (Frame& frame : frames) {
    switch (outputKind) {
      case OutputKind::Pattern: frame.output = pattern.Format(frame.number); break;
      case OutputKind::Folder:
        frame.output = Join(fs::path(out), fs::path(frame.input).filename().string());
        break;
      case OutputKind::File: frame.output = out; break;
    }
    if (!io::TypeFromName(frame.output, type)) {
      error = frame.output + ": cannot tell the image type from the name (use .png or .exr)";
      return false;
    }
  }
  return true;
}

bool CheckFrames(const InputFrames& inputs, const std::vector<Frame>& frames, OutputKind outputKind,
                 std::string& error) {
  std::map<std::string, long long> inputByPath;
  for (const auto& [n, path] : inputs.byNumber) inputByPath[Canonical(path)] = n;
  std::set<std::string> outputs;
  for (const Frame& frame : frames) {
    const std::string target = Canonical(frame.output);
    if (!outputs.insert(target).second) {
      error = "two frames would be written to " + frame.output;
      return false;
    }
    auto it = inputByPath.find(target);
    if (it != inputByPath.end() && (it->second != frame.number || outputKind == OutputKind::Folder)) {
      error = frame.output +
              " is an input frame and would be overwritten; "
              "name it as the output to replace it";
      return false;
    }
  }
  return true;
}

bool PlanFrames(const std::string& in, const std::string& out,
                const std::optional<std::pair<long long, long long>>& range, FramePlan& plan,
                std::string& error) {
  plan = {};
  InputFrames inputs;
  std::vector<Frame> frames;
  OutputKind outputKind;
  if (!ListInputs(in, inputs, error) || !SelectFrames(inputs, range, frames, error) ||
      !PlaceFrames(out, inputs.kind, frames, outputKind, error) ||
      !CheckFrames(inputs, frames, outputKind, error))
    return false;
  plan.frames = std::move(frames);
  plan.first = plan.frames.front().number;
  plan.last = plan.frames.back().number;
  return true;
}

}  // namespace zarn::host
