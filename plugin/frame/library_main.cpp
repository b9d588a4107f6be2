#include "frame/plugin_info.h"
#include "hostsdk/util.h"

HINSTANCE moduleInstance = nullptr;
std::int32_t controlsInitialized = 0;

BOOL LibraryMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      if (moduleInstance) return 0;  // a second attach in one process is refused
      moduleInstance = instance;
      if (controlsInitialized == 0) {
        controlsInitialized = 1;
        InitCustomControls(moduleInstance);
        InitCommonControls();
      }
      return 1;
    case DLL_PROCESS_DETACH:
      moduleInstance = nullptr;
      controlsInitialized = 0;
      return 1;
    default:
      return 1;
  }
}
