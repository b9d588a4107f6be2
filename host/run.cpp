#include "host/run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <new>
#include <thread>

#include "host/atomic_file.h"
#include "host/interrupt.h"
#include "host/progress.h"
#include "host/scene_file.h"
#include "host/sequence.h"

namespace fs = std::filesystem;

namespace zarn::host {
namespace {

std::string Hex(const std::uint8_t* data, std::size_t size) {
  std::string text;
  char b[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(b, sizeof(b), i ? " %02X" : "%02X", data[i]);
    text += b;
  }
  return text;
}

// Sets a little-endian 32-bit word of the block.
void PutWord(std::vector<std::uint8_t>& block, std::size_t offset, std::uint32_t value) {
  if (block.size() < offset + 4) return;
  for (int i = 0; i < 4; ++i) block[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

bool LoadConfigurationFile(ImageFilter& filter, const std::string& path, std::string& error) {
  std::vector<std::uint8_t> bytes;
  std::string why;
  if (!io::ReadFile(path, bytes, why)) {
    error = path + ": " + why;
    return false;
  }
  const std::uint32_t size = filter.EvaluateConfigure();
  if (bytes.size() != size) {
    error = path + ": a configuration is " + std::to_string(size) + " bytes, this file has " +
            std::to_string(bytes.size());
    return false;
  }
  if (filter.LoadConfigure(bytes.data()) != 1) {
    error = path + ": the filter refuses this configuration (" +
            Hex(bytes.data(), std::min<std::size_t>(bytes.size(), 4)) + " is not its identifier)";
    return false;
  }
  return true;
}

bool BuildConfiguration(const PluginHost& host, const std::string& configPath, std::optional<bool> horizontal,
                        std::optional<bool> vertical, std::vector<std::uint8_t>& block, std::string& error) {
  FilterPtr filter = host.CreateFilter(error);
  if (!filter) return false;
  if (!configPath.empty() && !LoadConfigurationFile(*filter, configPath, error)) return false;
  const std::uint32_t size = filter->EvaluateConfigure();
  if (size > (1u << 20)) {
    error = host.Path() + ": the filter asks for a " + std::to_string(size) + "-byte configuration";
    return false;
  }
  block.assign(size, 0);
  if (size == 0 || filter->SaveConfigure(block.data()) != 1) {
    error = host.Path() + ": the filter saves no configuration";
    return false;
  }
  if (horizontal || vertical) {
    if (horizontal) PutWord(block, 4, *horizontal ? 1 : 0);
    if (vertical) PutWord(block, 8, *vertical ? 1 : 0);
    if (filter->LoadConfigure(block.data()) != 1) {
      error = host.Path() + ": the filter refuses the flags";
      return false;
    }
  }
  return true;
}

int Run(const PluginHost& host, const RunOptions& options) {
  FramePlan plan;
  std::string error;
  if (!PlanFrames(options.in, options.out, options.frames, plan, error)) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitUsage;
  }
  std::vector<std::uint8_t> block;
  if (!BuildConfiguration(host, options.config, options.horizontal, options.vertical, block, error)) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitUsage;
  }
  std::unique_ptr<SceneFile> scene;
  if (!options.scene.empty() && !(scene = SceneFile::Read(options.scene, error))) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitUsage;
  }

  if (options.resume) {
    // A killed run can leave temporaries beside the frames it was writing.
    std::vector<std::string> outputs;
    for (const Frame& frame : plan.frames) outputs.push_back(frame.output);
    RemoveStaleTemporaries(outputs);
  }
  std::vector<Frame> todo;
  int skipped = 0;
  for (const Frame& frame : plan.frames) {
    std::error_code ec;
    if (options.resume && fs::exists(frame.output, ec)) {
      ++skipped;
      continue;
    }
    todo.push_back(frame);
  }

  const int jobs =
      std::max(1, std::min<int>(options.jobs, static_cast<int>(std::max<std::size_t>(todo.size(), 1))));
  std::vector<FilterPtr> filters;
  for (int j = 0; j < jobs; ++j) {
    FilterPtr filter = host.CreateFilter(error);
    if (!filter) {
      std::fprintf(stderr, "zarn: %s\n", error.c_str());
      return kExitFailed;
    }
    if (filter->LoadConfigure(block.data()) != 1) {
      std::fprintf(stderr, "zarn: %s: the filter refuses its own configuration\n", host.Path().c_str());
      return kExitFailed;
    }
    // The scene is only read while frames render, so the workers share it.
    if (scene) filter->SetHostInterface(&scene->Nodes());
    filters.push_back(std::move(filter));
  }

  Progress progress(stderr, options.progress, static_cast<int>(todo.size()), "frames");
  std::atomic<std::size_t> next{0};
  std::atomic<int> failed{0};
  std::atomic<int> done{0};

  auto worker = [&](ImageFilter& filter) {
    auto info = std::make_unique<ImageFilterInfo>();
    PixelMoves moves;
    for (;;) {
      if (Interrupted()) return;
      const std::size_t index = next.fetch_add(1);
      if (index >= todo.size()) return;
      const Frame& frame = todo[index];
      // A frame too large for this machine fails alone; the others go on.
      try {
        std::string why;
        // Declared first, so the image lets go of them before they go.
        std::vector<std::unique_ptr<RenderInfo>> rendered;
        io::Image image;
        if (!io::Read(frame.input, image, why, options.limits)) {
          progress.Message("zarn: " + frame.input + ": " + why);
          ++failed;
          continue;
        }
        // Every frame was rendered by the scene's camera at its own number.
        if (scene && !AttachScene(image, *scene, frame.number, rendered, why)) {
          progress.Message("zarn: " + frame.input + ": " + why);
          ++failed;
          continue;
        }
        info->cursorRange = FrameRange(static_cast<int>(plan.first), static_cast<int>(plan.last),
                                       static_cast<int>(frame.number));
        info->spanRange = FrameRange(static_cast<int>(plan.first), static_cast<int>(plan.last),
                                     static_cast<int>(frame.number));
        if (!RenderFrame(filter, image, info.get(), nullptr, moves, why)) {
          progress.Message("zarn: " + frame.input + ": " + why);
          ++failed;
          continue;
        }
        if (Interrupted()) return;  // abandon: nothing of this frame is written
        if (!WriteImage(frame.output, image, why)) {
          if (Interrupted()) return;
          progress.Message("zarn: " + frame.output + ": " + why);
          ++failed;
          continue;
        }
        ++done;
        progress.Step();
      } catch (const std::bad_alloc&) {
        progress.Message("zarn: " + frame.input + ": not enough memory for this frame");
        ++failed;
      }
    }
  };

  if (jobs == 1) {
    worker(*filters[0]);
  } else {
    std::vector<std::thread> threads;
    for (int j = 0; j < jobs; ++j) threads.emplace_back(worker, std::ref(*filters[j]));
    for (std::thread& t : threads) t.join();
  }
  progress.Finish();

  if (Interrupted()) {
    RemoveTemporaries();
    std::fprintf(stderr, "zarn: interrupted after %d of %zu frames; finished frames are kept\n", done.load(),
                 todo.size());
    return kExitAborted;
  }
  if (failed > 0) {
    std::fprintf(stderr, "zarn: %d of %zu frames failed\n", failed.load(), todo.size());
    return kExitFailed;
  }
  if (!options.quiet && options.progress) {
    std::fprintf(stderr, "zarn: %d frames done", done.load());
    if (skipped) std::fprintf(stderr, ", %d already there", skipped);
    std::fprintf(stderr, "\n");
  }
  return kExitOk;
}

}  // namespace zarn::host
