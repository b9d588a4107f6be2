// Whole files or nothing: every file zarn writes goes through here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zarn::host {

// Writes bytes to a temporary name beside path and renames it over path, so
// that path is either the whole new file or untouched. A missing folder is
// made, unless this process wrote into it before (it was moved or removed).
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::string& error);
// Removes temporaries left by writes cut short (after Ctrl-C).
void RemoveTemporaries();
// Removes the temporaries that writes of these files left behind when their
// process was killed; answers how many. Only for a run that resumes: another
// process may be writing the same files.
int RemoveStaleTemporaries(const std::vector<std::string>& paths);

}  // namespace zarn::host
