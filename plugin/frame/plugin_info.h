// The library's static facts, read by the exports, the class descriptor and
// the filter, and the two globals of the load handler.
#pragma once
#include <cstdint>

#include "hostsdk/classdesc.h"
#include "platform/win.h"

struct ClassEntry {
  char name[256];
  ClassDescriptor* (*getDescriptor)();
};

struct PluginInfo {
  char description[256];
  std::uint32_t version;
  std::int32_t classCount;
  std::uint32_t spareWord;
  const ClassEntry* classTable;
  char className[256];
  char author[256];
  char copyright[256];
  std::uint32_t ident;
  std::uint32_t filterFlags;
  std::uint32_t aboutDialogId;
  std::uint32_t controlDialogId;
};

inline constexpr std::uint32_t kPluginIdent = 0x43FD4178u;
inline constexpr std::uint32_t kPluginVersion = 110;

extern const PluginInfo pluginInfo;

extern HINSTANCE moduleInstance;
extern std::int32_t controlsInitialized;

// The class descriptor of row index of info's class table, or null.
ClassDescriptor* ClassDescriptorAt(const PluginInfo& info, int index);

// Process and thread notifications from the platform loader.
BOOL LibraryMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
