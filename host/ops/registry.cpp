#include "host/ops/registry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

namespace zarn::ops {
namespace {

// strto* skip leading blanks and accept a sign; a value is the whole word.
bool StartsClean(const std::string& text) {
  return !text.empty() && !std::isspace(static_cast<unsigned char>(text[0]));
}

bool ParseFloat(const std::string& text, float& out) {
  if (!StartsClean(text)) return false;
  char* end = nullptr;
  const float v = std::strtof(text.c_str(), &end);
  if (*end != '\0') return false;
  out = v;  // overflow gives inf, refused as not finite
  return true;
}

// Out-of-range words come back clamped to the long long range, so the range
// check names the side they are on.
bool ParseWhole(const std::string& text, long long& out) {
  if (!StartsClean(text)) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0') return false;
  out = v;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseColor(const std::string& text, BMM_Color_64& out) {
  if (!text.empty() && text[0] == '#') {
    const std::string hex = text.substr(1);
    if (hex.size() != 6 && hex.size() != 8) return false;
    std::uint16_t c[4] = {0, 0, 0, 65535};
    for (std::size_t i = 0; i < hex.size() / 2; ++i) {
      const int hi = HexDigit(hex[2 * i]);
      const int lo = HexDigit(hex[2 * i + 1]);
      if (hi < 0 || lo < 0) return false;
      c[i] = static_cast<std::uint16_t>((hi * 16 + lo) * 257);  // 0xff -> 0xffff
    }
    out = {c[0], c[1], c[2], c[3]};
    return true;
  }
  std::uint16_t c[4] = {0, 0, 0, 65535};
  std::size_t start = 0;
  int n = 0;
  while (n < 4) {
    const std::size_t comma = text.find(',', start);
    const std::string part =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    long long v = 0;
    if (!ParseWhole(part, v) || v < 0 || v > 65535) return false;
    c[n++] = static_cast<std::uint16_t>(v);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (n < 3 || (n == 4 && text.find(',', start) != std::string::npos)) return false;
  out = {c[0], c[1], c[2], c[3]};
  return true;
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Float:
      return "a number";
    case Kind::Int:
      return "a whole number";
    case Kind::Color:
      return "a colour (#rrggbb, #rrggbbaa or r,g,b[,a] in 0..65535)";
    case Kind::Text:
      return "text";
    case Kind::IntList:
      return "a list of whole numbers";
  }
  return "";
}

// "sharpen, emboss, edge, box3"
std::string ListNames(const std::vector<NamedList>& lists) {
  std::string text;
  for (std::size_t i = 0; i < lists.size(); ++i) text += (i ? ", " : "") + lists[i].name;
  return text;
}

// Whole numbers separated by commas, each parsed as ParseWhole does.
bool ParseList(const std::string& text, std::vector<long long>& out) {
  out.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    long long v = 0;
    if (!ParseWhole(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), v))
      return false;
    out.push_back(v);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool IsOddSquare(std::size_t n) {
  const auto side = static_cast<std::size_t>(std::llround(std::sqrt(static_cast<double>(n))));
  return side % 2 == 1 && side * side == n;
}

// Whole numbers as they are written; others as short as they stay exact
// enough to read.
std::string Number(double v) {
  char text[48];
  if (v == std::floor(v) && std::fabs(v) < 1e15)
    std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(v));
  else
    std::snprintf(text, sizeof(text), "%.9g", v);
  return text;
}

std::string ChoicesText(const std::vector<int>& choices) {
  std::string text = "one of ";
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (i) text += ", ";
    text += std::to_string(choices[i]);
  }
  return text;
}

bool Whole(Kind kind) { return kind == Kind::Int || kind == Kind::IntList; }

// Whole numbers are 32-bit whatever the table says.
double Lowest(const Param& p) {
  return Whole(p.kind) ? std::max(p.min, static_cast<double>(INT_MIN)) : p.min;
}
double Highest(const Param& p) {
  return Whole(p.kind) ? std::min(p.max, static_cast<double>(INT_MAX)) : p.max;
}

// Empty when the number is accepted, else why not ("is below 0").
std::string OutOfRange(const Param& p, double v) {
  if (!p.choices.empty()) {
    if (std::find(p.choices.begin(), p.choices.end(), v) == p.choices.end())
      return "is not " + ChoicesText(p.choices);
    return "";
  }
  const double lo = Lowest(p), hi = Highest(p);
  if (p.minExcluded && !(v > lo)) return "is not above " + Number(lo);
  if (v < lo) return "is below " + Number(lo);
  if (v > hi) return "is above " + Number(hi);
  return "";
}

}  // namespace

