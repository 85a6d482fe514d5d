// The short note list of the command line: "note:start:length:velocity,..." with start
// and length in seconds, e.g. "69:0:1:100,72:0.5:0.5:90".
#pragma once

#include <string>
#include <vector>

namespace kv {

struct PlayedNote {
  int note = 60;        // 0..127
  double start = 0.0;   // seconds, >= 0
  double length = 1.0;  // seconds, > 0
  int velocity = 100;   // 1..127
};

// Parses the list; false with a one-line reason in `error` for anything malformed or
// out of range.
bool parseNoteList(const std::string& text, std::vector<PlayedNote>& notes, std::string& error);

}  // namespace kv
