#include "filter/filter_base.h"

#include "frame/plugin_info.h"

const char* FilterBase::FilterName() { return pluginInfo.className; }
const char* FilterBase::AuthorText() { return pluginInfo.author; }
const char* FilterBase::CopyrightText() { return pluginInfo.copyright; }
std::uint32_t FilterBase::FilterIdent() { return pluginInfo.ident; }
std::uint32_t FilterBase::FilterFlags() { return pluginInfo.filterFlags; }
