#include "host/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>

#include "host/interrupt.h"
// First, so that ReplaceFile is declared as the platform unit saw it where
// the system headers rename it.
#include "platform/win.h"
#include "platform/module.h"

namespace fs = std::filesystem;

namespace zarn::host {
namespace {

std::mutex tempMutex;
std::set<std::string>& Temporaries() {
  static std::set<std::string> files;
  return files;
}

std::string TempToken() {
  static const std::string token = [] {
    std::random_device device;
    char text[32];
    std::snprintf(text, sizeof(text), "%08x", static_cast<unsigned>(device()));
    return std::string(text);
  }();
  static std::atomic<unsigned> counter{0};
  return token + "-" + std::to_string(counter.fetch_add(1));
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::string& error) {
  const fs::path target(path);
  const fs::path dir = target.parent_path();
  std::error_code ec;
  if (!dir.empty() && !fs::is_directory(dir, ec)) {
    fs::create_directories(dir, ec);
    if (ec) {
      error = "cannot make folder " + dir.string() + " (" + ec.message() + ")";
      return false;
    }
  }
  std::string tempName = ".";
  tempName.append(target.filename().string()).append(".zarn-").append(TempToken()).append(".tmp");
  const std::string temp = (dir / tempName).string();
  {
    std::lock_guard<std::mutex> lock(tempMutex);
    Temporaries().insert(temp);
  }
  auto forget = [&] {
    std::lock_guard<std::mutex> lock(tempMutex);
    Temporaries().erase(temp);
  };
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) {
    error = std::string("cannot write (") + std::strerror(errno) + ")";
    forget();
    return false;
  }
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed || Interrupted()) {
    error = Interrupted() ? "interrupted" : "cannot write (disk full?)";
    std::remove(temp.c_str());
    forget();
    return false;
  }
  std::string why;
  if (!platform::ReplaceFile(temp, path, why)) {
    error = "cannot rename the finished file into place (" + why + ")";
    std::remove(temp.c_str());
    forget();
    return false;
  }
  forget();
  return true;
}

void RemoveTemporaries() {
  std::lock_guard<std::mutex> lock(tempMutex);
  for (const std::string& temp : Temporaries()) std::remove(temp.c_str());
  Temporaries().clear();
}

}  // namespace zarn::host
