#pragma once
// ug_midi_filter ("MIDI Filter"): passes the messages of a channel range, and of notes
// within a note and velocity range, from "MIDI In" to "MIDI Out" at their own times.
// System messages always pass; channel messages other than notes pass when their channel
// is in range. A note-on with velocity 0 is a note-off and is judged by its note only, so
// the velocity range can never hold back the end of a note it let through.
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_midi_filter : public ug_base {
 public:
  enum PlugIndex { kMidiIn, kMidiOut, kChannelLo, kChannelHi, kNoteLo, kNoteHi, kVelocityLo, kVelocityHi };

  ug_midi_filter();
  ug_base* CreateObject() override { return new ug_midi_filter; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Process(int count) override;
  bool CanSleep() override { return events.empty() && midi_in.empty(); }

  // Whether the filter passes `message` with its current settings.
  bool Passes(int32_t message) const;

  MidiInput midi_in;
  MidiOutput midi_out;
  int16_t channel_lo = 1, channel_hi = 16;
  int16_t note_lo = 0, note_hi = 127;
  int16_t velocity_lo = 0, velocity_hi = 127;
};

}  // namespace kv
