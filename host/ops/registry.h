// Toolkit operations as the runner offers them: one table row per operation
// (name, family, parameters with their kind, range and default) feeds
// `zarn apply`, its argument checks, `zarn apply --list`, `zarn gallery` and
// the test that runs every operation. Operations() builds the catalogue from
// one explicit list (catalogue.cpp), so the library links anywhere.
//
// Adding an operation: write its body (canvas, arguments, error) and add one
// row to its family's table.
#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "hostsdk/bitmap.h"
#include "hostsdk/scene.h"
#include "platform/win.h"

namespace zarn::ops {

enum class Kind {
  Float,  // finite 32-bit float, "1.5", "-2", "1e3"
  Int,    // signed 32-bit
  Color,  // "#rrggbb", "#rrggbbaa" (8-bit, widened) or "r,g,b[,a]" (16-bit)
  Text,
  // Signed 32-bit numbers separated by commas, "0,-1,0", or the name of one
  // of the table's own lists, "sharpen".
  IntList,
};

// A list a parameter offers by name.
struct NamedList {
  std::string name;
  std::vector<int> values;
};

// One parameter: its kind, default and accepted values. Numbers are checked
// against [min, max] (min itself refused when minExcluded); whole numbers
// against `choices` when there are any; lists against `lists` by name and,
// when oddSquare, by their count (1, 9, 25, 49 ...). An optional parameter
// has no default: Args::Has tells whether it was given, and `defaultValue`
// says in words what its absence means. Build rows with the helpers below.
struct Param {
  std::string name;
  Kind kind = Kind::Float;
  std::string defaultValue;
  std::string help;
  double min = -std::numeric_limits<double>::infinity();
  double max = std::numeric_limits<double>::infinity();
  bool minExcluded = false;
  std::vector<int> choices;
  std::vector<NamedList> lists;
  bool oddSquare = false;
  bool optional = false;

  Param&& AtLeast(double lo) && {
    min = lo;
    minExcluded = false;
    return std::move(*this);
  }
  Param&& Above(double lo) && {
    min = lo;
    minExcluded = true;
    return std::move(*this);
  }
  Param&& AtMost(double hi) && {
    max = hi;
    return std::move(*this);
  }
  Param&& Range(double lo, double hi) && { return std::move(*this).AtLeast(lo).AtMost(hi); }
  Param&& OneOf(std::initializer_list<int> values) && {
    choices = values;
    return std::move(*this);
  }
  Param&& Named(std::vector<NamedList> named) && {
    lists = std::move(named);
    return std::move(*this);
  }
  Param&& OddSquare() && {
    oddSquare = true;
    return std::move(*this);
  }
  // No default; absence means what `meaning` says ("the kernel's own").
  Param&& Optional(std::string meaning) && {
    optional = true;
    defaultValue = std::move(meaning);
    return std::move(*this);
  }

  // The accepted values in words ("0 to 12", "above 0, at most 1",
  // "one of 0, 1, -1", "numbers, a square of odd side, or one of sharpen,
  // box3"); empty when any value of the kind is taken.
  std::string RangeText() const;
};

Param Float(std::string name, std::string defaultValue, std::string help);
Param Int(std::string name, std::string defaultValue, std::string help);
Param Color(std::string name, std::string defaultValue, std::string help);
Param Text(std::string name, std::string defaultValue, std::string help);
Param IntList(std::string name, std::string defaultValue, std::string help);

struct Operation;

// Arguments checked against an operation's table and completed with its
// defaults. Asking for a name the table does not have, or as another kind,
// is a fault of the operation's body and throws std::logic_error.
class Args {
 public:
  float Float(std::string_view name) const;
  int Int(std::string_view name) const;
  BMM_Color_64 Color(std::string_view name) const;
  const std::string& Text(std::string_view name) const;
  const std::vector<int>& IntList(std::string_view name) const;
  // The name of the table's list the value was given as; empty for numbers.
  const std::string& ListName(std::string_view name) const;
  // False for an optional parameter that was not given.
  bool Has(std::string_view name) const;

