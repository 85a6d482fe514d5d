#include "document/archive/scramble.h"

namespace kv {

// Positions and the remaining count are signed and 64-bit: a step of 3 near the end takes
// the count below zero and ends the walk, and nothing at or beyond the end is touched.
void unscramblePatch(std::span<uint8_t> bytes, uint8_t key) {
  int64_t pos = 0;
  int64_t remaining = static_cast<int64_t>(bytes.size());
  while (remaining > 0) {
    const uint8_t stored = bytes[static_cast<size_t>(pos)];
    bytes[static_cast<size_t>(pos)] = stored ^ key;
    const int step = (stored & 1) ? 3 : 1;
    pos += step;
    remaining -= step;
  }
}

void scramblePatch(std::span<uint8_t> bytes, uint8_t key) {
  int64_t pos = 0;
  int64_t remaining = static_cast<int64_t>(bytes.size());
  while (remaining > 0) {
    const uint8_t stored = bytes[static_cast<size_t>(pos)] ^ key;
    bytes[static_cast<size_t>(pos)] = stored;
    const int step = (stored & 1) ? 3 : 1;
    pos += step;
    remaining -= step;
  }
}

}  // namespace kv
