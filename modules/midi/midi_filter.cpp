#include "modules/midi/midi_filter.h"

namespace kv {

ug_midi_filter::ug_midi_filter() { SetProcessFunction(&ug_midi_filter::sub_process_sleep); }

void ug_midi_filter::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(MidiIn(&midi_in, "MIDI In").Help("MIDI Input Plug"));
  list.push_back(MidiOut(&midi_out, "MIDI Out").Help("MIDI Output Plug"));
  list.push_back(EnumIn(&channel_lo, "Channel Lo", "range 1,16")
                     .Default("1")
                     .Flags(kDeclAudioInput)
                     .Help("MIDI Channel Low"));
  list.push_back(EnumIn(&channel_hi, "Channel Hi", "range 1,16")
                     .Default("16")
                     .Flags(kDeclAudioInput)
                     .Help("MIDI Channel Hi"));
  list.push_back(EnumIn(&note_lo, "Note Lo", "range 0,127")
                     .Default("0")
                     .Flags(kDeclAudioInput)
                     .Help("Note Low"));
  list.push_back(EnumIn(&note_hi, "Note Hi", "range 0,127")
                     .Default("127")
                     .Flags(kDeclAudioInput)
                     .Help("Note Hi"));
  list.push_back(EnumIn(&velocity_lo, "Velocity Lo", "range 0,127")
                     .Default("0")
                     .Flags(kDeclAudioInput)
                     .Help("Velocity Low"));
  list.push_back(EnumIn(&velocity_hi, "Velocity Hi", "range 0,127")
                     .Default("127")
                     .Flags(kDeclAudioInput)
                     .Help("Velocity Hi"));
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
