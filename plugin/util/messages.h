// Messages, string resources and the platform's common dialogs for code
// running inside the host. All are modal and return when the user answered.
// Two process-wide buffers are shared by all callers (no locks): the text of
// the last LoadResourceText and the path of the last ChooseOpenFile.
#pragma once
#include "platform/win.h"

inline constexpr int kResourceTextCapacity = 256;
inline constexpr int kOpenFileNameCapacity = 256;
inline constexpr int kFormatBoxCapacity = 256;

// String resource id of the library's module into the shared 256-byte
// buffer (at most 255 characters); that buffer, or null before the library
// is attached, for a missing or empty string, and where modules carry no
// string resources. The next call overwrites the text.
char* LoadResourceText(UINT id);

// A box owned by the active window with two string resources as text and
// caption (a missing one shows as an empty text); answers the button id.
int ResourceMessageBox(UINT textId, UINT captionId, UINT type);

// A box owned by the active window with caption and the printf-formatted
// text, cut to 255 characters; style MB_OK. Answers the button id.
int FormatMessageBox(const char* caption, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// The file-open dialog with one filter (filterName, filterPattern); the path
// and the file must exist. It opens with the path chosen last. result (at
// least 256 bytes) receives the path, at most 255 characters, or an empty
// text on cancel, on failure and where there is no such dialog.
void ChooseOpenFile(HWND owner, const char* initialDir, const char* title, const char* filterName,
                    const char* filterPattern, const char* defaultExt, char* result);

// The font dialog, starting from *font. 1 with the choice in *font; 0 with
// *font exactly as it was on cancel, on failure and where there is no such
// dialog.
int ChooseFontDialog(HWND owner, LOGFONTA* font);
