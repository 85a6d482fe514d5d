// Fuzzes the command line's note list reader: any text is either refused with a
// message or read into notes within their ranges.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/note_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<kv::PlayedNote> notes;
  std::string error;
  if (!kv::parseNoteList(text, notes, error)) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  for (const kv::PlayedNote& n : notes) {
    if (n.note < 0 || n.note > 127 || n.velocity < 1 || n.velocity > 127) __builtin_trap();
    if (!(n.start >= 0) || !std::isfinite(n.start) || !(n.length > 0) || !std::isfinite(n.length))
      __builtin_trap();
  }
  return 0;
}
