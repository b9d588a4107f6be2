#include "host/plugin_host.h"

#include <filesystem>

#include "frame/exports.h"

namespace zarn::host {

std::unique_ptr<PluginHost> PluginHost::Load(const std::string& path, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    error = path + ": no plug-in module here (build it, or name one with --plugin PATH)";
    return nullptr;
  }
  std::string why;
  auto module = platform::Module::Open(path, why);
  if (!module) {
    error = path + ": cannot load the plug-in module (" + why + ")";
    return nullptr;
  }
  std::unique_ptr<PluginHost> host(new PluginHost);
  host->path_ = path;
  host->description_ = reinterpret_cast<LibDescriptionFn>(module->Symbol("LibDescription"));
  host->numberClasses_ = reinterpret_cast<LibNumberClassesFn>(module->Symbol("LibNumberClasses"));
  host->classDesc_ = reinterpret_cast<LibClassDescFn>(module->Symbol("LibClassDesc"));
  host->version_ = reinterpret_cast<LibVersionFn>(module->Symbol("LibVersion"));
  const char* missing = !host->description_     ? "LibDescription"
                        : !host->numberClasses_ ? "LibNumberClasses"
                        : !host->classDesc_     ? "LibClassDesc"
                        : !host->version_       ? "LibVersion"
                                                : nullptr;
  if (missing) {
    error = path + ": not a plug-in module (no export " + missing + ")";
    return nullptr;
  }
  host->module_ = std::move(module);
  const std::uint32_t version = host->Version();
  if (version != kInterfaceVersion) {
    error = path + ": plug-in interface version " + std::to_string(version) +
            "; this runner hosts version " + std::to_string(kInterfaceVersion) + " only";
    return nullptr;
  }
  return host;
}

FilterPtr PluginHost::CreateFilter(std::string& error) const {
  if (NumberClasses() < 1) {
    error = path_ + ": the module offers no classes";
    return nullptr;
  }
  ClassDescriptor* descriptor = ClassDesc(0);
  if (!descriptor) {
    error = path_ + ": the module gives no class descriptor for class 0";
    return nullptr;
  }
  void* made = descriptor->Create(0);
  if (!made) {
    error = path_ + ": the class descriptor created no filter";
    return nullptr;
  }
  return FilterPtr(static_cast<ImageFilter*>(made));
}

std::string DefaultPluginPath() {
  const std::filesystem::path exe = platform::ExecutablePath();
  return (exe.parent_path() / "ZARN.FLT").string();
}

}  // namespace zarn::host
