// The four functions the host finds by name in the module.
#pragma once
#include <cstdint>

#include "hostsdk/classdesc.h"
#include "platform/win.h"

extern "C" {
PLATFORM_EXPORT const char* LibDescription();
PLATFORM_EXPORT int LibNumberClasses();
PLATFORM_EXPORT ClassDescriptor* LibClassDesc(int index);
PLATFORM_EXPORT std::uint32_t LibVersion();
}

// Signatures as the host sees them through the module's export table.
using LibDescriptionFn = const char* (*)();
using LibNumberClassesFn = int (*)();
using LibClassDescFn = ClassDescriptor* (*)(int);
using LibVersionFn = std::uint32_t (*)();
