#include "util/messages.h"

// Modules carry no string resources and there are no common dialogs here:
// every call answers as a cancelled one.
char* LoadResourceText(UINT) { return nullptr; }

void ChooseOpenFile(HWND, const char*, const char*, const char*, const char*, const char*,
                    char* result) {
  if (result) result[0] = '\0';
}

int ChooseFontDialog(HWND, LOGFONTA*) { return 0; }
