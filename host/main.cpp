// zarn: a command-line host for ZARN.FLT and its image toolkit.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <limits>

#include "host/commands.h"
#include "host/interrupt.h"
#include "host/run.h"
#include "host/sequence.h"
#include "platform/module.h"
#include "platform/win.h"

namespace {

using namespace zarn::host;

std::unique_ptr<PluginHost> LoadPlugin(const std::string& path) {
  std::string error;
  auto host = PluginHost::Load(path.empty() ? DefaultPluginPath() : path, error);
  if (!host) std::fprintf(stderr, "zarn: %s\n", error.c_str());
  return host;
}

// --max-pixels: a whole number of pixels, 1 or more. False with the message.
bool ParseMaxPixels(const CLI::App& command, const std::string& text, zarn::io::ReadLimits& limits) {
  if (command.count("--max-pixels") == 0) return true;
  constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  bool digits = true;
  bool overflow = false;
  for (char c : text) {
    if (c < '0' || c > '9') {
      digits = false;
      break;
    }
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (kMost - digit) / 10) overflow = true;
    else value = value * 10 + digit;
  }
  if (!digits || (value == 0 && !overflow)) {
    std::fprintf(stderr, "zarn: --max-pixels '%s': expected a whole number of pixels, 1 or more\n",
                 text.c_str());
    return false;
  }
  if (overflow) {
    std::fprintf(stderr, "zarn: --max-pixels '%s': too large (at most %llu)\n", text.c_str(),
                 static_cast<unsigned long long>(kMost));
    return false;
  }
  limits.maxPixels = value;
  return true;
}

bool ParseFlag(const std::string& text, std::optional<bool>& out) {
  if (text.empty()) return true;
  if (text == "on") out = true;
  else if (text == "off") out = false;
  else return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"zarn: runs the Zarn image filter (ZARN.FLT) and its toolkit over images"};
  app.name("zarn");
  app.require_subcommand(1);
  app.fallthrough();
  std::string pluginPath;
  app.add_option("--plugin", pluginPath, "plug-in module to load (default: ZARN.FLT beside zarn)");

  CLI::App* info = app.add_subcommand("info", "print what the host reads from the plug-in");

  RunOptions run;
  std::string horizontal, vertical, frames;
  CLI::App* runCmd = app.add_subcommand("run", "mirror frames: files, folders or patterns like shot.%04d.exr");
  runCmd->add_option("IN", run.in, "input file, folder or pattern")->required();
  runCmd->add_option("OUT", run.out, "output file, folder or pattern")->required();
  runCmd->add_option("--horizontal", horizontal, "mirror left-right: on or off")
      ->check(CLI::IsMember({"on", "off"}));
  runCmd->add_option("--vertical", vertical, "mirror top-bottom: on or off")
      ->check(CLI::IsMember({"on", "off"}));
  runCmd->add_option("--config", run.config, "saved 12-byte configuration (from zarn configure)");
  runCmd->add_option("--frames", frames, "frame range A-B; every frame in it must exist");
  runCmd->add_option("--jobs", run.jobs, "frames processed at once")->check(CLI::Range(1, 256));
  runCmd->add_flag("--resume", run.resume, "skip frames whose output exists");
  runCmd->add_option("--scene", run.scene, "scene file (JSON): camera and nodes the frames were rendered with");
  const std::string maxPixelsHelp =
      "refuse, before reading it, a frame whose header claims more than N pixels "
      "(default " +
      std::to_string(zarn::io::kDefaultMaxPixels) + ", 16384 x 8192)";
  std::string runMaxPixels;
  runCmd->add_option("--max-pixels", runMaxPixels, maxPixelsHelp)->option_text("N");

  std::string configurePath;
  CLI::App* configure = app.add_subcommand("configure", "choose the mirror axes in the filter's dialog");
  configure->add_option("--config", configurePath, "file to write the configuration to");
  std::string fontPath;
  configure->add_option("--font", fontPath,
                        "choose a font in the font dialog and save it to this file, for "
                        "apply text font=FILE (Windows runner)");

  CLI::App* about = app.add_subcommand("about", "show the filter's About box");

  std::vector<std::string> applyWords;
  bool applyList = false;
  CLI::App* apply = app.add_subcommand("apply", "run one toolkit operation: OP [key=value...] IN OUT");
  apply->add_flag("--list", applyList, "list the operations and their parameters");
  apply->add_option("WORDS", applyWords, "OP [key=value...] IN OUT");
  std::string applyScene;
  long long applyFrame = 0;
  apply->add_option("--scene", applyScene, "scene file (JSON): camera and nodes the image was rendered with");
  apply->add_option("--frame", applyFrame, "the image's frame number in the scene (default 0)");
  std::string applyMaxPixels;
  apply->add_option("--max-pixels", applyMaxPixels, maxPixelsHelp)->option_text("N");

  std::string galleryOut;
  CLI::App* gallery = app.add_subcommand("gallery", "one labelled tile per toolkit operation");
  gallery->add_option("OUT", galleryOut, "PNG file to write")->required();

  std::string demoDir = "zarn-demo";
  CLI::App* demo = app.add_subcommand("demo", "make a sample sequence, mirror it, write a contact sheet");
  demo->add_option("OUTDIR", demoDir, "folder for the results (default ./zarn-demo)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "zarn: %s\nRun 'zarn --help' for the commands.\n", e.what());
    return kExitUsage;
  }

  InstallInterruptHandler();
  platform::KeepFrameBuffersMapped();
  const bool tty = platform::IsTerminal(stderr);

  if (*info) {
    auto host = LoadPlugin(pluginPath);
    return host ? InfoCommand(*host) : kExitFailed;
  }
  if (*runCmd) {
    if (!ParseFlag(horizontal, run.horizontal) || !ParseFlag(vertical, run.vertical)) return kExitUsage;
    if (!ParseMaxPixels(*runCmd, runMaxPixels, run.limits)) return kExitUsage;
    if (!frames.empty()) {
      std::pair<long long, long long> range;
      if (!ParseRange(frames, range)) {
        std::fprintf(stderr, "zarn: --frames '%s': expected A-B with A <= B\n", frames.c_str());
        return kExitUsage;
      }
      run.frames = range;
    }
    run.progress = tty;
    auto host = LoadPlugin(pluginPath);
    return host ? Run(*host, run) : kExitFailed;
  }
  if (*configure && !fontPath.empty()) return ConfigureFontCommand(fontPath);
  if (*configure) {
    auto host = LoadPlugin(pluginPath);
    return host ? ConfigureCommand(*host, configurePath) : kExitFailed;
  }
  if (*about) {
    auto host = LoadPlugin(pluginPath);
    return host ? AboutCommand(*host) : kExitFailed;
  }
  if (*apply) {
    if (applyList) return ApplyListCommand();
    zarn::io::ReadLimits limits;
    if (!ParseMaxPixels(*apply, applyMaxPixels, limits)) return kExitUsage;
    return ApplyCommand(applyWords, tty, applyScene, applyFrame, limits);
  }
  if (*gallery) return GalleryCommand(galleryOut);
  if (*demo) {
    auto host = LoadPlugin(pluginPath);
    return host ? DemoCommand(*host, demoDir, tty) : kExitFailed;
  }
  return kExitUsage;
}
