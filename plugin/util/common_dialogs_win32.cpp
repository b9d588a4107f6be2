#include "util/messages.h"

// After windows.h, which the platform header includes lean, without them.
#include <commdlg.h>

#include <cstring>

#include "frame/plugin_info.h"
#include "hostsdk/strings.h"

namespace {
char resourceTextBuffer[kResourceTextCapacity];
// Never cleared: each file dialog opens with the path chosen last.
char openFileName[kOpenFileNameCapacity];

// The record sizes of the 32-bit platform: the open-file record without the
// later extension fields, and the whole font-choice record.
constexpr DWORD kOpenFileRecordSize = 76;
constexpr DWORD kFontRecordSize = 60;
constexpr DWORD kOpenFlags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
constexpr DWORD kFontFlags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
static_assert(kOpenFlags == 0x1800 && kFontFlags == 0x141);
static_assert(sizeof(OPENFILENAMEA) >= kOpenFileRecordSize);
static_assert(sizeof(CHOOSEFONTA) == kFontRecordSize);
}  // namespace

char* LoadResourceText(UINT id) {
  if (!moduleInstance) return nullptr;
  const int copied = LoadStringA(moduleInstance, id, resourceTextBuffer, kResourceTextCapacity);
  return copied > 0 ? resourceTextBuffer : nullptr;
}

void ChooseOpenFile(HWND owner, const char* initialDir, const char* title, const char* filterName,
                    const char* filterPattern, const char* defaultExt, char* result) {
  FilterList filters;
  filters.Append(filterName);
  filters.Append(filterPattern);
  OPENFILENAMEA record;
  std::memset(&record, 0, sizeof(record));
  record.lStructSize = kOpenFileRecordSize;
  record.hwndOwner = owner;
  record.lpstrFilter = filters;
  record.lpstrFile = openFileName;
  record.nMaxFile = kOpenFileNameCapacity;
  record.lpstrInitialDir = initialDir;
  record.lpstrTitle = title;
  record.Flags = kOpenFlags;
  record.lpstrDefExt = defaultExt;
  const BOOL chosen = GetOpenFileNameA(&record);
  if (!result) return;
  if (!chosen) {
    result[0] = '\0';
    return;
  }
  // At most 255 characters and the NUL, whatever the dialog left.
  const std::size_t n = strnlen(openFileName, kOpenFileNameCapacity - 1);
  std::memcpy(result, openFileName, n);
  result[n] = '\0';
}

int ChooseFontDialog(HWND owner, LOGFONTA* font) {
  if (!font) return 0;
  const LOGFONTA kept = *font;
  CHOOSEFONTA record;
  std::memset(&record, 0, sizeof(record));
  record.lStructSize = kFontRecordSize;
  record.hwndOwner = owner;
  record.lpLogFont = font;
  record.Flags = kFontFlags;
  record.rgbColors = 0;
  if (ChooseFontA(&record) == TRUE) return 1;
  // The dialog may have written into the record before it was cancelled.
  *font = kept;
  return 0;
}
