// The operation catalogue from random text: any operation of the table
// (picked by the first byte, so every one is reached), key=value words from
// the rest, then the run on a small picture when the words are accepted.
// Refusals must name the operation; every accepted run must end.
#include <cctype>
#include <string>
#include <vector>

#include "host/ops/registry.h"

namespace {
bool Starts(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const auto& all = zarn::ops::Operations().All();
  const zarn::ops::Operation& op = all[data[0] % all.size()];
  const int w = data[1] % 17, h = data[2] % 17;
  const std::uint32_t channels = data[3] % 8;
  std::vector<std::string> words;
  std::string word;
  for (std::size_t i = 4; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == ' ' || c == '\n' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);

  zarn::ops::Args args;
  std::string error;
  if (!zarn::ops::ParseArgs(op, words, args, error)) {
    if (!Starts(error, op.name + ": ")) __builtin_trap();
    return 0;
  }
  auto storage = MemoryStorage::Create(w, h, channels);
  if (!storage) return 0;
  for (int i = 0; i < w * h; ++i)
    storage->Pixels()[i] = {static_cast<std::uint16_t>(i * 911), static_cast<std::uint16_t>(i * 57),
                            static_cast<std::uint16_t>(i * 3), static_cast<std::uint16_t>(i % 3 ? 65535 : 0)};
  Bitmap bitmap(std::move(storage));
  const zarn::ops::Status status = zarn::ops::Apply(op, bitmap, args, zarn::ops::Context{}, error);
  if (status != zarn::ops::Status::Done && !Starts(error, op.name + ": ")) __builtin_trap();
  return 0;
}
