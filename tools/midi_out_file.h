// The MIDI a plug-in sent during a render, written as a standard MIDI file.
//
// The file is format 0 with one track, and one tick is one sample frame at the render's
// rate: the division (ticks per quarter note) and the one tempo at tick 0 are chosen so that
// division ticks last exactly a quarter note of that tempo, so a message's tick is the frame
// at which the plug-in sent it. Channel messages are written as they came; system messages
// (0xF0 and above) and anything that is not a well-formed channel message are written as
// escapes (0xF7, length, the bytes), so that the file stays readable whatever a plug-in sent.
// The track ends at the render's last frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

struct SentMidi {
  int64_t frame = 0;
  uint8_t bytes[3] = {0, 0, 0};
};

// The division and tempo (microseconds per quarter) for ticks of one frame at `rate`, false
// when no division of at most 32767 ticks gives a whole tempo.
bool frameTicks(int rate, uint16_t& division, uint32_t& tempo);

// The file's bytes. `messages` in frame order; `endFrame` no earlier than the last of them.
// False (and `error` says why) when the rate has no exact division.
bool encodeMidiOutFile(const std::vector<SentMidi>& messages, int rate, int64_t endFrame,
                       std::vector<uint8_t>& bytes, std::string& error);

}  // namespace kv
