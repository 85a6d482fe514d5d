// The formula evaluator: values and quirks of the language, every error with its position
// and token, variables per evaluator, environment names, arithmetic checked against bc and
// <cmath>, and hostile texts (deep nesting, a megabyte of text, a comma-decimal locale).
#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "modules/logic/expression_evaluator.h"

namespace kv {
namespace {

struct Outcome {
  int code;
  double value;
  bool assigned;
};

Outcome Eval(Evaluator& evaluator, const std::string& text) {
  Outcome o{};
  o.code = evaluator.Evaluate(text, o.value, o.assigned);
  return o;
}

// Shortest text that reads back as the same double, without an exponent (the language has
// none).
std::string Text(double v) {
  char buffer[512];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
  return std::string(buffer, r.ptr);
}

bool Close(double got, double want, double relative) {
  if (std::isnan(want)) return std::isnan(got);
  if (std::isinf(want)) return got == want;
  return std::fabs(got - want) <= relative * std::max(1.0, std::fabs(want));
}

TEST(ExpressionEvaluator, ValuesAndQuirks) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"2^3^2", 8},             // one power per factor: the second "^" ends the expression
      {"-2^2", 4},              // the sign belongs to the base
      {"2^-3", 0.125},          // ... and the exponent may carry its own
      {"1e3", 1},               // "e3" is ignored text after a complete expression
      {"1)", 1},                // so is a stray ")"
      {"1 2", 1},
      {"3 = 4", 3},
      {"SQRT(16)", 4},          // letters are read without case
      {"sin(pi/2)", 1},
      {"e", 2.718281828459045},
      {" \t10 - 2 - 3", 5},     // left to right
      {"12 / 4 / 3", 1},
      {"2*3 + 4*5", 26},
      {"-7 % 3", -1},           // floating remainder keeps the dividend's sign
      {"7.5 % -2", 1.5},
      {"+5", 5},
      {"-(2 + 3)", -5},
      {"((1))", 1},
      {"1.5.7", 1.5},           // a number is a run of digits and "." read as far as it goes
      {".5", 0.5},
      {".", 0},
      {"max(1, -2)", 1},
      {"min(1, -2)", -2},
      {"hypot(3, 4)", 5},
      {"sgn(0)", 1},
      {"sgn(-0.5)", -1},
      {"deg(pi)", 180},
      {"rad(180)", 3.141592653589793},
      {"floor(-2.5) + ceil(2.1) + abs(-4)", 4},
      {"log10(1000) + log(e) + exp(0)", 5},
      {"sin ( 0 )", 0},
  };
  for (const auto& c : cases) {
    Evaluator evaluator;
    const Outcome o = Eval(evaluator, c.text);
    EXPECT_EQ(o.code, 0) << c.text;
    EXPECT_TRUE(Close(o.value, c.value, 1e-15)) << c.text << " = " << o.value;
    EXPECT_FALSE(o.assigned) << c.text;
    EXPECT_EQ(evaluator.ErrorCode(), 0);
    EXPECT_EQ(evaluator.ErrorToken(), "");
  }
}

TEST(ExpressionEvaluator, NonFiniteResultsAreAnswers) {
  Evaluator evaluator;
  EXPECT_TRUE(std::isnan(Eval(evaluator, "sqrt(-1)").value));
  EXPECT_EQ(Eval(evaluator, "log(0)").value, -HUGE_VAL);
  EXPECT_EQ(Eval(evaluator, "0^-1").value, HUGE_VAL);
  EXPECT_TRUE(std::isnan(Eval(evaluator, "-2^0.5").value));
  const Outcome huge = Eval(evaluator, "1" + std::string(400, '0'));  // beyond the double range
  EXPECT_EQ(huge.code, 0);
  EXPECT_EQ(huge.value, HUGE_VAL);
}

