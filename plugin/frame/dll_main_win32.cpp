// The runtime's library entry hands every loader notification to LibraryMain.
#include "frame/plugin_info.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return LibraryMain(instance, reason, reserved);
}