std::string Param::RangeText() const {
  if (kind == Kind::IntList) {
    std::string text = oddSquare ? "a list of 1, 9, 25, 49 ... numbers" : "numbers separated by commas";
    if (!lists.empty()) text += ", or one of " + ListNames(lists);
    return text;
  }
  if (kind != Kind::Float && kind != Kind::Int) return "";
  if (!choices.empty()) return ChoicesText(choices);
  const bool low = kind == Kind::Int ? min > INT_MIN : std::isfinite(min);
  const bool high = kind == Kind::Int ? max < INT_MAX : std::isfinite(max);
  if (minExcluded && low && high) return "above " + Number(min) + ", at most " + Number(max);
  if (minExcluded && low) return "above " + Number(min);
  if (low && high) return Number(min) + " to " + Number(max);
  if (low) return "at least " + Number(min);
  if (high) return "at most " + Number(max);
  return "";
}

namespace {
Param Make(std::string name, Kind kind, std::string defaultValue, std::string help) {
  Param p;
  p.name = std::move(name);
  p.kind = kind;
  p.defaultValue = std::move(defaultValue);
  p.help = std::move(help);
  return p;
}
}  // namespace

Param Float(std::string name, std::string defaultValue, std::string help) {
  return Make(std::move(name), Kind::Float, std::move(defaultValue), std::move(help));
}
Param Int(std::string name, std::string defaultValue, std::string help) {
  return Make(std::move(name), Kind::Int, std::move(defaultValue), std::move(help));
}
Param Color(std::string name, std::string defaultValue, std::string help) {
  return Make(std::move(name), Kind::Color, std::move(defaultValue), std::move(help));
}
Param Text(std::string name, std::string defaultValue, std::string help) {
  return Make(std::move(name), Kind::Text, std::move(defaultValue), std::move(help));
}
Param IntList(std::string name, std::string defaultValue, std::string help) {
  return Make(std::move(name), Kind::IntList, std::move(defaultValue), std::move(help));
}

void Catalogue::Add(Operation operation) {
  if (Find(operation.name)) throw std::logic_error("operation registered twice: " + operation.name);
  operations_.push_back(std::move(operation));
}

const Operation* Catalogue::Find(std::string_view name) const {
  for (const Operation& op : operations_)
    if (op.name == name) return &op;
  return nullptr;
}

const Args::Value& Args::Get(std::string_view name, Kind kind) const {
  auto it = values_.find(name);
  if (it == values_.end() || it->second.kind != kind)
    throw std::logic_error("the operation reads " + std::string(KindName(kind)) + " '" + std::string(name) +
                           "', which its table does not have");
  return it->second;
}

float Args::Float(std::string_view name) const { return Get(name, Kind::Float).f; }
int Args::Int(std::string_view name) const { return Get(name, Kind::Int).i; }
BMM_Color_64 Args::Color(std::string_view name) const { return Get(name, Kind::Color).color; }
const std::string& Args::Text(std::string_view name) const { return Get(name, Kind::Text).text; }
const std::vector<int>& Args::IntList(std::string_view name) const { return Get(name, Kind::IntList).list; }
const std::string& Args::ListName(std::string_view name) const { return Get(name, Kind::IntList).listName; }
bool Args::Has(std::string_view name) const { return values_.find(name) != values_.end(); }

