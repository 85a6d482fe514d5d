#include "modules/logic/expression_evaluator.h"

#include <cmath>
#include <optional>

#include "engine/number_text.h"
#include "platform/environment.h"

namespace kv {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kE = 2.718281828459045;

struct Function {
  std::string_view name;
  int arguments;
  double (*apply)(const double* a);
};

// The function table; arguments are in a[0], a[1].
constexpr Function kFunctions[] = {
    {"sin", 1, [](const double* a) { return std::sin(a[0]); }},
    {"cos", 1, [](const double* a) { return std::cos(a[0]); }},
    {"tan", 1, [](const double* a) { return std::tan(a[0]); }},
    {"asin", 1, [](const double* a) { return std::asin(a[0]); }},
    {"acos", 1, [](const double* a) { return std::acos(a[0]); }},
    {"atan", 1, [](const double* a) { return std::atan(a[0]); }},
    {"sinh", 1, [](const double* a) { return std::sinh(a[0]); }},
    {"cosh", 1, [](const double* a) { return std::cosh(a[0]); }},
    {"tanh", 1, [](const double* a) { return std::tanh(a[0]); }},
    {"exp", 1, [](const double* a) { return std::exp(a[0]); }},
    {"log", 1, [](const double* a) { return std::log(a[0]); }},
    {"log10", 1, [](const double* a) { return std::log10(a[0]); }},
    {"sqrt", 1, [](const double* a) { return std::sqrt(a[0]); }},
    {"floor", 1, [](const double* a) { return std::floor(a[0]); }},
    {"ceil", 1, [](const double* a) { return std::ceil(a[0]); }},
    {"abs", 1, [](const double* a) { return std::fabs(a[0]); }},
    {"hypot", 2, [](const double* a) { return std::hypot(a[0], a[1]); }},
    {"deg", 1, [](const double* a) { return a[0] * 57.29577951308232; }},
    {"rad", 1, [](const double* a) { return a[0] * 0.017453292519943295; }},
    {"sgn", 1, [](const double* a) { return a[0] >= 0 ? 1.0 : -1.0; }},
    {"min", 2, [](const double* a) { return std::fmin(a[0], a[1]); }},
    {"max", 2, [](const double* a) { return std::fmax(a[0], a[1]); }},
};
constexpr int kMaxArguments = 3;  // a call may list up to three; the table then checks

constexpr std::string_view kMessages[] = {
    "",
    "Syntax error",
    "Unbalanced parenthesis",
    "Division by zero",
    "Unknown variable",
    "Maximum variables exceeded",
    "Unrecognised funtion",
    "Wrong number of arguments to funtion",
    "Missing an argument",
    "Empty expression",
};

// ASCII only: the language is the same whatever the locale.
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isNameStart(char c) { return isLetter(c) || c == '_'; }
bool isNamePart(char c) { return isNameStart(c) || isDigit(c); }
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerCopy(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = asciiLower(c);
  return lower;
}

}  // namespace

// One evaluation: a scanner with one token of look-ahead and a recursive-descent parser over
// the lower-cased copy of the text. Every parsing function returns 0 once `code` is set, and
// every caller checks `failed()` after each call, so an error unwinds straight to Evaluate.
struct Evaluator::Parse {
  enum class Kind { End, Number, Name, Operator };

  Evaluator& owner;
  std::string_view original;  // for environment names, which keep their case
  std::string text;
  std::size_t next = 0;  // where the scanner continues

  Kind kind = Kind::End;  // the current token
  std::size_t start = 0, end = 0;
  int depth = 0;

  int code = kOk;
  std::size_t error_position = 0;
  std::string error_token;

  Parse(Evaluator& o, std::string_view t) : owner(o), original(t), text(lowerCopy(t)) {}

  bool failed() const { return code != kOk; }
  std::string_view token() const { return std::string_view(text).substr(start, end - start); }
  bool is(char op) const { return kind == Kind::Operator && text[start] == op; }

  double fail(int c, std::size_t position, std::size_t token_end) {
    if (code == kOk) {
      code = c;
      error_position = position;
      error_token = text.substr(position, token_end - position);
    }
    return 0.0;
  }
  double failHere(int c) { return fail(c, start, end); }

