#include "hostsdk/strings.h"

#include <cstring>

void FilterList::Append(const char* text) {
  if (!text) text = "";
  const std::size_t length = std::strlen(text);
  // Keep room for this text's NUL and the list's closing NUL.
  if (length + 2 > static_cast<std::size_t>(kCapacity - used_)) return;
  std::memcpy(buffer_ + used_, text, length);
  used_ += static_cast<int>(length) + 1;
  ++count_;
}
