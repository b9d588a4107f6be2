#include "host/ops/registry.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace zarn::ops {
namespace {

std::vector<Operation>& Table() {
  static std::vector<Operation> table;
  return table;
}

bool ParseFloat(const std::string& text, float& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const float v = std::strtof(text.c_str(), &end);
  if (*end != '\0') return false;
  out = v;  // overflow gives inf, which operations must take anyway
  return true;
}

bool ParseInt(const std::string& text, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<int>(v);
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
    const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    int v = 0;
    if (!ParseInt(part, v) || v < 0 || v > 65535) return false;
    c[n++] = static_cast<std::uint16_t>(v);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (n < 3 || (n == 4 && text.find(',', start) != std::string::npos)) return false;
  out = {c[0], c[1], c[2], c[3]};
  return true;
}

bool Valid(Kind kind, const std::string& text) {
  float f;
  int i;
  BMM_Color_64 c;
  switch (kind) {
    case Kind::Float: return ParseFloat(text, f);
    case Kind::Int: return ParseInt(text, i);
    case Kind::Color: return ParseColor(text, c);
    case Kind::Text: return true;
  }
  return false;
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Float: return "a number";
    case Kind::Int: return "a whole number";
    case Kind::Color: return "a colour (#rrggbb or r,g,b[,a] in 0..65535)";
    case Kind::Text: return "text";
  }
  return "";
}

}  // namespace

void Register(Operation operation) {
  if (Find(operation.name)) throw std::logic_error("operation registered twice: " + operation.name);
  Table().push_back(std::move(operation));
}

const std::vector<Operation>& All() { return Table(); }

const Operation* Find(std::string_view name) {
  for (const Operation& op : Table())
    if (op.name == name) return &op;
  return nullptr;
}

bool ParseArgs(const Operation& operation, const std::vector<std::string>& words, Args& args,
               std::string& error) {
  args.values.clear();
  for (const std::string& word : words) {
    const std::size_t eq = word.find('=');
    if (eq == std::string::npos || eq == 0) {
      error = operation.name + ": expected key=value, got '" + word + "'";
      return false;
    }
    const std::string key = word.substr(0, eq);
    const std::string value = word.substr(eq + 1);
    auto param = std::find_if(operation.params.begin(), operation.params.end(),
                              [&](const Param& p) { return p.name == key; });
    if (param == operation.params.end()) {
      error = operation.name + ": unknown parameter '" + key + "'";
      return false;
    }
    if (args.values.count(key)) {
      error = operation.name + ": parameter '" + key + "' given twice";
      return false;
    }
    if (!Valid(param->kind, value)) {
      error = operation.name + ": " + key + "='" + value + "' is not " + KindName(param->kind);
      return false;
    }
    args.values[key] = value;
  }
  for (const Param& p : operation.params)
    if (!args.values.count(p.name)) args.values[p.name] = p.defaultValue;
  return true;
}

float Args::Float(const std::string& name) const {
  float v = 0.0f;
  ParseFloat(Text(name), v);
  return v;
}

int Args::Int(const std::string& name) const {
  int v = 0;
  ParseInt(Text(name), v);
  return v;
}

BMM_Color_64 Args::Color(const std::string& name) const {
  BMM_Color_64 c{0, 0, 0, 65535};
  ParseColor(Text(name), c);
  return c;
}

const std::string& Args::Text(const std::string& name) const {
  static const std::string empty;
  auto it = values.find(name);
  return it == values.end() ? empty : it->second;
}

}  // namespace zarn::ops
