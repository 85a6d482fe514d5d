#include "platform/environment.h"

#include <unistd.h>

#include <cstring>

namespace kv {

namespace {
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}
}  // namespace

std::optional<std::string> environmentValueAnyCase(std::string_view name) {
  const char* any_case = nullptr;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals == nullptr) continue;
    const std::string_view entry_name(*entry, static_cast<std::size_t>(equals - *entry));
    if (entry_name == name) return std::string(equals + 1);
    if (any_case == nullptr && sameIgnoringCase(entry_name, name)) any_case = equals + 1;
  }
  if (any_case != nullptr) return std::string(any_case);
  return std::nullopt;
}

}  // namespace kv
