// `zarn demo`: a short sequence drawn with the toolkit, mirrored with the
// default configuration and with both flags, a contact sheet, and, where
// the Windows build is there, the same frames through ZARN.FLT under Wine.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "canvas/canvas.h"
#include "host/commands.h"
#include "host/image_io.h"
#include "host/run.h"
#include "host/tiny_font.h"
#include "platform/module.h"

namespace fs = std::filesystem;

namespace zarn::host {
namespace {

constexpr int kFrames = 8;
constexpr int kWidth = 320;
constexpr int kHeight = 180;

struct Variant {
  const char* folder;
  const char* label;
  std::optional<bool> horizontal;
  std::optional<bool> vertical;
};

const Variant kVariants[] = {
    {"mirror-default", "DEFAULT: LEFT-RIGHT", std::nullopt, std::nullopt},
    {"mirror-both", "BOTH: HALF TURN", true, true},
};

std::string FrameName(int frame, const char* ext) {
  char name[32];
  std::snprintf(name, sizeof(name), "frame.%04d.%s", frame, ext);
  return name;
}

bool SameBytes(const fs::path& a, const fs::path& b) {
  std::vector<std::uint8_t> x, y;
  std::string error;
  return io::ReadFile(a.string(), x, error) && io::ReadFile(b.string(), y, error) && x == y;
}

bool WriteInputs(const fs::path& dir, std::string& error) {
  for (int f = 1; f <= kFrames; ++f) {
    io::Image image;
    if (!io::Allocate(image, kWidth, kHeight, BMM_CHAN_FLOAT, error)) return false;
    DrawSample(*image.bitmap, f - 1, kFrames);
    image.type = io::FileType::Png;
    image.pngChannels = 3;
    image.pngDepth = 16;
    if (!WriteImage((dir / FrameName(f, "png")).string(), image, error)) return false;
    image.type = io::FileType::Exr;
    for (const char* name : {"R", "G", "B", "Z"}) {
      io::ExrChannel channel;
      channel.name = name;
      channel.pixelType = name[0] == 'Z' ? 2 : 1;  // float depth, half colour
      image.exr.push_back(channel);
    }
    image.dataWindow[2] = image.displayWindow[2] = kWidth - 1;
    image.dataWindow[3] = image.displayWindow[3] = kHeight - 1;
    io::SyncFromBitmap(image);
    if (!WriteImage((dir / FrameName(f, "exr")).string(), image, error)) return false;
  }
  return true;
}

// Input and outputs side by side at half size, one row per frame.
bool WriteContactSheet(const fs::path& dir, std::string& error) {
  const int cellW = kWidth / 2, cellH = kHeight / 2, gap = 4, header = 16, margin = 34;
  const int columns = 1 + static_cast<int>(std::size(kVariants));
  const int width = margin + columns * (cellW + gap);
  const int height = header + kFrames * (cellH + gap) + gap;
  io::Image sheet;
  if (!io::Allocate(sheet, width, height, 0, error)) return false;
  sheet.type = io::FileType::Png;
  sheet.pngChannels = 3;
  sheet.pngDepth = 8;
  Canvas canvas(nullptr, nullptr, sheet.bitmap.get());
  for (int i = 0; i < width * height; ++i) canvas.pixels[i] = {8000, 8000, 9000, 65535};
  canvas.SetDrawColor({60000, 60000, 60000, 65535});
  DrawLabel(canvas, margin, 4, "INPUT");
  for (int v = 0; v < static_cast<int>(std::size(kVariants)); ++v)
    DrawLabel(canvas, margin + (v + 1) * (cellW + gap), 4, kVariants[v].label);
  for (int f = 1; f <= kFrames; ++f) {
    const int top = header + (f - 1) * (cellH + gap);
    canvas.SetDrawColor({60000, 60000, 60000, 65535});
    DrawLabel(canvas, 4, top + cellH / 2 - 3, std::to_string(f));
    for (int c = 0; c < columns; ++c) {
      const fs::path file = (c == 0 ? dir / "input" : dir / kVariants[c - 1].folder) / FrameName(f, "png");
      io::Image image;
      if (!io::Read(file.string(), image, error)) {
        error = file.string() + ": " + error;
        return false;
      }
      const BMM_Color_64* p = image.storage->Pixels();
      const int left = margin + c * (cellW + gap);
      for (int y = 0; y < cellH; ++y)
        for (int x = 0; x < cellW; ++x) {
          unsigned sum[3] = {0, 0, 0};
          for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
              const BMM_Color_64& s = p[(2 * y + dy) * kWidth + 2 * x + dx];
              sum[0] += s.r;
              sum[1] += s.g;
              sum[2] += s.b;
            }
          canvas.PlotColor(static_cast<float>(left + x), static_cast<float>(top + y),
                           {static_cast<std::uint16_t>(sum[0] / 4), static_cast<std::uint16_t>(sum[1] / 4),
                            static_cast<std::uint16_t>(sum[2] / 4), 65535});
        }
    }
  }
  canvas.Store();
  return WriteImage((dir / "contact-sheet.png").string(), sheet, error);
}

// The text the command prints, or empty when it could not be run.
std::string OutputOf(const std::string& command, const fs::path& scratch) {
  std::error_code ec;
  const std::string full = command + " >" + platform::ShellQuote(scratch.string()) + " 2>&1 </dev/null";
  const int code = platform::ExitCodeOf(std::system(full.c_str()));
  std::vector<std::uint8_t> bytes;
  std::string error;
  std::string text;
  if (io::ReadFile(scratch.string(), bytes, error)) text.assign(bytes.begin(), bytes.end());
  fs::remove(scratch, ec);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return code == 3 ? text : std::string();
}

// The same runs through the Windows build under Wine, through the launcher
// the tests use; answers a line for the summary.
std::string CompareWithWine(const fs::path& outDir) {
  std::error_code ec;
  const fs::path dir = fs::absolute(outDir, ec);
  const fs::path self = platform::ExecutablePath();
  const fs::path build = self.parent_path().parent_path().parent_path();
  const fs::path windows = build / "win32" / "bin" / "zarn.exe";
  if (fs::equivalent(self, windows, ec)) return "this is the Windows runner; nothing to compare against";
  const fs::path launcher = build.parent_path() / "cmake" / "wine-run.sh";
  if (!fs::exists(launcher, ec)) return "no Wine launcher (" + launcher.string() + "); skipped";
  const std::string wine = platform::ShellQuote(launcher.string());
  // The launcher says why when this machine cannot run Windows programs.
  const std::string cannot = OutputOf(wine + " --check", dir / ".wine-check");
  if (!cannot.empty()) return "not run here: " + cannot;
  if (!fs::exists(windows, ec)) return "no Windows build (" + windows.string() + "); skipped";
  std::fprintf(stderr, "zarn: running the same frames through the Windows build under Wine...\n");
  const fs::path log = dir / "wine.log";
  int compared = 0;
  std::vector<std::string> different;
  for (const Variant& v : kVariants) {
    for (const char* ext : {"png", "exr"}) {
      std::string command = platform::ShellChangeDirectory(dir.string()) + " && " + wine + " " +
                            platform::ShellQuote(windows.string()) + " run " +
                            platform::ShellQuote(std::string("input/frame.%04d.") + ext) + " " +
                            platform::ShellQuote(std::string("wine/") + v.folder + "/frame.%04d." + ext);
      if (v.horizontal) command += std::string(" --horizontal ") + (*v.horizontal ? "on" : "off");
      if (v.vertical) command += std::string(" --vertical ") + (*v.vertical ? "on" : "off");
      command += " >>" + platform::ShellQuote(log.string()) + " 2>&1 </dev/null";
      if (std::system(command.c_str()) != 0)
        return std::string("the Windows runner failed (see ") + log.string() + ")";
      for (int f = 1; f <= kFrames; ++f) {
        const std::string name = FrameName(f, ext);
        ++compared;
        if (!SameBytes(dir / v.folder / name, dir / "wine" / v.folder / name))
          different.push_back(std::string(v.folder) + "/" + name);
      }
    }
  }
  if (fs::file_size(log, ec) == 0) fs::remove(log, ec);
  if (different.empty())
    return "ZARN.FLT under Wine wrote byte-identical outputs (" + std::to_string(compared) + " files)";
  std::string text = "DIFFERENT from the native outputs: " + std::to_string(different.size()) + " of " +
                     std::to_string(compared) + " files, first " + different.front();
  return text;
}

}  // namespace

