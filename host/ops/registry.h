// Toolkit operations as the runner offers them: one table row per operation
// (name, family, parameters with defaults) feeds `zarn apply`, its help and
// `zarn gallery`. Each ops_*.cpp file registers its family's rows with
// ZARN_REGISTER_OPERATIONS; they are compiled straight into the runner, so
// the registrations are never dropped by the linker.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "hostsdk/bitmap.h"
#include "platform/win.h"

namespace zarn::ops {

enum class Kind {
  Float,  // 32-bit float, "1.5", "-2", "inf"
  Int,    // signed 32-bit
  Color,  // "#rrggbb", "#rrggbbaa" (8-bit, widened) or "r,g,b,a" (16-bit)
  Text,
};

struct Param {
  std::string name;
  Kind kind;
  std::string defaultValue;
  std::string help;
};

// Parsed key=value arguments, completed with the defaults of the operation.
class Args {
 public:
  float Float(const std::string& name) const;
  int Int(const std::string& name) const;
  BMM_Color_64 Color(const std::string& name) const;
  const std::string& Text(const std::string& name) const;

  std::map<std::string, std::string> values;
};

struct Context {
  // Receives the toolkit's progress and abort-query messages; may be null.
  HWND window = nullptr;
};

struct Operation {
  std::string name;
  std::string family;   // gallery label group, e.g. "lines", "warp"
  std::string summary;  // one line for `zarn apply --list`
  std::vector<Param> params;
  // Works on the bitmap in place (build a canvas, operate, Store). Answers
  // false with a message naming the bad value when it refuses.
  std::function<bool(Bitmap& bitmap, const Args& args, const Context& context, std::string& error)>
      run;
  // key=value words for this operation's gallery tile, over the sample image.
  std::vector<std::string> galleryArgs;
};

// Adds an operation; names are unique.
void Register(Operation operation);
const std::vector<Operation>& All();
const Operation* Find(std::string_view name);

// Parses key=value words against the operation's table: unknown names,
// repeated names and values that do not parse are errors naming the word.
bool ParseArgs(const Operation& operation, const std::vector<std::string>& words, Args& args,
               std::string& error);

// Registers at static-initialisation time.
struct Registrar {
  explicit Registrar(void (*registerAll)()) { registerAll(); }
};

}  // namespace zarn::ops

#define ZARN_OPS_CONCAT2(a, b) a##b
#define ZARN_OPS_CONCAT(a, b) ZARN_OPS_CONCAT2(a, b)
// ZARN_REGISTER_OPERATIONS { zarn::ops::Register({...}); ... }
#define ZARN_REGISTER_OPERATIONS                                                   \
  static void ZARN_OPS_CONCAT(RegisterOperations_, __LINE__)();                    \
  static const ::zarn::ops::Registrar ZARN_OPS_CONCAT(registrar_, __LINE__){       \
      &ZARN_OPS_CONCAT(RegisterOperations_, __LINE__)};                            \
  static void ZARN_OPS_CONCAT(RegisterOperations_, __LINE__)()
