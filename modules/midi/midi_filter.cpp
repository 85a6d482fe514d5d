#include "modules/midi/midi_filter.h"

namespace kv {

ug_midi_filter::ug_midi_filter() { SetProcessFunction(&ug_midi_filter::sub_process_sleep); }

void ug_midi_filter::ListInterface(std::vector<InterfaceObject>& list) {
  list.emplace_back(&midi_in, dt_midi, nullptr, DR_IN, "MIDI Input Plug", "MIDI In", "", "", 0);
  list.emplace_back(&midi_out, dt_midi, nullptr, DR_OUT, "MIDI Output Plug", "MIDI Out", "", "", 0);
  list.emplace_back(&channel_lo, dt_enum, nullptr, DR_IN, "MIDI Channel Low", "Channel Lo", "1", "range 1,16", 1);
  list.emplace_back(&channel_hi, dt_enum, nullptr, DR_IN, "MIDI Channel Hi", "Channel Hi", "16", "range 1,16", 1);
  list.emplace_back(&note_lo, dt_enum, nullptr, DR_IN, "Note Low", "Note Lo", "0", "range 0,127", 1);
  list.emplace_back(&note_hi, dt_enum, nullptr, DR_IN, "Note Hi", "Note Hi", "127", "range 0,127", 1);
  list.emplace_back(&velocity_lo, dt_enum, nullptr, DR_IN, "Velocity Low", "Velocity Lo", "0", "range 0,127", 1);
  list.emplace_back(&velocity_hi, dt_enum, nullptr, DR_IN, "Velocity Hi", "Velocity Hi", "127", "range 0,127", 1);
}

bool ug_midi_filter::Passes(int32_t message) const {
  const int status = message & 0xFF;
  if (status >= 0xF0) return true;
  const int channel = status & 0x0F;
  if (channel < channel_lo - 1 || channel > channel_hi - 1) return false;
  const int note = (message >> 8) & 0xFF;
  const int velocity = (message >> 16) & 0xFF;
  const bool note_in_range = note >= note_lo && note <= note_hi;
  switch (status & 0xF0) {
    case 0x80:
      return note_in_range;
    case 0x90:
      if (velocity == 0) return note_in_range;  // a note-off
      return note_in_range && velocity >= velocity_lo && velocity <= velocity_hi;
    default:
      return true;
  }
}

void ug_midi_filter::Process(int count) {
  const sample_clock end = clock + count;
  bool sent = false;
  while (!midi_in.empty()) {
    const MidiEvent e = midi_in.Peek();
    if (e.time >= end) break;
    if (Passes(e.message)) {
      // A full output keeps the record where it is rather than lose it.
      if (midi_out.Unread() >= MidiOutput::kCapacity) break;
      midi_out.Push(e);
      sent = true;
    }
    midi_in.Pop();
  }
  if (sent) WakeDestinations(plugs[kMidiOut]);
  ug_base::Process(count);
}

}  // namespace kv
