// The four functions the host finds by name in the module.
#pragma once
#include <cstdint>

#include "hostsdk/classdesc.h"

#if defined(_WIN32)
#define ZARN_EXPORT
#else
#define ZARN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
ZARN_EXPORT const char* LibDescription();
ZARN_EXPORT int LibNumberClasses();
ZARN_EXPORT ClassDescriptor* LibClassDesc(int index);
ZARN_EXPORT std::uint32_t LibVersion();
}

// Signatures as the host sees them through the module's export table.
using LibDescriptionFn = const char* (*)();
using LibNumberClassesFn = int (*)();
using LibClassDescFn = ClassDescriptor* (*)(int);
using LibVersionFn = std::uint32_t (*)();
