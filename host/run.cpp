#include "host/run.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "host/interrupt.h"
#include "host/progress.h"
#include "host/sequence.h"
#include "platform/module.h"

namespace fs = std::filesystem;

namespace zarn::host {
namespace {

std::mutex tempMutex;
std::set<std::string>& Temporaries() {
  static std::set<std::string> files;
  return files;
}

std::string TempToken() {
  static const std::string token = [] {
    std::random_device device;
    char text[32];
    std::snprintf(text, sizeof(text), "%08x", static_cast<unsigned>(device()));
    return std::string(text);
  }();
  static std::atomic<unsigned> counter{0};
  return token + "-" + std::to_string(counter.fetch_add(1));
}

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

bool BuildConfiguration(const PluginHost& host, const std::string& configPath,
                        std::optional<bool> horizontal, std::optional<bool> vertical,
                        std::vector<std::uint8_t>& block, std::string& error) {
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

bool RenderFrame(ImageFilter& filter, io::Image& image, ImageFilterInfo* info, HWND window,
                 std::string& error) {
  const std::size_t n = static_cast<std::size_t>(image.width) * image.height;
  const bool carry = image.type == io::FileType::Exr || image.storage->Channels() != 0;
  std::vector<BMM_Color_64> before;
  if (carry) before.assign(image.storage->Pixels(), image.storage->Pixels() + n);

  filter.SetSource(image.bitmap.get());
  filter.SetFilterInfo(info);
  const int rendered = filter.Render(window);
  filter.SetSource(nullptr);
  if (rendered != 1) {
    filter.SetFilterInfo(nullptr);
    error = "the filter did not render the frame (answer " + std::to_string(rendered) + ")";
    return false;
  }
  if (!carry) {
    filter.SetFilterInfo(nullptr);
    return true;
  }

  // Where did each pixel come from? Render a frame of coordinates with the
  // same filter: if every result names a pixel whose colour it now holds,
  // the filter only moved pixels and everything else moves with them.
  io::Image probe;
  if (!io::Allocate(probe, image.width, image.height, 0, error)) return false;
  BMM_Color_64* p = probe.storage->Pixels();
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      p[static_cast<std::size_t>(y) * image.width + x] = {static_cast<std::uint16_t>(x),
                                                          static_cast<std::uint16_t>(y), 0x5A5A, 0xA5A5};
  filter.SetSource(probe.bitmap.get());
  const int probed = filter.Render(window);
  filter.SetSource(nullptr);
  filter.SetFilterInfo(nullptr);
  bool moved = probed == 1;
  std::vector<std::uint32_t> from(moved ? n : 0);
  const BMM_Color_64* after = image.storage->Pixels();
  for (std::size_t i = 0; moved && i < n; ++i) {
    const BMM_Color_64& c = p[i];
    if (c.b != 0x5A5A || c.a != 0xA5A5 || c.r >= image.width || c.g >= image.height) {
      moved = false;
      break;
    }
    const std::size_t src = static_cast<std::size_t>(c.g) * image.width + c.r;
    const BMM_Color_64& a = after[i];
    const BMM_Color_64& b = before[src];
    if (a.r != b.r || a.g != b.g || a.b != b.b || a.a != b.a) moved = false;
    from[i] = static_cast<std::uint32_t>(src);
  }
  if (moved) {
    io::PermuteChannels(image, from);
  } else if (image.type == io::FileType::Exr) {
    io::SyncFromBitmap(image);
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::string& error) {
  const fs::path target(path);
  const fs::path dir = target.parent_path();
  std::error_code ec;
  if (!dir.empty() && !fs::is_directory(dir, ec)) {
    fs::create_directories(dir, ec);
    if (ec) {
      error = "cannot make folder " + dir.string() + " (" + ec.message() + ")";
      return false;
    }
  }
  std::string tempName = ".";
  tempName.append(target.filename().string()).append(".zarn-").append(TempToken()).append(".tmp");
  const std::string temp = (dir / tempName).string();
  {
    std::lock_guard<std::mutex> lock(tempMutex);
    Temporaries().insert(temp);
  }
  auto forget = [&] {
    std::lock_guard<std::mutex> lock(tempMutex);
    Temporaries().erase(temp);
  };
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) {
    error = std::string("cannot write (") + std::strerror(errno) + ")";
    forget();
    return false;
  }
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed || Interrupted()) {
    error = Interrupted() ? "interrupted" : "cannot write (disk full?)";
    std::remove(temp.c_str());
    forget();
    return false;
  }
  std::string why;
  if (!platform::ReplaceFile(temp, path, why)) {
    error = "cannot rename the finished file into place (" + why + ")";
    std::remove(temp.c_str());
    forget();
    return false;
  }
  forget();
  return true;
}

bool WriteImage(const std::string& path, const io::Image& image, std::string& error) {
  io::FileType type;
  if (!io::TypeFromName(path, type)) {
    error = "cannot tell the image type from the name (use .png or .exr)";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  return io::Encode(image, type, bytes, error) && WriteFileAtomically(path, bytes, error);
}

void RemoveTemporaries() {
  std::lock_guard<std::mutex> lock(tempMutex);
  for (const std::string& temp : Temporaries()) std::remove(temp.c_str());
  Temporaries().clear();
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

  const int jobs = std::max(1, std::min<int>(options.jobs, static_cast<int>(std::max<std::size_t>(todo.size(), 1))));
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
    filters.push_back(std::move(filter));
  }

  Progress progress(stderr, options.progress, static_cast<int>(todo.size()), "frames");
  std::atomic<std::size_t> next{0};
  std::atomic<int> failed{0};
  std::atomic<int> done{0};

  auto worker = [&](ImageFilter& filter) {
    auto info = std::make_unique<ImageFilterInfo>();
    for (;;) {
      if (Interrupted()) return;
      const std::size_t index = next.fetch_add(1);
      if (index >= todo.size()) return;
      const Frame& frame = todo[index];
      std::string why;
      io::Image image;
      if (!io::Read(frame.input, image, why)) {
        progress.Message("zarn: " + frame.input + ": " + why);
        ++failed;
        continue;
      }
      info->cursorRange = FrameRange(static_cast<int>(plan.first), static_cast<int>(plan.last),
                                     static_cast<int>(frame.number));
      info->spanRange = FrameRange(static_cast<int>(plan.first), static_cast<int>(plan.last),
                                   static_cast<int>(frame.number));
      if (!RenderFrame(filter, image, info.get(), nullptr, why)) {
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
    std::fprintf(stderr, "zarn: interrupted after %d of %zu frames; finished frames are kept\n",
                 done.load(), todo.size());
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