TEST(ExpressionEvaluator, EachErrorWithPositionAndToken) {
  const struct {
    const char* text;
    int code;
    std::size_t position;
    const char* token;
  } cases[] = {
      {"#", 1, 0, "#"},
      {"1 + #", 1, 4, "#"},
      {"1 #", 1, 2, "#"},  // the look-ahead reads one token past a complete expression
      {"1+", 1, 2, ""},
      {"--2", 1, 1, "-"},  // one sign per factor
      {"*3", 1, 0, "*"},
      {"2^", 1, 2, ""},
      {"x = 1 +", 1, 7, ""},
      {"é", 1, 0, "\xc3"},
      {"(1+2", 2, 4, ""},
      {"(1 2)", 2, 3, "2"},
      {"1/0", 3, 1, "/"},
      {"5 % (1-1)", 3, 2, "%"},
      {"1/-0", 3, 1, "/"},
      {"foo", 4, 0, "foo"},
      {"2*Foo", 4, 2, "foo"},
      {"_KV_EVALUATOR_SURELY_UNSET", 4, 0, "_kv_evaluator_surely_unset"},
      {"_", 4, 0, "_"},
      {"frob(1)", 6, 0, "frob"},
      {"pi(1)", 6, 0, "pi"},
      {"max(1)", 7, 0, "max"},
      {"max(1,2,3)", 7, 0, "max"},
      {"sin(1, 2)", 7, 0, "sin"},
      {"sin()", 8, 4, ")"},
      {"sin(1,)", 8, 6, ")"},
      {"max(1,2,3,4)", 8, 9, ","},  // at most three arguments are read
      {"sin(1", 8, 5, ""},
      {"()", 8, 1, ")"},
      {"", 9, 0, ""},
      {" \t ", 9, 3, ""},
  };
  for (const auto& c : cases) {
    Evaluator evaluator;
    const Outcome o = Eval(evaluator, c.text);
    EXPECT_EQ(o.code, c.code) << c.text;
    EXPECT_EQ(o.value, 0.0) << c.text;
    EXPECT_FALSE(o.assigned) << c.text;
    EXPECT_EQ(evaluator.ErrorCode(), c.code) << c.text;
    EXPECT_EQ(evaluator.ErrorPosition(), c.position) << c.text;
    EXPECT_EQ(evaluator.ErrorToken(), c.token) << c.text;
  }
  const char* messages[] = {"Syntax error",         "Unbalanced parenthesis",
                            "Division by zero",     "Unknown variable",
                            "Maximum variables exceeded", "Unrecognised funtion",
                            "Wrong number of arguments to funtion", "Missing an argument",
                            "Empty expression"};
  for (int code = 1; code <= 9; ++code) EXPECT_EQ(Evaluator::ErrorMessage(code), messages[code - 1]);
  EXPECT_EQ(Evaluator::ErrorMessage(0), "");
  EXPECT_EQ(Evaluator::ErrorMessage(10), "");
}

TEST(ExpressionEvaluator, VariablesBelongToOneEvaluator) {
  Evaluator a, b;
  Outcome o = Eval(a, "x = 3");
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.value, 3);
  EXPECT_TRUE(o.assigned);
  EXPECT_EQ(Eval(a, "X * 2").value, 6);
  EXPECT_EQ(Eval(b, "x").code, Evaluator::kUnknownVariable);

  o = Eval(a, "x =");  // clears
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.value, 0);
  EXPECT_FALSE(o.assigned);
  EXPECT_EQ(Eval(a, "x").code, Evaluator::kUnknownVariable);

  EXPECT_EQ(Eval(a, "pi = 3").code, 0);  // variables shadow the constants
  EXPECT_EQ(Eval(a, "pi").value, 3);
  EXPECT_EQ(Eval(b, "pi").value, 3.141592653589793);
  a.ClearVariable("PI");
  EXPECT_EQ(Eval(a, "pi").value, 3.141592653589793);

  // The owner's inputs; a name of any length.
  const std::string long_name(10000, 'w');
  EXPECT_TRUE(a.SetVariable("X", 0.25));
  EXPECT_TRUE(a.SetVariable(long_name, 2));
  EXPECT_EQ(Eval(a, "x * " + long_name).value, 0.5);
  EXPECT_EQ(Eval(a, long_name + "_ = 5").code, 0);
  EXPECT_EQ(Eval(a, long_name + "_").value, 5);

  // A full table refuses new names but still replaces stored ones.
  Evaluator full;
  for (std::size_t i = 0; i < Evaluator::kMaxVariables; ++i)
    ASSERT_TRUE(full.SetVariable("v" + std::to_string(i), double(i)));
  EXPECT_FALSE(full.SetVariable("extra", 1));
  o = Eval(full, "  extra = 1");
  EXPECT_EQ(o.code, Evaluator::kMaximumVariablesExceeded);
  EXPECT_FALSE(o.assigned);
  EXPECT_EQ(full.ErrorPosition(), 2u);
  EXPECT_EQ(full.ErrorToken(), "extra");
  EXPECT_EQ(Eval(full, "v7 = v7 * 2").value, 14);
  full.ClearVariable("v0");
  EXPECT_EQ(Eval(full, "extra = 1").code, 0);
}

