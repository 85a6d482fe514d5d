#include "engine/number_text.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace kv {

namespace {
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view skipSpace(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && isSpace(t[i])) ++i;
  return t.substr(i);
}
}  // namespace

int parseInt(std::string_view text) {
  std::string_view t = skipSpace(text);
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  long long value = 0;
  std::size_t i = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    if (value < (1LL << 40)) value = value * 10 + (t[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool parseIntStrict(std::string_view text, int& out) {
  std::string_view t = skipSpace(text);
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  if (i >= t.size() || t[i] < '0' || t[i] > '9') return false;
  out = parseInt(t);
  return true;
}

double parseDouble(std::string_view text) {
  std::string_view t = skipSpace(text);
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.empty() || t[0] == '+' || t[0] == '-') return 0.0;
  double value = 0.0;
  auto result = std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone; atof gives +-HUGE_VAL or 0 (underflow). Which one
    // follows from the decimal exponent of the leading digit plus the written exponent:
    // out of range means it is beyond +-300, so its sign decides.
    std::size_t i = 0;
    long long integer_digits = 0, leading_fraction_zeros = 0;
    bool point = false, significant = false;
    for (; i < t.size() && ((t[i] >= '0' && t[i] <= '9') || (t[i] == '.' && !point)); ++i) {
      if (t[i] == '.') {
        point = true;
      } else if (t[i] != '0' || significant) {
        significant = true;
        if (!point) ++integer_digits;
      } else if (point) {
        ++leading_fraction_zeros;
      }
    }
    long long exponent = integer_digits > 0 ? integer_digits - 1 : -(leading_fraction_zeros + 1);
    if (i + 1 < t.size() && (t[i] == 'e' || t[i] == 'E')) {
      const bool minus = t[i + 1] == '-';
      long long written = 0;
      for (std::size_t j = i + 1 + (t[i + 1] == '+' || minus); j < t.size() && t[j] >= '0' && t[j] <= '9'; ++j)
        if (written < (1LL << 40)) written = written * 10 + (t[j] - '0');
      exponent += minus ? -written : written;
    }
    value = exponent > 0 ? HUGE_VAL : 0.0;
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

std::string formatInt(long long value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string formatFixed(double value, int decimals) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

}  // namespace kv
