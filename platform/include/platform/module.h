// Loading a plug-in module and finding its exports by name, the way the host
// does (dlopen natively, LoadLibraryA on Win32), plus the few process facts
// the runner needs that differ between the builds.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

namespace platform {

class Module {
 public:
  // Null with a message in error when the file cannot be loaded.
  static std::unique_ptr<Module> Open(const std::string& path, std::string& error);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Address of the export with that name, or null.
  void* Symbol(const char* name) const;
  // True when the module carries a dialog template with that integer id;
  // always false where modules carry no resources.
  bool HasDialog(int id) const;

 private:
  explicit Module(void* handle) : handle_(handle) {}
  void* handle_;
};

// True where modules carry resources (dialog templates, bitmaps) and the
// platform can show dialogs from them; the native stand-in has neither.
bool HasModuleResources();
// True where the platform has the file-open and font dialogs.
bool HasCommonDialogs();

// Full path of the running executable; empty when it cannot be told.
std::string ExecutablePath();
// File name of a program of this platform: "zarn" or "zarn.exe".
std::string ExecutableName(const std::string& base);
// One word for the platform's command shell, quoted so that it stays one.
std::string ShellQuote(const std::string& word);
// A shell command that makes dir the current folder (drive included).
std::string ShellChangeDirectory(const std::string& dir);
// True when the stream is an interactive terminal.
bool IsTerminal(std::FILE* stream);
// The exit code of a command from the result of std::system; 128 + the
// signal number for a command that a signal ended.
int ExitCodeOf(int systemResult);
// Replaces target with source in one step (target may exist).
bool ReplaceFile(const std::string& source, const std::string& target, std::string& error);

}  // namespace platform
