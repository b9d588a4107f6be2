// The post-production queue: frames from IN through the mirror filter to
// OUT, one filter object per worker, outputs written whole or not at all.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/atomic_file.h"
#include "host/frame.h"
#include "host/image_io.h"
#include "host/plugin_host.h"

namespace zarn::host {

enum ExitCode { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitAborted = 130 };

struct RunOptions {
  std::string in;
  std::string out;
  std::string config;  // a saved 12-byte block, or empty
  std::string scene;   // a scene file (JSON) whose camera rendered the frames, or empty
  std::optional<bool> horizontal;
  std::optional<bool> vertical;
  std::optional<std::pair<long long, long long>> frames;
  int jobs = 1;
  io::ReadLimits limits;  // frames claiming more are refused before they are read
  bool resume = false;
  bool progress = false;  // draw the progress line
  bool quiet = false;     // no summary line
};

// Runs the queue and answers the exit code; messages go to stderr.
int Run(const PluginHost& host, const RunOptions& options);

// The configuration block for the run: the filter's default, then the file
// (LoadConfigure), then the flag overrides (through a block given to
// LoadConfigure). False with a message naming the file.
bool BuildConfiguration(const PluginHost& host, const std::string& configPath, std::optional<bool> horizontal,
                        std::optional<bool> vertical, std::vector<std::uint8_t>& block, std::string& error);

// Loads a saved block file into the filter exactly as the host restores it.
bool LoadConfigurationFile(ImageFilter& filter, const std::string& path, std::string& error);

}  // namespace zarn::host
