// The runner's --config reader on any file: the block is accepted exactly
// when it is 12 bytes with the library's identifier first, a refused file
// leaves the filter's configuration as it was, and the flags then given on
// top through the module as the runner loads it give a block the filter
// takes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "filter/mirror_filter.h"
#include "frame/plugin_info.h"
#include "host/plugin_host.h"
#include "host/run.h"

namespace {
// One temporary file per process, rewritten for every input.
const std::string& TempPath() {
  static const std::string path = [] {
    char name[] = "/tmp/zarn-config-fuzz-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  return path;
}

const zarn::host::PluginHost* Host() {
  static std::unique_ptr<zarn::host::PluginHost> host = [] {
    std::string error;
    return zarn::host::PluginHost::Load(ZARN_FUZZ_PLUGIN, error);
  }();
  return host.get();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The last byte chooses the flags given on top of the file.
  const std::uint8_t flags = data[size - 1];
  std::FILE* file = std::fopen(TempPath().c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size - 1, file);
  std::fclose(file);

  MirrorFilter filter;
  const MirrorConfig before = filter.config;
  std::string error;
  const bool loaded = zarn::host::LoadConfigurationFile(filter, TempPath(), error);
  if (!loaded && std::memcmp(&before, &filter.config, sizeof(before)) != 0) __builtin_trap();
  if (!loaded && error.rfind(TempPath() + ": ", 0) != 0) __builtin_trap();
  if (loaded && size - 1 != sizeof(MirrorConfig)) __builtin_trap();
  if (loaded &&
      (data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24) != kPluginIdent)
    __builtin_trap();

  if (const zarn::host::PluginHost* host = Host()) {
    std::optional<bool> horizontal, vertical;
    if (flags & 1) horizontal = (flags & 2) != 0;
    if (flags & 4) vertical = (flags & 8) != 0;
    std::vector<std::uint8_t> block;
    const bool built = zarn::host::BuildConfiguration(*host, TempPath(), horizontal, vertical, block, error);
    if (built != loaded) __builtin_trap();
    if (built) {
      zarn::host::FilterPtr check = host->CreateFilter(error);
      if (!check || check->LoadConfigure(block.data()) != 1) __builtin_trap();
    }
  }
  return 0;
}