TEST(ExpressionEvaluator, EnvironmentNamesAnyCase) {
  ::setenv("KV_EVALUATOR_LEVEL", " 2.5 volts", 1);
  ::setenv("KV_EVALUATOR_WORD", "abc", 1);
  ::setenv("KV_EVALUATOR_CASE", "1", 1);
  ::setenv("kv_evaluator_case", "2", 1);
  Evaluator evaluator;
  EXPECT_EQ(Eval(evaluator, "_kv_evaluator_level * 2").value, 5);  // read as atof reads
  EXPECT_EQ(Eval(evaluator, "_Kv_Evaluator_Level").value, 2.5);
  EXPECT_EQ(Eval(evaluator, "_KV_EVALUATOR_WORD").code, 0);
  EXPECT_EQ(Eval(evaluator, "_KV_EVALUATOR_WORD").value, 0);
  EXPECT_EQ(Eval(evaluator, "_KV_EVALUATOR_CASE").value, 1);  // an exact spelling wins
  EXPECT_EQ(Eval(evaluator, "_kv_evaluator_case").value, 2);
  for (const char* name : {"KV_EVALUATOR_LEVEL", "KV_EVALUATOR_WORD", "KV_EVALUATOR_CASE", "kv_evaluator_case"})
    ::unsetenv(name);
}

TEST(ExpressionEvaluator, FunctionsMatchTheMathLibrary) {
  using F1 = std::function<double(double)>;
  using F2 = std::function<double(double, double)>;
  const std::vector<std::pair<const char*, F1>> one = {
      {"sin", [](double x) { return std::sin(x); }},     {"cos", [](double x) { return std::cos(x); }},
      {"tan", [](double x) { return std::tan(x); }},     {"asin", [](double x) { return std::asin(x); }},
      {"acos", [](double x) { return std::acos(x); }},   {"atan", [](double x) { return std::atan(x); }},
      {"sinh", [](double x) { return std::sinh(x); }},   {"cosh", [](double x) { return std::cosh(x); }},
      {"tanh", [](double x) { return std::tanh(x); }},   {"exp", [](double x) { return std::exp(x); }},
      {"log", [](double x) { return std::log(x); }},     {"log10", [](double x) { return std::log10(x); }},
      {"sqrt", [](double x) { return std::sqrt(x); }},   {"floor", [](double x) { return std::floor(x); }},
      {"ceil", [](double x) { return std::ceil(x); }},   {"abs", [](double x) { return std::fabs(x); }},
      {"deg", [](double x) { return x * 180 / std::numbers::pi; }},  {"rad", [](double x) { return x * std::numbers::pi / 180; }},
      {"sgn", [](double x) { return x >= 0 ? 1.0 : -1.0; }},
  };
  const std::vector<std::pair<const char*, F2>> two = {
      {"hypot", [](double x, double y) { return std::hypot(x, y); }},
      {"min", [](double x, double y) { return std::fmin(x, y); }},
      {"max", [](double x, double y) { return std::fmax(x, y); }},
  };
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> small(-1.2, 1.2), wide(-30, 30);
  std::vector<double> xs = {0, 1, -1, 0.5};
  for (int i = 0; i < 40; ++i) xs.push_back(i % 2 ? small(rng) : wide(rng));
  Evaluator evaluator;
  for (double x : xs) {
    for (const auto& [name, f] : one) {
      const std::string text = std::string(name) + "(" + Text(x) + ")";
      const Outcome o = Eval(evaluator, text);
      ASSERT_EQ(o.code, 0) << text;
      EXPECT_TRUE(Close(o.value, f(x), 1e-12)) << text << " = " << o.value << ", want " << f(x);
    }
    for (const auto& [name, f] : two) {
      const double y = wide(rng);
      const std::string text = std::string(name) + "(" + Text(x) + ", " + Text(y) + ")";
      EXPECT_TRUE(Close(Eval(evaluator, text).value, f(x, y), 1e-12)) << text;
    }
  }
}

