// The host's side of the plug-in boundary: loads ZARN.FLT through its four
// exports, checks the interface version, and creates and destroys filters
// through the class descriptor.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "hostsdk/classdesc.h"
#include "hostsdk/filter.h"
#include "platform/module.h"

namespace zarn::host {

inline constexpr std::uint32_t kInterfaceVersion = 110;

// Filters are the host's to destroy: delete runs the module's own deleting
// destructor through the virtual table, so the module frees its memory.
struct FilterDeleter {
  void operator()(ImageFilter* filter) const { delete filter; }
};
using FilterPtr = std::unique_ptr<ImageFilter, FilterDeleter>;

class PluginHost {
 public:
  // Loads the module and reads its exports; null with a message naming the
  // file when it cannot be loaded, lacks an export or has another version.
  static std::unique_ptr<PluginHost> Load(const std::string& path, std::string& error);

  const std::string& Path() const { return path_; }
  const char* Description() const { return description_(); }
  std::uint32_t Version() const { return version_(); }
  int NumberClasses() const { return numberClasses_(); }
  ClassDescriptor* ClassDesc(int index) const { return classDesc_(index); }
  bool HasDialog(int id) const { return module_->HasDialog(id); }

  // A new filter of class 0; null with a message when the module gives none.
  FilterPtr CreateFilter(std::string& error) const;

 private:
  std::string path_;
  std::unique_ptr<platform::Module> module_;
  const char* (*description_)() = nullptr;
  int (*numberClasses_)() = nullptr;
  ClassDescriptor* (*classDesc_)(int) = nullptr;
  std::uint32_t (*version_)() = nullptr;
};

// ZARN.FLT beside the running executable.
std::string DefaultPluginPath();

}  // namespace zarn::host