  // Reads the next token; a character that starts no token is a syntax error.
  void advance() {
    while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) ++next;
    start = next;
    if (next == text.size()) {
      kind = Kind::End;
    } else if (const char c = text[next]; isDigit(c) || c == '.') {
      kind = Kind::Number;
      while (next < text.size() && (isDigit(text[next]) || text[next] == '.')) ++next;
    } else if (isNameStart(c)) {
      kind = Kind::Name;
      while (next < text.size() && isNamePart(text[next])) ++next;
    } else if (std::string_view("%()*+,-/=^").find(c) != std::string_view::npos) {
      kind = Kind::Operator;
      ++next;
    } else {
      kind = Kind::End;
      ++next;
      end = next;
      failHere(kSyntaxError);
      return;
    }
    end = next;
  }

  double statement(bool& assigned) {
    advance();
    if (failed()) return 0.0;
    if (kind == Kind::End) return failHere(kEmptyExpression);
    if (kind == Kind::Name) {
      const std::size_t name_start = start, name_end = end;
      advance();
      if (failed()) return 0.0;
      if (is('=')) {
        const std::string name = text.substr(name_start, name_end - name_start);
        advance();
        if (failed()) return 0.0;
        if (kind == Kind::End) {
          owner.ClearVariable(name);
          return 0.0;
        }
        const double value = expression();
        if (failed()) return 0.0;
        if (!owner.SetVariable(name, value)) return fail(kMaximumVariablesExceeded, name_start, name_end);
        assigned = true;
        return value;
      }
      // Not an assignment: read the name again as the start of an expression.
      next = name_start;
      advance();
    }
    return expression();
  }

  double expression() {
    double value = term();
    while (!failed() && (is('+') || is('-'))) {
      const bool minus = is('-');
      advance();
      if (failed()) return 0.0;
      const double right = term();
      value = minus ? value - right : value + right;
    }
    return failed() ? 0.0 : value;
  }

  double term() {
    double value = factor();
    while (!failed() && (is('*') || is('/') || is('%'))) {
      const char op = text[start];
      const std::size_t op_start = start, op_end = end;
      advance();
      if (failed()) return 0.0;
      const double right = factor();
      if (failed()) return 0.0;
      if (op != '*' && right == 0.0) return fail(kDivisionByZero, op_start, op_end);
      value = op == '*' ? value * right : op == '/' ? value / right : std::fmod(value, right);
    }
    return failed() ? 0.0 : value;
  }

  // An optional sign and a primary; a sign before a power's base belongs to the base.
  double signedPrimary() {
    bool minus = false;
    if (is('+') || is('-')) {
      minus = is('-');
      advance();
      if (failed()) return 0.0;
    }
    const double value = primary();
    return minus ? -value : value;
  }

  double factor() {
    const double base = signedPrimary();
    if (failed() || !is('^')) return base;
    advance();
    if (failed()) return 0.0;
    const double exponent = signedPrimary();
    return failed() ? 0.0 : std::pow(base, exponent);
  }

  // Parentheses and calls are the only ways back into expression(): the depth is kept here.
  bool enter() {
    if (++depth <= kMaxDepth) return true;
    failHere(kSyntaxError);
    return false;
  }

  double primary() {
    switch (kind) {
      case Kind::Number: {
        const double value = parseDouble(token());
        advance();
        return value;
      }
      case Kind::Name: {
        const std::size_t name_start = start, name_end = end;
        advance();
        if (failed()) return 0.0;
        if (is('(')) return call(name_start, name_end);
        return lookUp(name_start, name_end);
      }
      case Kind::Operator:
        if (is('(')) return parenthesis();
        break;
      case Kind::End:
        break;
    }
    return failHere(kSyntaxError);
  }

  double parenthesis() {
    if (!enter()) return 0.0;
    advance();
    if (failed()) return 0.0;
    if (is(')')) return failHere(kMissingArgument);
    const double value = expression();
    if (failed()) return 0.0;
    if (!is(')')) return failHere(kUnbalancedParenthesis);
    advance();
    --depth;
    return value;
  }

  // At the "(" after a function name.
  double call(std::size_t name_start, std::size_t name_end) {
    const std::string_view name = std::string_view(text).substr(name_start, name_end - name_start);
    const Function* function = nullptr;
    for (const Function& f : kFunctions)
      if (f.name == name) function = &f;
    if (function == nullptr) return fail(kUnrecognisedFunction, name_start, name_end);
    if (!enter()) return 0.0;
    double arguments[kMaxArguments] = {};
    int count = 0;
    for (;;) {
      advance();
      if (failed()) return 0.0;
      if (is(')')) return failHere(kMissingArgument);  // "f()" or "f(1,)"
      arguments[count++] = expression();
      if (failed()) return 0.0;
      if (!is(',') || count == kMaxArguments) break;
    }
    if (!is(')')) return failHere(kMissingArgument);
    if (count != function->arguments) return fail(kWrongNumberOfArguments, name_start, name_end);
    advance();
    --depth;
    return failed() ? 0.0 : function->apply(arguments);
  }

  double lookUp(std::size_t name_start, std::size_t name_end) {
    const std::string_view name = std::string_view(text).substr(name_start, name_end - name_start);
    if (name[0] == '_') {
      const std::optional<std::string> value =
          environmentValueAnyCase(original.substr(name_start + 1, name_end - name_start - 1));
      if (!value) return fail(kUnknownVariable, name_start, name_end);
      return parseDouble(*value);
    }
    for (const auto& [variable, value] : owner.variables_)
      if (variable == name) return value;
    if (name == "pi") return kPi;
    if (name == "e") return kE;
    return fail(kUnknownVariable, name_start, name_end);
  }
};

int Evaluator::Evaluate(std::string_view text, double& value, bool& assigned) {
  value = 0.0;
  assigned = false;
  Parse parse(*this, text);
  bool stored = false;
  const double result = parse.statement(stored);
  error_code_ = parse.code;
  error_position_ = parse.error_position;
  error_token_ = std::move(parse.error_token);
  if (error_code_ != kOk) return error_code_;
  value = result;
  assigned = stored;
  return kOk;
}

bool Evaluator::SetVariable(std::string_view name, double value) {
  const std::string key = lowerCopy(name);
  for (auto& [variable, stored] : variables_) {
    if (variable == key) {
      stored = value;
      return true;
    }
  }
  if (variables_.size() >= kMaxVariables) return false;
  variables_.emplace_back(key, value);
  return true;
}

void Evaluator::ClearVariable(std::string_view name) {
  const std::string key = lowerCopy(name);
  std::erase_if(variables_, [&](const auto& entry) { return entry.first == key; });
}

std::string_view Evaluator::ErrorMessage(int code) {
  if (code < kSyntaxError || code > kEmptyExpression) return {};
  return kMessages[code];
}

}  // namespace kv
