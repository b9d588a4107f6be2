#include "frame/plugin_info.h"

#include "frame/class_desc.h"
#include "resources/zarn_resources.h"

namespace {
const ClassEntry classTable[] = {
    {"Zarn", &GetFilterClassDesc},
};
}  // namespace

const PluginInfo pluginInfo = {
    "Zarn image filters - mirror and image toolkit. Copyright (c) 2026 the Zarn developers.",
    kPluginVersion,
    1,
    0,
    classTable,
    "Zarn",
    "Written by the Zarn developers",
    "Copyright (c) 2026 the Zarn developers",
    kPluginIdent,
    6,
    ZARN_ABOUT_DIALOG,
    ZARN_CONTROL_DIALOG,
};

ClassDescriptor* ClassDescriptorAt(const PluginInfo& info, int index) {
  if (!info.classTable) return nullptr;
  if (index < 0 || index >= info.classCount) return nullptr;
  return info.classTable[index].getDescriptor();
}