TEST(ExpressionEvaluator, RemainderIsFmod) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> value(-1000, 1000);
  Evaluator evaluator;
  for (int i = 0; i < 500; ++i) {
    const double a = i % 3 ? value(rng) : std::round(value(rng));
    const double b = i % 4 ? value(rng) / 10 : std::round(value(rng) / 10) + 0.5;
    const std::string text = Text(a) + " % " + Text(b);
    EXPECT_EQ(Eval(evaluator, text).value, std::fmod(a, b)) << text;
  }
}

// Random formulas of + - * /, parentheses, signs and integer powers, written twice: in the
// evaluator's language and, fully parenthesised, for bc. Divisors and negative-power bases
// stay away from 0 (checked with the evaluator itself) so that rounding stays comparable.
class FormulaGenerator {
 public:
  struct Pair {
    std::string ours, bc;
  };
  explicit FormulaGenerator(unsigned seed) : rng_(seed) {}

  Pair Expression(int depth) {
    Pair p = Term(depth);
    for (int n = Pick(0, 2); n > 0; --n) {
      const char* op = Pick(0, 1) ? "+" : "-";
      const Pair t = Term(depth);
      p = {p.ours + " " + op + " " + t.ours, "(" + p.bc + op + t.bc + ")"};
    }
    return p;
  }

 private:
  Pair Term(int depth) {
    Pair p = Factor(depth);
    for (int n = Pick(0, 2); n > 0; --n) {
      const bool divide = Pick(0, 1);
      Pair f = Factor(depth);
      if (divide && std::fabs(Value(f.ours)) < 0.5) f = {"7", "7"};
      p = {p.ours + (divide ? " / " : " * ") + f.ours, "(" + p.bc + (divide ? "/" : "*") + f.bc + ")"};
    }
    return p;
  }

  Pair Factor(int depth) {
    const bool minus = Pick(0, 3) == 0;
    const Pair base = Primary(depth);
    Pair p = {(minus ? "-" : "") + base.ours, minus ? "(-" + base.bc + ")" : base.bc};
    if (Pick(0, 2) == 0) {
      const double b = std::fabs(Value(p.ours));
      int exponent = Pick(-2, 3);
      if (exponent < 0 && b < 0.5) exponent = -exponent;
      if (b <= 50) p = {p.ours + "^" + std::to_string(exponent), "(" + p.bc + "^(" + std::to_string(exponent) + "))"};
    }
    return p;
  }

  Pair Primary(int depth) {
    if (depth > 0 && Pick(0, 2) == 0) {
      const Pair inner = Expression(depth - 1);
      return {"(" + inner.ours + ")", inner.bc};
    }
    std::string literal = std::to_string(Pick(0, 99));
    if (Pick(0, 2) == 0) literal += "." + std::to_string(Pick(0, 99));
    return {literal, literal};
  }

  double Value(const std::string& text) {
    double v = 0;
    bool assigned = false;
    return check_.Evaluate(text, v, assigned) == 0 ? v : 0.0;
  }
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::mt19937 rng_;
  Evaluator check_;
};

TEST(ExpressionEvaluator, ArithmeticAgreesWithBc) {
  if (std::system("command -v bc >/dev/null 2>&1") != 0) GTEST_SKIP() << "bc is not installed";
  FormulaGenerator generator(20240611);
  std::vector<FormulaGenerator::Pair> formulas;
  for (int i = 0; i < 600; ++i) formulas.push_back(generator.Expression(3));

  const std::string input = testing::TempDir() + "kv_evaluator_bc_input.txt";
  {
    std::ofstream out(input);
    out << "scale=60\n";
    for (const auto& f : formulas) out << f.bc << "\n";
    out << "quit\n";
  }
  FILE* pipe = ::popen(("BC_LINE_LENGTH=0 bc -l " + input + " </dev/null").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<std::string> lines;
  char buffer[8192];
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    lines.push_back(line);
  }
  ::pclose(pipe);
  std::remove(input.c_str());
  ASSERT_EQ(lines.size(), formulas.size());

  Evaluator evaluator;
  for (std::size_t i = 0; i < formulas.size(); ++i) {
    std::string_view line = lines[i];
    const bool negative = !line.empty() && line[0] == '-';
    if (negative) line.remove_prefix(1);
    double want = 0;
    ASSERT_EQ(std::from_chars(line.data(), line.data() + line.size(), want).ec, std::errc()) << lines[i];
    if (negative) want = -want;
    const Outcome o = Eval(evaluator, formulas[i].ours);
    ASSERT_EQ(o.code, 0) << formulas[i].ours;
    EXPECT_TRUE(Close(o.value, want, 1e-9)) << formulas[i].ours << " = " << o.value << ", bc: " << lines[i];
  }
}

