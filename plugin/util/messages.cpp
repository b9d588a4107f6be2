#include "util/messages.h"

#include <cstdarg>
#include <cstdio>

#include "hostsdk/strings.h"
#include "platform/gdi.h"

int ResourceMessageBox(UINT textId, UINT captionId, UINT type) {
  // Each text is copied before the next load overwrites the shared buffer.
  const CStr text(LoadResourceText(textId));
  const CStr caption(LoadResourceText(captionId));
  return platform::MessageBoxA(platform::GetActiveWindow(), text.data(), caption.data(), type);
}

int FormatMessageBox(const char* caption, const char* format, ...) {
  char buffer[kFormatBoxCapacity] = {};
  if (format) {
    va_list values;
    va_start(values, format);
    // Bounded: longer output is cut, never written past the buffer.
    std::vsnprintf(buffer, sizeof(buffer), format, values);
    va_end(values);
  }
  return platform::MessageBoxA(platform::GetActiveWindow(), buffer, caption, MB_OK);
}
