// Prints each benchmark's time as a ratio to an anchor measured in the same
// run (memcpy of the same frame, say): the anchor is the benchmark whose name
// starts with the anchor prefix and ends with the same size arguments.
// With --benchmark_repetitions the medians are compared.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/win.h"

namespace zarnbench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::string anchorPrefix) : anchorPrefix_(std::move(anchorPrefix)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool aggregate = run.run_type == Run::RT_Aggregate;
      if (aggregate && run.aggregate_name != "median") continue;
      std::string name = run.run_name.str();
      times_[name][aggregate] = run.GetAdjustedRealTime();
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-60s %10s\n", "ratio to anchor (same size, same run)", "x");
    for (const auto& [name, byKind] : times_) {
      if (name.rfind(anchorPrefix_, 0) == 0) continue;
      const std::string anchor = FindAnchor(name);
      if (anchor.empty()) continue;
      const bool median = byKind.count(true) && times_[anchor].count(true);
      const double t = median ? byKind.at(true) : byKind.begin()->second;
      const double a = median ? times_[anchor].at(true) : times_[anchor].begin()->second;
      if (a > 0) std::printf("%-60s %10.2f\n", name.c_str(), t / a);
    }
  }

 private:
  // Size arguments: what follows the last '/' that starts a number run.
  static std::string SizeKey(const std::string& name) {
    std::size_t i = name.find('/');
    while (i != std::string::npos && i + 1 < name.size() &&
           !(name[i + 1] >= '0' && name[i + 1] <= '9'))
      i = name.find('/', i + 1);
    if (i == std::string::npos) return "";
    std::string key = name.substr(i);
    const std::size_t rt = key.find("/real_time");
    return rt == std::string::npos ? key : key.substr(0, rt);
  }

  std::string FindAnchor(const std::string& name) const {
    const std::string key = SizeKey(name);
    for (const auto& [other, unused] : times_)
      if (other.rfind(anchorPrefix_, 0) == 0 && SizeKey(other) == key) return other;
    return "";
  }

  std::string anchorPrefix_;
  std::map<std::string, std::map<bool, double>> times_;
};

// main() for a suite whose anchor benchmarks start with anchorPrefix.
inline int RunWithRatios(int argc, char** argv, const char* anchorPrefix) {
  // The allocator policy the runner uses for frame sequences.
  platform::KeepFrameBuffersMapped();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(anchorPrefix);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace zarnbench
