#include "host/commands.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "canvas/canvas.h"
#include "host/image_io.h"
#include "host/interrupt.h"
#include "host/message_window.h"
#include "host/ops/registry.h"
#include "host/progress.h"
#include "host/run.h"
#include "host/scene_file.h"
#include "platform/module.h"
#include "resources/zarn_resources.h"
#include "util/messages.h"

namespace zarn::host {
namespace {

constexpr int kAboutDialogId = ZARN_ABOUT_DIALOG;
constexpr int kControlDialogId = ZARN_CONTROL_DIALOG;

void Line(const char* key, const std::string& value) { std::printf("%-12s %s\n", key, value.c_str()); }

std::string HexWord(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", v);
  return text;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char b[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(b, sizeof(b), i ? " %02X" : "%02X", bytes[i]);
    text += b;
  }
  return text;
}

const char* Or(const char* text, const char* fallback) { return text ? text : fallback; }

}  // namespace

int InfoCommand(const PluginHost& host) {
  Line("module", host.Path());
  Line("description", Or(host.Description(), "(none)"));
  Line("version", std::to_string(host.Version()));
  const int classes = host.NumberClasses();
  Line("classes", std::to_string(classes));
  for (int i = 0; i < classes && i < 64; ++i) {
    ClassDescriptor* descriptor = host.ClassDesc(i);
    std::printf("class %d\n", i);
    if (!descriptor) {
      std::printf("  (no descriptor)\n");
      continue;
    }
    const ClassId id = descriptor->ClassID();
    char family[32];
    std::snprintf(family, sizeof(family), "%u (0x%X)", descriptor->FamilyCode(), descriptor->FamilyCode());
    Line("  name", Or(descriptor->ClassName(), "(none)"));
    Line("  family", family);
    Line("  class id", HexWord(id.a) + " " + HexWord(id.b));
    Line("  category", Or(descriptor->Category(), "(none)"));
    if (i != 0) continue;
    std::string error;
    FilterPtr filter = host.CreateFilter(error);
    if (!filter) {
      std::fprintf(stderr, "zarn: %s\n", error.c_str());
      return kExitFailed;
    }
    Line("  filter", Or(filter->FilterName(), "(none)"));
    Line("  author", Or(filter->AuthorText(), "(none)"));
    Line("  copyright", Or(filter->CopyrightText(), "(none)"));
    Line("  ident", HexWord(filter->FilterIdent()));
    Line("  flags", std::to_string(filter->FilterFlags()));
    const std::uint32_t size = filter->EvaluateConfigure();
    std::vector<std::uint8_t> block(size);
    if (size > 0 && size <= 65536 && filter->SaveConfigure(block.data()) == 1)
      Line("  config", std::to_string(size) + " bytes: " + HexBytes(block));
    else
      Line("  config", std::to_string(size) + " bytes");
    if (platform::HasModuleResources()) {
      std::string dialogs;
      if (host.HasDialog(kAboutDialogId)) dialogs += "about " + std::to_string(kAboutDialogId);
      if (host.HasDialog(kControlDialogId))
        dialogs += (dialogs.empty() ? "" : ", ") + std::string("control ") + std::to_string(kControlDialogId);
      Line("  dialogs", dialogs.empty() ? "none" : dialogs);
    } else {
      Line("  dialogs", "none in the native build (use ./zarn --win32)");
    }
  }
  return kExitOk;
}

int ConfigureCommand(const PluginHost& host, const std::string& configPath) {
  std::string error;
  FilterPtr filter = host.CreateFilter(error);
  if (!filter) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitFailed;
  }
  std::error_code ec;
  // The dialog opens on the saved choice when there is one.
  if (!configPath.empty() && std::filesystem::exists(configPath, ec) &&
      !LoadConfigurationFile(*filter, configPath, error)) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitUsage;
  }
  const int answer = filter->ShowControl(nullptr);
  if (answer == static_cast<int>(platform::kDialogFailed)) {
    std::fprintf(stderr,
                 "zarn: this build of the filter has no dialogs; use the Windows runner "
                 "(./zarn configure forwards there)\n");
    return kExitFailed;
  }
  if (answer == 0) {
    std::fprintf(stderr, "zarn: cancelled; %s\n",
                 configPath.empty() ? "nothing written" : (configPath + " left as it was").c_str());
    return kExitAborted;
  }
  if (answer != 1) {
    std::fprintf(stderr, "zarn: the control dialog answered %d\n", answer);
    return kExitFailed;
  }
  const std::uint32_t size = filter->EvaluateConfigure();
  std::vector<std::uint8_t> block(size);
  if (size == 0 || filter->SaveConfigure(block.data()) != 1) {
    std::fprintf(stderr, "zarn: %s: the filter saves no configuration\n", host.Path().c_str());
    return kExitFailed;
  }
  if (configPath.empty()) {
    std::printf("%s\n", HexBytes(block).c_str());
    return kExitOk;
  }
  if (!WriteFileAtomically(configPath, block, error)) {
    std::fprintf(stderr, "zarn: %s: %s\n", configPath.c_str(), error.c_str());
    return kExitFailed;
  }
  std::fprintf(stderr, "zarn: wrote %s (%s)\n", configPath.c_str(), HexBytes(block).c_str());
  return kExitOk;
}

