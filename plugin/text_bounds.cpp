#include "plugin/text_bounds.h"

#include <algorithm>
#include <cstring>

namespace kv {

void copyBounded(char* dest, std::string_view text, std::size_t maxChars) {
  if (!dest) return;
  const std::size_t n = std::min(text.size(), maxChars);
  std::memcpy(dest, text.data(), n);
  dest[n] = '\0';
}

}  // namespace kv
