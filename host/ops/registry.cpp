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
  }
  return "";
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

// Whole numbers are 32-bit whatever the table says.
double Lowest(const Param& p) {
  return p.kind == Kind::Int ? std::max(p.min, static_cast<double>(INT_MIN)) : p.min;
}
double Highest(const Param& p) {
  return p.kind == Kind::Int ? std::min(p.max, static_cast<double>(INT_MAX)) : p.max;
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

Status Apply(const Operation& operation, Bitmap& bitmap, const Args& args, const Context& context,
             std::string& error) {
  Status status = Status::Failed;
  try {
    status = operation.run(bitmap, args, context.window, error);
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
