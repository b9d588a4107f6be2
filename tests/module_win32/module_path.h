// Where the test finds the built module: ZARN_BIN names its folder.
#pragma once
#include <cstdlib>
#include <string>

namespace zarntest {
inline std::string ModulePath() {
  const char* bin = std::getenv("ZARN_BIN");
  return std::string(bin && *bin ? bin : "bin") + "/ZARN.FLT";
}
}  // namespace zarntest
