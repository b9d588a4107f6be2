#include "host/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
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

// Folders written into so far. One that has gone since was moved or
// removed while zarn ran: making it again would scatter a sequence over two
// places, so its frames fail instead.
std::set<fs::path>& WrittenFolders() {
  static std::set<fs::path> folders;
  return folders;
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
    bool gone;
    {
      std::lock_guard<std::mutex> lock(tempMutex);
      gone = WrittenFolders().count(dir) != 0;
    }
    if (gone) {
      error = "cannot write (the folder " + dir.string() + " is no longer there)";
      return false;
    }
    fs::create_directories(dir, ec);
    if (ec) {
      error = "cannot make folder " + dir.string() + " (" + ec.message() + ")";
      return false;
    }
  }
  if (!dir.empty()) {
    std::lock_guard<std::mutex> lock(tempMutex);
    WrittenFolders().insert(dir);
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
  errno = 0;
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int reason = written ? 0 : errno;
  const bool closed = std::fclose(file) == 0;
  if (!closed && reason == 0) reason = errno;
  if (!written || !closed || Interrupted()) {
    // A full disk often shows only when the buffered tail is flushed at close.
    error = Interrupted() ? "interrupted"
                          : std::string("cannot write (") + (reason ? std::strerror(reason) : "disk full?") + ")";
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

namespace {
// ".NAME.zarn-TOKEN.tmp": the name WriteFileAtomically gives NAME's temporary.
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
  const std::string head = "." + name + ".zarn-";
  const std::string tail = ".tmp";
  return entry.size() > head.size() + tail.size() && entry.compare(0, head.size(), head) == 0 &&
         entry.compare(entry.size() - tail.size(), tail.size(), tail) == 0;
}
}  // namespace

int RemoveStaleTemporaries(const std::vector<std::string>& paths) {
  // Each folder is listed once, however many frames go there.
  std::map<fs::path, std::set<std::string>> namesByFolder;
  for (const std::string& path : paths) {
    const fs::path target(path);
    namesByFolder[target.parent_path()].insert(target.filename().string());
  }
  int removed = 0;
  for (const auto& [folder, names] : namesByFolder) {
    std::error_code ec;
    std::vector<fs::path> stale;
    for (const auto& entry : fs::directory_iterator(folder.empty() ? fs::path(".") : folder, ec)) {
      const std::string entryName = entry.path().filename().string();
      if (entryName.empty() || entryName[0] != '.') continue;
      // The name between the dot and ".zarn-" may itself hold ".zarn-".
      for (std::size_t at = entryName.find(".zarn-"); at != std::string::npos;
           at = entryName.find(".zarn-", at + 1)) {
        const std::string name = entryName.substr(1, at - 1);
        if (names.count(name) && IsTemporaryOf(entryName, name)) {
          stale.push_back(entry.path());
          break;
        }
      }
    }
    for (const fs::path& file : stale) removed += fs::remove(file, ec) ? 1 : 0;
  }
  return removed;
}

void RemoveTemporaries() {
  std::lock_guard<std::mutex> lock(tempMutex);
  for (const std::string& temp : Temporaries()) std::remove(temp.c_str());
  Temporaries().clear();
}

}  // namespace zarn::host
