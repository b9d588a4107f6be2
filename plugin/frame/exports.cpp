#include "frame/exports.h"

#include "frame/plugin_info.h"

const char* LibDescription() noexcept { return pluginInfo.description; }
int LibNumberClasses() noexcept { return pluginInfo.classCount; }
ClassDescriptor* LibClassDesc(int index) noexcept { return ClassDescriptorAt(pluginInfo, index); }
std::uint32_t LibVersion() noexcept { return pluginInfo.version; }
