#include <io.h>

#include <cstdio>
#include <vector>

#include "platform/module.h"
#include "platform/win.h"

namespace platform {
namespace {
std::string LastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string out = text ? text : ("error " + std::to_string(code));
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
    out.pop_back();
  return out;
}
}  // namespace

std::unique_ptr<Module> Module::Open(const std::string& path, std::string& error) {
  HMODULE handle = LoadLibraryA(path.c_str());
  if (!handle) {
    error = LastErrorText();
    return nullptr;
  }
  return std::unique_ptr<Module>(new Module(handle));
}

Module::~Module() {
  if (handle_) FreeLibrary(static_cast<HMODULE>(handle_));
}

void* Module::Symbol(const char* name) const {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

bool Module::HasDialog(int id) const {
  return FindResourceA(static_cast<HMODULE>(handle_), MAKEINTRESOURCEA(id),
                       reinterpret_cast<LPCSTR>(RT_DIALOG)) != nullptr;
}

bool HasModuleResources() { return true; }

bool HasCommonDialogs() { return true; }

std::string ExecutablePath() {
  std::vector<char> buffer(MAX_PATH * 4);
  const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return {};
  return std::string(buffer.data(), n);
}

std::string ExecutableName(const std::string& base) { return base + ".exe"; }

std::string ShellQuote(const std::string& word) { return "\"" + word + "\""; }

// cmd.exe changes drive only with /d.
std::string ShellChangeDirectory(const std::string& dir) { return "cd /d " + ShellQuote(dir); }

bool IsTerminal(std::FILE* stream) { return stream && _isatty(_fileno(stream)) != 0; }

int ExitCodeOf(int systemResult) { return systemResult; }

bool ReplaceFile(const std::string& source, const std::string& target, std::string& error) {
  if (MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  error = LastErrorText();
  return false;
}

}  // namespace platform