bool ParseArgs(const Operation& operation, const std::vector<std::string>& words, Args& args,
               std::string& error) {
  args.values_.clear();
  args.operation_ = operation.name;
  std::map<std::string, std::string, std::less<>> given;
  for (const std::string& word : words) {
    const std::size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0) {
      error = operation.name + ": expected key=value, got '" + word + "'";
      return false;
    }
    const std::string key = word.substr(0, eq);
    if (std::none_of(operation.params.begin(), operation.params.end(),
                     [&](const Param& p) { return p.name == key; })) {
      error = operation.name + ": unknown parameter '" + key + "'";
      return false;
    }
    if (!given.emplace(key, word.substr(eq + 1)).second) {
      error = operation.name + ": parameter '" + key + "' given twice";
      return false;
    }
  }
  // Defaults pass the same checks, so a table with a bad default fails loudly.
  for (const Param& p : operation.params) {
    auto it = given.find(p.name);
    if (it == given.end() && p.optional) continue;
    const std::string& text = it == given.end() ? p.defaultValue : it->second;
    Args::Value value;
    value.kind = p.kind;
    value.text = text;
    bool parsed = true;
    std::string why;
    switch (p.kind) {
      case Kind::Float:
        parsed = ParseFloat(text, value.f);
        if (parsed && !std::isfinite(value.f))
          why = "is not a finite number";
        else if (parsed)
          why = OutOfRange(p, value.f);
        break;
      case Kind::Int: {
        long long v = 0;
        parsed = ParseWhole(text, v);
        if (parsed) why = OutOfRange(p, static_cast<double>(v));
        value.i = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
        break;
      }
      case Kind::Color:
        parsed = ParseColor(text, value.color);
        break;
      case Kind::Text:
        break;
      case Kind::IntList: {
        const auto named =
            std::find_if(p.lists.begin(), p.lists.end(), [&](const NamedList& l) { return l.name == text; });
        std::vector<long long> numbers;
        if (named != p.lists.end()) {
          value.listName = named->name;
          numbers.assign(named->values.begin(), named->values.end());
        } else if (!ParseList(text, numbers)) {
          error = operation.name + ": " + p.name + "='" + text + "' is not " + KindName(p.kind) +
                  " separated by commas" + (p.lists.empty() ? "" : " or one of " + ListNames(p.lists));
          return false;
        }
        if (p.oddSquare && !IsOddSquare(numbers.size())) {
          error = operation.name + ": " + p.name + " has " + std::to_string(numbers.size()) +
                  (numbers.size() == 1 ? " value" : " values") +
                  "; a square of odd side is needed (1, 9, 25, 49 ... values)";
          return false;
        }
        for (const long long v : numbers) {
          why = OutOfRange(p, static_cast<double>(v));
          if (!why.empty()) {
            why = "holds " + std::to_string(v) + ", which " + why;
            break;
          }
          value.list.push_back(static_cast<int>(v));
        }
        break;
      }
    }
    if (!parsed) {
      error = operation.name + ": " + p.name + "='" + text + "' is not " + KindName(p.kind);
      return false;
    }
    if (!why.empty()) {
      error = operation.name + ": " + p.name + "=" + text + " " + why;
      return false;
    }
    args.values_[p.name] = std::move(value);
  }
  return true;
}

Runner OnBitmap(std::function<Status(Bitmap&, const Args&, const Context&, std::string&)> body) {
  return [body](Bitmap& bitmap, const Args& args, const Context& context, std::string& error) {
    const int w = bitmap.Width(), h = bitmap.Height();
    std::vector<BMM_Color_64> kept(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      if (bitmap.FetchRow(0, y, w, kept.data() + static_cast<std::size_t>(y) * w) != 1) {
        error = "the host cannot read row " + std::to_string(y) + " of the picture";
        return Status::Failed;
      }
    const Status status = body(bitmap, args, context, error);
    if (status != Status::Done)
      for (int y = 0; y < h; ++y) bitmap.PutPixels(0, y, w, kept.data() + static_cast<std::size_t>(y) * w);
    return status;
  };
}

Status Apply(const Operation& operation, Bitmap& bitmap, const Args& args, const Context& context,
             std::string& error) {
  Status status = Status::Failed;
  try {
    status = operation.run(bitmap, args, context, error);
  } catch (const std::bad_alloc&) {
    error = "not enough memory";
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (status == Status::Failed) error = operation.name + ": " + error;
  if (status == Status::Aborted) error = operation.name + ": aborted";
  return status;
}

}  // namespace zarn::ops
