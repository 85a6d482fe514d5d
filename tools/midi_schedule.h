// MIDI to play into a plug-in during a render, as short messages at sample frames.
//
// Built from a note list or from a standard MIDI file at a given sample rate. Messages
// are in frame order; at one frame, a note list sends its note-offs before its
// note-ons (so a note that ends where the same note starts again sounds again), and a
// MIDI file keeps the file's order. The tempo and time-signature changes of a MIDI
// file come along so the host's transport can follow them.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/midi_file.h"
#include "tools/note_list.h"

namespace kv {

struct ScheduledMidi {
  int64_t frame = 0;
  uint8_t bytes[3] = {0, 0, 0};
};

struct ScheduledTempo {
  int64_t frame = 0;
  double beatsPerMinute = 120.0;
};

struct ScheduledSignature {
  int64_t frame = 0;
  int32_t numerator = 4;
  int32_t denominator = 4;
};

struct MidiSchedule {
  std::vector<ScheduledMidi> messages;
  std::vector<ScheduledTempo> tempos;  // empty: the transport keeps its default
  std::vector<ScheduledSignature> signatures;
  int64_t endFrame = 0;  // where the material ends (last note-off or end of the file)
};

// The frame of time `seconds` at `rate` (rounded to the nearest frame).
int64_t frameAt(double seconds, double rate);

MidiSchedule scheduleNotes(const std::vector<PlayedNote>& notes, double rate);
MidiSchedule scheduleMidiFile(const MidiFile& file, double rate);

}  // namespace kv