int ConfigureFontCommand(const std::string& fontPath) {
  if (!platform::HasCommonDialogs()) {
    std::fprintf(stderr,
                 "zarn: this build has no font dialog; use the Windows runner, or give "
                 "text a face name: zarn apply text font=NAME height=N\n");
    return kExitFailed;
  }
  // The toolkit's default font, unless a saved one is there to start from.
  auto sample = std::make_unique<Bitmap>(MemoryStorage::Create(1, 1, 0));
  LOGFONTA font = Canvas(nullptr, nullptr, sample.get()).font;
  std::error_code ec;
  if (std::filesystem::exists(fontPath, ec)) {
    std::FILE* file = std::fopen(fontPath.c_str(), "rb");
    const bool read = file && std::filesystem::file_size(fontPath, ec) == sizeof(font) &&
                      std::fread(&font, sizeof(font), 1, file) == 1;
    if (file) std::fclose(file);
    if (!read) {
      std::fprintf(stderr, "zarn: %s: not a saved font record (60 bytes)\n", fontPath.c_str());
      return kExitUsage;
    }
  }
  if (ChooseFontDialog(nullptr, &font) != 1) {
    std::fprintf(stderr, "zarn: cancelled; %s left as it was\n", fontPath.c_str());
    return kExitAborted;
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&font);
  std::string error;
  if (!WriteFileAtomically(fontPath, std::vector<std::uint8_t>(bytes, bytes + sizeof(font)), error)) {
    std::fprintf(stderr, "zarn: %s: %s\n", fontPath.c_str(), error.c_str());
    return kExitFailed;
  }
  std::fprintf(stderr, "zarn: wrote %s (%s, height %d)\n", fontPath.c_str(), font.lfFaceName,
               static_cast<int>(font.lfHeight));
  return kExitOk;
}

int AboutCommand(const PluginHost& host) {
  std::string error;
  FilterPtr filter = host.CreateFilter(error);
  if (!filter) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitFailed;
  }
  if (filter->ShowAbout(nullptr) == platform::kDialogFailed) {
    std::fprintf(stderr,
                 "zarn: this build of the filter has no dialogs; use the Windows runner "
                 "(./zarn about forwards there)\n");
    return kExitFailed;
  }
  return kExitOk;
}

