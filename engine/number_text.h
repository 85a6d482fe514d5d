#pragma once
// Locale-independent numbers in texts. Hosts often run with a comma-decimal locale, so
// nothing here uses the C library's locale-dependent atof/printf. Parsing keeps the
// atoi/atof meaning: leading white space and a sign are accepted, reading stops at the first
// character that is not part of the number, and a text without a number gives 0.
#include <string>
#include <string_view>

namespace kv {

int parseInt(std::string_view text);        // atoi: decimal, clamped to the int range
double parseDouble(std::string_view text);  // atof: decimal (with exponent), inf/nan as atof
// Parses an integer and reports whether the text held one (digits after an optional sign).
bool parseIntStrict(std::string_view text, int& out);

std::string formatInt(long long value);                  // "%d"
std::string formatFixed(double value, int decimals);     // "%.Nf"

}  // namespace kv
