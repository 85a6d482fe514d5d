#pragma once
// ug_cv_midi ("Trigger to MIDI"): a gate and pitch to MIDI notes.
// A rising Gate (from <= 0 to > 0) sends a note-on, a falling Gate a note-off (velocity
// 64) for the note last sent, on channel max(Channel, 0). At the rising edge:
//   velocity = trunc(Velocity x 127), limited to 1..127;
//   note     = trunc((Pitch x 10 - 5) x 12 + 69.5) at 1 V/octave (5 V is note 69), or
//              trunc(12 log2(Pitch x 10000 / 440) + 69) at 1 V/kHz (no pitch at or below
//              0 V, which gives note 0); limited to 0..127.
// A streaming Gate is scanned sample by sample and each message carries the sample of its
// crossing; a static Gate is handled at its change, and the module sleeps.
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_cv_midi : public ug_base {
 public:
  enum PlugIndex { kGate, kPitch, kVelocity, kChannel, kMidiData, kFreqScale };

  ug_cv_midi();
  ug_base* CreateObject() override { return new ug_cv_midi; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  static int NoteFromPitch(float pitch, int freq_scale);
  static int VelocityFromLevel(float level);

  float* gate_in = nullptr;
  float* pitch_in = nullptr;
  float* velocity_in = nullptr;
  int16_t channel = 0;
  int16_t freq_scale = 0;
  MidiOutput midi_out;

 private:
  void sub_process_scan(int offset, int count);
  // Handles the gate level at block position `pos`, time `time`; true when a message went out.
  bool Step(float gate, int pos, sample_clock time);

  bool high_ = false;
  int last_note_ = 0;
};

}  // namespace kv