int ApplyListCommand() {
  for (const ops::Operation& op : ops::Operations().All()) {
    std::printf("%-22s %s\n", op.name.c_str(), op.summary.c_str());
    for (const ops::Param& p : op.params) {
      const std::string range = p.RangeText();
      // An optional parameter's default is what its absence means.
      const std::string shown = p.optional ? "(" + p.defaultValue + ")" : p.defaultValue;
      std::printf("    %s=%s  %s%s\n", p.name.c_str(), shown.c_str(), p.help.c_str(),
                  range.empty() ? "" : (" (" + range + ")").c_str());
    }
  }
  return kExitOk;
}

int ApplyCommand(const std::vector<std::string>& words, bool progressOn, const std::string& scenePath,
                 long long frame, const io::ReadLimits& limits) {
  if (words.size() < 3) {
    std::fprintf(stderr, "zarn: apply needs OP [key=value...] IN OUT (see zarn apply --list)\n");
    return kExitUsage;
  }
  const ops::Operation* op = ops::Operations().Find(words[0]);
  if (!op) {
    std::fprintf(stderr, "zarn: unknown operation '%s' (see zarn apply --list)\n", words[0].c_str());
    return kExitUsage;
  }
  const std::string& in = words[words.size() - 2];
  const std::string& out = words[words.size() - 1];
  ops::Args args;
  std::string error;
  if (!ops::ParseArgs(*op, std::vector<std::string>(words.begin() + 1, words.end() - 2), args, error)) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitUsage;
  }
  if (op->needsScene && scenePath.empty()) {
    std::fprintf(stderr, "zarn: %s needs --scene FILE (a camera and named nodes, see the README)\n",
                 op->name.c_str());
    return kExitUsage;
  }
  std::unique_ptr<SceneFile> scene;
  if (!scenePath.empty() && !(scene = SceneFile::Read(scenePath, error))) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitUsage;
  }
  io::FileType outType;
  if (!io::TypeFromName(out, outType)) {
    std::fprintf(stderr, "zarn: %s: cannot tell the image type from the name (use .png or .exr)\n",
                 out.c_str());
    return kExitUsage;
  }
  // Declared first, so the image lets go of them before they go.
  std::vector<std::unique_ptr<RenderInfo>> rendered;
  io::Image image;
  if (!io::Read(in, image, error, limits)) {
    std::fprintf(stderr, "zarn: %s: %s\n", in.c_str(), error.c_str());
    return kExitFailed;
  }
  if (scene && !AttachScene(image, *scene, frame, rendered, error)) {
    std::fprintf(stderr, "zarn: %s: %s\n", in.c_str(), error.c_str());
    return kExitUsage;
  }
  std::unique_ptr<Progress> progress;
  MessageWindow window;
  window.onProgress = [&](long long row, long long last) {
    if (!progressOn || last <= 0 || last > 1 << 20) return;
    if (!progress) progress = std::make_unique<Progress>(stderr, true, static_cast<int>(last + 1), "rows");
    progress->Set(static_cast<int>(row + 1));
  };
  ops::Context context;
  context.window = window.Handle();
  if (scene) context.scene = &scene->Nodes();
  const ops::Status status = ops::Apply(*op, *image.bitmap, args, context, error);
  if (progress) progress->Finish();
  if (status == ops::Status::Aborted || Interrupted()) {
    std::fprintf(stderr, "zarn: interrupted; %s not written\n", out.c_str());
    return kExitAborted;
  }
  if (status != ops::Status::Done) {
    std::fprintf(stderr, "zarn: %s\n", error.c_str());
    return kExitFailed;
  }
  if (image.type == io::FileType::Exr) io::SyncFromBitmap(image);
  if (!WriteImage(out, image, error)) {
    RemoveTemporaries();
    // Ctrl-C while writing says the same as Ctrl-C before it.
    if (Interrupted()) {
      std::fprintf(stderr, "zarn: interrupted; %s not written\n", out.c_str());
      return kExitAborted;
    }
    std::fprintf(stderr, "zarn: %s: %s\n", out.c_str(), error.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace zarn::host
