// Fuzzes the formula evaluator: each line of the input is one formula for the same
// evaluator, so assignments fill its variable table for the lines after them. Every answer
// is a success or one of the nine codes, with a position inside the text, a message, value
// 0 and no assignment.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "modules/logic/expression_evaluator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  kv::Evaluator evaluator;
  evaluator.SetVariable("x", 0.5);
  for (;;) {
    const std::size_t newline = input.find('\n');
    const std::string_view line = input.substr(0, newline);
    double value = 1.0;
    bool assigned = true;
    const int code = evaluator.Evaluate(line, value, assigned);
    if (code != evaluator.ErrorCode()) __builtin_trap();
    if (code == kv::Evaluator::kOk) {
      if (!evaluator.ErrorToken().empty()) __builtin_trap();
    } else {
      if (code < 1 || code > 9 || kv::Evaluator::ErrorMessage(code).empty()) __builtin_trap();
      if (value != 0.0 || assigned) __builtin_trap();
      if (evaluator.ErrorPosition() > line.size()) __builtin_trap();
      if (evaluator.ErrorToken().size() > line.size() - evaluator.ErrorPosition()) __builtin_trap();
    }
    if (newline == std::string_view::npos) break;
    input.remove_prefix(newline + 1);
  }
  return 0;
}