TEST(ExpressionEvaluator, NestingIsLimitedNotFatal) {
  const std::size_t n = 100000;
  const struct {
    std::string text;
    std::size_t position;
  } deep[] = {
      {std::string(n, '(') + "1", 256},  // the first "(" beyond 256 levels
      {std::string(n, '-') + "1", 1},    // a second sign is already a syntax error
  };
  auto repeat = [&](const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out + "1";
  };
  for (const auto& c : deep) {
    Evaluator evaluator;
    EXPECT_EQ(Eval(evaluator, c.text).code, Evaluator::kSyntaxError);
    EXPECT_EQ(evaluator.ErrorPosition(), c.position);
  }
  for (const std::string& text : {repeat("-("), repeat("sin("), repeat("max(1,"), repeat("2^(")}) {
    Evaluator evaluator;
    EXPECT_EQ(Eval(evaluator, text).code, Evaluator::kSyntaxError) << text.substr(0, 8);
  }
  // Exactly the limit is fine, through parentheses and calls alike.
  const std::string at_limit = std::string(256, '(') + "1" + std::string(256, ')');
  std::string calls;
  for (int i = 0; i < 256; ++i) calls += "abs(";
  calls += "-2" + std::string(256, ')');
  Evaluator evaluator;
  EXPECT_EQ(Eval(evaluator, at_limit).value, 1);
  EXPECT_EQ(Eval(evaluator, calls).value, 2);
  EXPECT_EQ(Eval(evaluator, "(" + at_limit + ")").code, Evaluator::kSyntaxError);
  EXPECT_EQ(Eval(evaluator, "abs(" + calls + ")").code, Evaluator::kSyntaxError);
}

TEST(ExpressionEvaluator, MegabyteTexts) {
  const std::size_t megabyte = 1 << 20;
  std::string sum;
  while (sum.size() + 2 < megabyte) sum += "1+";
  sum += "1";
  Evaluator evaluator;
  const Outcome o = Eval(evaluator, sum);
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.value, double(sum.size() / 2 + 1));

  EXPECT_EQ(Eval(evaluator, sum.substr(0, sum.size() - 1) + "#").code, Evaluator::kSyntaxError);
  EXPECT_EQ(evaluator.ErrorPosition(), sum.size() - 1);

  EXPECT_EQ(Eval(evaluator, std::string(megabyte, '9')).value, HUGE_VAL);
  const std::string name(megabyte, 'q');
  EXPECT_EQ(Eval(evaluator, name).code, Evaluator::kUnknownVariable);
  EXPECT_EQ(evaluator.ErrorToken().size(), megabyte);
  EXPECT_EQ(Eval(evaluator, name + " = 4").value, 4);
  EXPECT_EQ(Eval(evaluator, std::string(megabyte, ' ')).code, Evaluator::kEmptyExpression);
}

TEST(ExpressionEvaluator, CommaDecimalLocaleChangesNothing) {
  ::setenv("KV_EVALUATOR_LOCALE", "2.75", 1);
  const char* texts[] = {"1.5 * 2.25", "sqrt(2) / 3.1", "_KV_EVALUATOR_LOCALE + 0.125", "1,5", "x = 0.3"};
  auto results = [&] {
    std::vector<double> out;
    Evaluator evaluator;
    for (const char* t : texts) out.push_back(Eval(evaluator, t).value);
    return out;
  };
  const std::vector<double> plain = results();
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    ::unsetenv("KV_EVALUATOR_LOCALE");
    GTEST_SKIP() << "no de_DE.UTF-8 locale";
  }
  const std::string decimal_point = std::localeconv()->decimal_point;
  const std::vector<double> german = results();
  std::setlocale(LC_ALL, previous.c_str());
  ::unsetenv("KV_EVALUATOR_LOCALE");
  EXPECT_EQ(decimal_point, ",");
  EXPECT_EQ(plain, german);
  EXPECT_EQ(plain[0], 3.375);
  EXPECT_EQ(plain[2], 2.875);
}

}  // namespace
}  // namespace kv
