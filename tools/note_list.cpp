#include "tools/note_list.h"

#include <charconv>
#include <cmath>

namespace kv {

namespace {

template <typename T>
bool parseNumber(std::string_view text, T& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && p == end;
}

}  // namespace

bool parseNoteList(const std::string& text, std::vector<PlayedNote>& notes, std::string& error) {
  notes.clear();
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);

    std::string_view fields[4];
    std::size_t count = 0;
    std::string_view itemRest = item;
    while (count < 4) {
      const std::size_t colon = itemRest.find(':');
      fields[count++] = itemRest.substr(0, colon);
      if (colon == std::string_view::npos) {
        itemRest = {};
        break;
      }
      itemRest = itemRest.substr(colon + 1);
    }
    PlayedNote n;
    if (count != 4 || !itemRest.empty() || !parseNumber(fields[0], n.note) ||
        !parseNumber(fields[1], n.start) || !parseNumber(fields[2], n.length) ||
        !parseNumber(fields[3], n.velocity)) {
      error = "bad note \"" + std::string(item) + "\" (expected note:start:length:velocity)";
      return false;
    }
    if (n.note < 0 || n.note > 127 || n.velocity < 1 || n.velocity > 127 ||
        !(n.start >= 0) || !std::isfinite(n.start) || !(n.length > 0) ||
        !std::isfinite(n.length)) {
      error = "note \"" + std::string(item) +
              "\" out of range (note 0-127, start >= 0, length > 0, velocity 1-127)";
      return false;
    }
    notes.push_back(n);
  }
  if (notes.empty()) {
    error = "empty note list";
    return false;
  }
  return true;
}

}  // namespace kv
