#include "frame/class_desc.h"

#include <new>

#include "filter/mirror_filter.h"
#include "frame/plugin_info.h"

namespace {
FilterClassDesc filterClassDesc;
}  // namespace

void* FilterClassDesc::Create(int) noexcept {
  // new (nothrow) answers null on a failed allocation and releases the memory
  // itself if the construction throws.
  return static_cast<ImageFilter*>(new (std::nothrow) MirrorFilter());
}

const char* FilterClassDesc::ClassName() noexcept { return pluginInfo.className; }
const char* FilterClassDesc::Category() noexcept { return "Image Filter"; }

ClassDescriptor* GetFilterClassDesc() { return &filterClassDesc; }