int DemoCommand(const PluginHost& host, const std::string& outDir, bool progress) {
  const fs::path dir(outDir);
  std::string error;
  std::error_code ec;
  fs::create_directories(dir / "input", ec);
  if (ec) {
    std::fprintf(stderr, "zarn: cannot make %s (%s)\n", (dir / "input").string().c_str(), ec.message().c_str());
    return kExitFailed;
  }
  if (!WriteInputs(dir / "input", error)) {
    std::fprintf(stderr, "zarn: demo: %s\n", error.c_str());
    return kExitFailed;
  }
  for (const Variant& v : kVariants) {
    for (const char* ext : {"png", "exr"}) {
      RunOptions options;
      options.in = (dir / "input" / (std::string("frame.%04d.") + ext)).string();
      options.out = (dir / v.folder / (std::string("frame.%04d.") + ext)).string();
      options.horizontal = v.horizontal;
      options.vertical = v.vertical;
      options.jobs = 2;
      options.progress = progress;
      options.quiet = true;
      const int code = Run(host, options);
      if (code != kExitOk) return code;
    }
  }
  if (!WriteContactSheet(dir, error)) {
    std::fprintf(stderr, "zarn: demo: %s\n", error.c_str());
    return kExitFailed;
  }
  const std::string wine = CompareWithWine(dir);
  std::printf("zarn demo: results in %s/\n", dir.string().c_str());
  std::printf("  input/             %d frames %dx%d: 16-bit PNG, and half-float EXR with depth Z\n", kFrames,
              kWidth, kHeight);
  std::printf("  mirror-default/    mirrored with the filter's default configuration (left-right)\n");
  std::printf("  mirror-both/       mirrored with both flags on (a half turn; Z moves with its pixel)\n");
  std::printf("  contact-sheet.png  input and both results side by side, one row per frame\n");
  std::printf("  Windows build:     %s\n", wine.c_str());
  return wine.rfind("DIFFERENT", 0) == 0 || wine.rfind("the Windows runner failed", 0) == 0 ? kExitFailed
                                                                                             : kExitOk;
}

}  // namespace zarn::host
