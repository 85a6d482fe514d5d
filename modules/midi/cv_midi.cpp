#include "modules/midi/cv_midi.h"

#include <algorithm>
#include <cmath>

#include "engine/audio_master.h"
#include "modules/midi/controller_names.h"

namespace kv {

ug_cv_midi::ug_cv_midi() { SetProcessFunction(&ug_cv_midi::sub_process_sleep); }

void ug_cv_midi::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&gate_in, "Gate").Default("0").Help("Triggers the Note on message"));
  list.push_back(VoltsIn(&pitch_in, "Pitch").Default("5").Help("Sets the note pitch"));
  list.push_back(VoltsIn(&velocity_in, "Velocity").Default("5").Help("Sets the note velocity"));
  list.push_back(EnumIn(&channel, "Channel", midi::kChannelList)
                     .Default("0")
                     .Flags(kDeclAudioInput | kDeclReserved)
                     .Help("MIDI Channel"));
  list.push_back(MidiOut(&midi_out, "MIDI Data"));
  list.push_back(EnumParameter(&freq_scale, "Freq Scale", "1 Volt/Octave, 1 Volt/kHz ")
                     .Default("0")
                     .Help("Switches between 1 Volt per Octave or 1 Volt per kHz response."));
}

int ug_cv_midi::NoteFromPitch(float pitch, int freq_scale) {
  double note;
  if (freq_scale == 1) {
    if (!(pitch > 0.0f)) return 0;  // no frequency: log2 has no answer
    note = 12.0 * std::log2(static_cast<double>(pitch) * 10000.0 / 440.0) + 69.0;
  } else {
    note = (static_cast<double>(pitch) * 10.0 - 5.0) * 12.0 + 69.5;
  }
  if (!(note > 0.0)) return 0;  // also NaN
  if (note >= 127.0) return 127;
  return static_cast<int>(note);
}

int ug_cv_midi::VelocityFromLevel(float level) {
  const double v = static_cast<double>(level) * 127.0;
  if (!(v >= 1.0)) return 1;
  if (v >= 127.0) return 127;
  return static_cast<int>(v);
}

void ug_cv_midi::Open() {
  high_ = false;
  ug_base::Open();
}

bool ug_cv_midi::Step(float gate, int pos, sample_clock time) {
  const bool high = gate > 0.0f;
  if (high == high_) return false;
  high_ = high;
  const int ch = std::max<int>(channel, 0) & 0x0F;
  if (high) {
    last_note_ = NoteFromPitch(pitch_in[pos], freq_scale);
    const int velocity = VelocityFromLevel(velocity_in[pos]);
    midi_out.Push(time, MidiEvent::Pack(0x90 | ch, last_note_, velocity));
  } else {
    midi_out.Push(time, MidiEvent::Pack(0x80 | ch, last_note_, 64));
  }
  return true;
}

void ug_cv_midi::sub_process_scan(int offset, int count) {
  bool sent = false;
  for (int i = 0; i < count; ++i) sent = Step(gate_in[offset + i], offset + i, clock + i) || sent;
  if (sent) WakeDestinations(plugs[kMidiData]);
}

void ug_cv_midi::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  if (plugs[kGate]->state == ST_RUN) {
    SetProcessFunction(&ug_cv_midi::sub_process_scan);
    return;
  }
  SetProcessFunction(&ug_cv_midi::sub_process_sleep);
  const int pos = static_cast<int>(
      std::clamp<sample_clock>(clock - master->block_start(), 0, BlockSize() - 1));
  if (Step(gate_in[pos], pos, time)) WakeDestinations(plugs[kMidiData]);
}

}  // namespace kv
