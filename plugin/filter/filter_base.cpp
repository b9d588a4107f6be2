#include "filter/filter_base.h"

#include "frame/plugin_info.h"

const char* FilterBase::FilterName() noexcept { return pluginInfo.className; }
const char* FilterBase::AuthorText() noexcept { return pluginInfo.author; }
const char* FilterBase::CopyrightText() noexcept { return pluginInfo.copyright; }
std::uint32_t FilterBase::FilterIdent() noexcept { return pluginInfo.ident; }
std::uint32_t FilterBase::FilterFlags() noexcept { return pluginInfo.filterFlags; }
