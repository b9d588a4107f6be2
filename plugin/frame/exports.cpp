#include "frame/exports.h"

#include "frame/plugin_info.h"

const char* LibDescription() { return pluginInfo.description; }
int LibNumberClasses() { return pluginInfo.classCount; }
ClassDescriptor* LibClassDesc(int index) { return ClassDescriptorAt(pluginInfo, index); }
std::uint32_t LibVersion() { return pluginInfo.version; }