 private:
  friend bool ParseArgs(const Operation& operation, const std::vector<std::string>& words, Args& args,
                        std::string& error);
  struct Value {
    Kind kind = Kind::Text;
    float f = 0.0f;
    int i = 0;
    BMM_Color_64 color{0, 0, 0, 65535};
    std::string text;
    std::vector<int> list;
    std::string listName;
  };
  const Value& Get(std::string_view name, Kind kind) const;
  std::string operation_;
  std::map<std::string, Value, std::less<>> values_;
};

enum class Status {
  Done,     // the picture holds the result
  Failed,   // refused or out of memory; the picture is unchanged, error says why
  Aborted,  // stopped through the abort query; the picture is unchanged
};

struct Context {
  // Receives the toolkit's CANVAS_PROGRESS and CANVAS_QUERY_ABORT messages;
  // may be null.
  HWND window = nullptr;
  // The scene the picture was rendered in, for the operations that place
  // things at scene nodes; null when none was given. How the frame was
  // rendered travels with the bitmap (its storage's render information).
  Scene* scene = nullptr;
};

// Works on the bitmap; made by OnCanvas or OnBitmap.
using Runner =
    std::function<Status(Bitmap& bitmap, const Args& args, const Context& context, std::string& error)>;

// What the operation may change, for the test that runs every operation.
enum class Output {
  Drawing,  // only pixels of the `color` parameter appear; the rest stays as it
            // was
  Picture,  // any pixel, the picture's size stays
};

struct Operation {
  std::string name;
  std::string family;   // gallery label group, e.g. "lines", "warp"
  std::string summary;  // one line for `zarn apply --list`
  std::vector<Param> params;
  Runner run;
  // key=value words for this operation's gallery tile, over the sample image.
  std::vector<std::string> galleryArgs;
  Output output = Output::Picture;
  // Needs Context::scene and the bitmap's render information (--scene).
  bool needsScene = false;
};

// The shared wrapper every operation runs in: builds a canvas of the given
// type on the bitmap with the context's window (so progress and abort
// queries reach it), says so when memory is short, runs the body and stores
// the result only when the body succeeded and was not aborted. The body,
// bool(CanvasType&, const Args&, std::string& error) or, when it needs the
// scene, bool(CanvasType&, const Args&, const Context&, std::string& error),
// answers false with `error` naming the bad value when it refuses.
template <class CanvasType, class Body>
Runner OnCanvas(Body body) {
  return [body](Bitmap& bitmap, const Args& args, const Context& context, std::string& error) {
    CanvasType canvas(context.window, nullptr, &bitmap);
    if (!canvas.HasPixels()) {
      error = "not enough memory for the canvas";
      return Status::Failed;
    }
    bool done = false;
    if constexpr (std::is_invocable_v<Body, CanvasType&, const Args&, const Context&, std::string&>)
      done = body(canvas, args, context, error);
    else
      done = body(canvas, args, error);
    if (!done) return Status::Failed;
    if constexpr (requires { canvas.aborted; }) {
      if (canvas.aborted) return Status::Aborted;
    }
    canvas.Store();
    return Status::Done;
  };
}

// For operations that draw straight into the host bitmap, without a canvas
// (the toolkit's direct drawing, the filter's convolution): the body,
// Status(Bitmap&, const Args&, const Context&, std::string& error), works on
// the bitmap itself; when it fails or is aborted the pixels are put back as
// they were, so a refused call leaves no half-drawn picture.
Runner OnBitmap(std::function<Status(Bitmap&, const Args&, const Context&, std::string&)> body);

class Catalogue {
 public:
  // Adds an operation; a second one of the same name throws std::logic_error.
  void Add(Operation operation);
  const std::vector<Operation>& All() const { return operations_; }
  const Operation* Find(std::string_view name) const;

 private:
  std::vector<Operation> operations_;
};

// Every operation of the toolkit, in gallery order.
const Catalogue& Operations();

// The families' tables (one file each), added by Operations() in this order.
void AddDrawingOperations(Catalogue& catalogue);
void AddEffectOperations(Catalogue& catalogue);
void AddGlowOperations(Catalogue& catalogue);
void AddMirrorOperations(Catalogue& catalogue);
void AddTextOperations(Catalogue& catalogue);
void AddDirectOperations(Catalogue& catalogue);
void AddFilterOperations(Catalogue& catalogue);

// Parses key=value words against the operation's table and fills in the
// defaults. Missing '=', unknown and repeated names, values that do not
// parse and values out of range are errors naming the operation and the
// word: "koch-line: depth=13 is above 12".
bool ParseArgs(const Operation& operation, const std::vector<std::string>& words, Args& args,
               std::string& error);

// Runs the operation on the bitmap; error begins with the operation's name.
Status Apply(const Operation& operation, Bitmap& bitmap, const Args& args, const Context& context,
             std::string& error);

}  // namespace zarn::ops
