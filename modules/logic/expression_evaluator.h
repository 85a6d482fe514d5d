#pragma once
// Evaluator: the value of a one-line arithmetic formula typed by the user, such as the
// wave-shaping curve in x that fills a "WaveShaper2" table. The owner stores the inputs with
// SetVariable ("x", 0.25) and calls Evaluate on the formula once per point.
//
// The language. Letters are read without case ("SQRT(16)" is "sqrt(16)"); blanks and tabs
// separate tokens; a number is a run of digits and "." read as atof would; a name is a letter
// or "_" followed by letters, digits and "_".
//
//   statement   name "=" expression    stores the variable; the answer is its value
//             | name "="                clears the variable; the answer is 0
//             | expression              text after a complete expression is ignored
//   expression  term { ("+" | "-") term }
//   term        factor { ("*" | "/" | "%") factor }      "%" is the floating remainder
//   factor      [sign] primary [ "^" [sign] primary ]    one power only, and the sign
//                                                         belongs to the base
//   primary     "(" expression ")" | number | name "(" arguments ")" | name
//
// So 2^3^2 is 8 (the second "^" ends the expression), -2^2 is 4, "1e3" is 1 (the "e3" is
// ignored text) and "1)" is 1. A name is a variable first, then one of the constants "pi"
// and "e", which a variable may therefore shadow; a name starting with "_" reads the
// environment variable named by the rest, whatever the case of its letters. Functions:
// sin cos tan asin acos atan sinh cosh tanh exp log (natural) log10 sqrt floor ceil abs deg
// rad sgn of one argument, hypot min max of two.
//
// Errors end the evaluation at once; the evaluator keeps the code, the character offset in
// the text where the error was found and the (lower-cased) token found there. Results that
// are not finite, such as sqrt(-1) or log(0), are answers, not errors: whoever uses them
// decides. Nesting deeper than kMaxDepth parentheses or function calls is a syntax error, so
// no text can exhaust the stack; the work is linear in the length of the text.
//
// Each Evaluator owns its variables (at most kMaxVariables); one object serves one owner and
// its calls must not overlap. It runs when tables are built, never on the audio thread.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv {

class Evaluator {
 public:
  // Answers of Evaluate; ErrorMessage gives their texts.
  enum Code : int {
    kOk = 0,
    kSyntaxError = 1,
    kUnbalancedParenthesis = 2,
    kDivisionByZero = 3,
    kUnknownVariable = 4,
    kMaximumVariablesExceeded = 5,
    kUnrecognisedFunction = 6,
    kWrongNumberOfArguments = 7,
    kMissingArgument = 8,
    kEmptyExpression = 9,
  };
  static constexpr std::size_t kMaxVariables = 50;
  static constexpr int kMaxDepth = 256;

  // Evaluates `text`. On success answers kOk with the value, and `assigned` tells whether the
  // text stored a variable; otherwise answers the error code with value 0 and `assigned`
  // false. Either way the error state below describes this call.
  int Evaluate(std::string_view text, double& value, bool& assigned);

  // Stores a variable, replacing one of the same name; false when kMaxVariables others are
  // already stored. Names are read without case, as in formulas.
  bool SetVariable(std::string_view name, double value);
  // Forgets a variable; nothing happens when there is none of that name.
  void ClearVariable(std::string_view name);

  // The error of the last Evaluate: code (kOk after a success), offset in the text and the
  // token found there (empty at the end of the text or after a success).
  int ErrorCode() const { return error_code_; }
  std::size_t ErrorPosition() const { return error_position_; }
  const std::string& ErrorToken() const { return error_token_; }
  // "Syntax error", "Unbalanced parenthesis" ... for codes 1 to 9; empty for any other.
  static std::string_view ErrorMessage(int code);

 private:
  struct Parse;

  std::vector<std::pair<std::string, double>> variables_;
  int error_code_ = kOk;
  std::size_t error_position_ = 0;
  std::string error_token_;
};

}  // namespace kv
