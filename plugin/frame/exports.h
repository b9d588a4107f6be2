// The four functions the host finds by name in the module. The host is C
// code, so none of them may throw.
#pragma once
#include <cstdint>

#include "hostsdk/classdesc.h"
#include "platform/win.h"

extern "C" {
PLATFORM_EXPORT const char* LibDescription() noexcept;
PLATFORM_EXPORT int LibNumberClasses() noexcept;
PLATFORM_EXPORT ClassDescriptor* LibClassDesc(int index) noexcept;
PLATFORM_EXPORT std::uint32_t LibVersion() noexcept;
}

// Signatures as the host sees them through the module's export table.
using LibDescriptionFn = const char* (*)();
using LibNumberClassesFn = int (*)();
using LibClassDescFn = ClassDescriptor* (*)(int);
using LibVersionFn = std::uint32_t (*)();
