#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/module.h"

namespace platform {

std::unique_ptr<Module> Module::Open(const std::string& path, std::string& error) {
  // RTLD_LOCAL keeps the module's own copy of the toolkit out of our symbol space.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    error = why ? why : "cannot load";
    return nullptr;
  }
  return std::unique_ptr<Module>(new Module(handle));
}

Module::~Module() {
  if (handle_) dlclose(handle_);
}

void* Module::Symbol(const char* name) const { return dlsym(handle_, name); }

bool Module::HasDialog(int) const { return false; }

bool HasModuleResources() { return false; }

bool HasCommonDialogs() { return false; }

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string ExecutableName(const std::string& base) { return base; }

std::string ShellQuote(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string ShellChangeDirectory(const std::string& dir) { return "cd " + ShellQuote(dir); }

bool IsTerminal(std::FILE* stream) { return stream && isatty(fileno(stream)) == 1; }

int ExitCodeOf(int systemResult) {
  if (systemResult == -1) return -1;
  if (WIFEXITED(systemResult)) return WEXITSTATUS(systemResult);
  if (WIFSIGNALED(systemResult)) return 128 + WTERMSIG(systemResult);
  return -1;
}

bool ReplaceFile(const std::string& source, const std::string& target, std::string& error) {
  if (std::rename(source.c_str(), target.c_str()) == 0) return true;
  error = std::strerror(errno);
  return false;
}

}  // namespace platform
