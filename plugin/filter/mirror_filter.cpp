#include "filter/mirror_filter.h"

#include <cstring>

#include "frame/plugin_info.h"

MirrorFilter* controlDialogFilter = nullptr;

MirrorFilter::MirrorFilter() : config{pluginInfo.ident, 1, 0} {}

int MirrorFilter::SaveConfigure(void* block) noexcept {
  if (!block) return 0;
  std::memcpy(block, &config, sizeof(config));
  return 1;
}

int MirrorFilter::LoadConfigure(void* block) noexcept {
  if (!block) return 0;
  std::uint32_t ident;
  std::memcpy(&ident, block, sizeof(ident));
  if (ident != config.ident) return 0;
  std::memcpy(&config, block, sizeof(config));
  return 1;
}
