// The host's text and file-dialog filter list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

class CStr {
 public:
  CStr() = default;
  CStr(const char* text) : text_(text ? text : "") {}  // NOLINT: converts like the host's
  CStr(const CStr&) = default;
  CStr& operator=(const CStr&) = default;
  CStr& operator=(const char* text) {
    text_ = text ? text : "";
    return *this;
  }

  const char* data() const { return text_.c_str(); }
  int Length() const { return static_cast<int>(text_.size()); }
  // Position Length() answers the terminating NUL.
  char& operator[](int i) { return text_[static_cast<std::size_t>(i)]; }
  char operator[](int i) const { return text_.c_str()[i]; }

 private:
  std::string text_;
};

// Filters for the file-open dialog: NUL-terminated texts one after another in
// a zero-filled 2048-byte area, which ends with a second NUL.
class FilterList {
 public:
  static constexpr int kCapacity = 2048;
  FilterList() = default;
  // Adds one text; a text that would not leave the closing NUL is dropped.
  void Append(const char* text);
  int Count() const { return count_; }
  operator char*() { return buffer_; }  // NOLINT: the platform's form

 private:
  char buffer_[kCapacity] = {};
  std::int32_t count_ = 0;
  int used_ = 0;
};
