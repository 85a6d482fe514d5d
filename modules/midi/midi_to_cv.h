#pragma once
// ug_midi_to_cv ("Midi to CV"): the note source that turns a voice's note into control
// voltages. The prototype (voice 0) reads MIDI and asks the container for voices
// (ug_notesource); every voice's copy then drives its own outputs:
//
//   Pitch      (note - 69) / 120 + 0.5 (1 V per octave, 5 V at note 69), plus the bend
//              offset: the channel's bend value x "Bend Range" / 120.
//   Gate       on a note-on it falls to 0 (unless mono mode with "Retrigger" off keeps it
//              high) and rises to 1.0 (10 V) 3 samples later, so a retriggered gate is
//              always low for 3 samples; on a note-off it falls to 0, and again 3 samples
//              later, so a note-on and note-off in quick succession end low.
//   Velocity   velocity / 127: at once, or in mono mode a straight ramp over
//              (|new - old| + 1) x 60 samples.
//   Aftertouch channel pressure / 127, at once.
//
// The prototype carries in its events to a voice everything that is the prototype's state at
// the note's time (bend, glide start), so voices never read state the prototype has moved on.
//
// Portamento: when a previous note is still held (the prototype keeps the last note-on's
// key, forgotten at that key's note-off) and "Portamento Time" is above 0 V, the prototype
// sends the chosen voice a glide (UET_GLIDE) from the prototype's current glide position to
// the new pitch, lasting 2^(V - 2 - 80/12) seconds for V volts. A bend glides to its new
// offset over 1/60 second. The Pitch output streams (ST_RUN) while either glide moves and
// stops (ST_STOP) at the exact sample where both have ended.
//
// Mono mode plays every note on voice 0; a released key only ends the note when it is the
// key sounding.
#include <vector>

#include "engine/ug_notesource.h"
#include "modules/midi/smart_output.h"

namespace kv {

class ug_midi_to_cv : public ug_notesource {
 public:
  enum PlugIndex {
    kBendRange = 2,
    kGate,
    kPitch,
    kVelocity,
    kAftertouch,
    kMonoMode,
    kRetrigger,
    kPortamentoTime,
  };
  // Private event from the prototype to a voice's copy, right after the note-on: the
  // channel's bend value (float bits) at the note's start. Copies run after the prototype
  // has handled the whole run's MIDI, so the shared channel table may already hold a
  // later bend by the time a copy starts its note.
  static constexpr int32_t kNoteBend = 13;

  ug_midi_to_cv();
  ug_base* CreateObject() override { return new ug_midi_to_cv; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void HandleEvent(ug_event* e) override;
  void OnMidi(sample_clock time, int32_t message) override;
  int VoiceHint() const override { return mono_mode ? 0 : -1; }
  void NoteOn(int channel, int note, int velocity) override;
  void NoteOff(int channel, int note, int velocity) override;
  void SetAftertouch(float value) override;
  void SetBend(float value) override;

  static float NotePitch(int note) { return static_cast<float>(note - 69) / 120.0f + 0.5f; }
  // Length of a portamento glide, in seconds, for "Portamento Time" in volts.
  static double PortamentoSeconds(double volts);

  float* gate_out = nullptr;
  float* pitch_out = nullptr;
  float* velocity_out = nullptr;
  float* aftertouch_out = nullptr;
  float* portamento_in = nullptr;
  int16_t bend_range = 12;
  int16_t mono_mode = 0;
  int16_t retrigger = 1;

 private:
  // One straight-line component of the pitch.
  struct Line {
    float value = 0.0f;
    float target = 0.0f;
    float step = 0.0f;
    int left = 0;
    void Jump(float v) {
      value = target = v;
      left = 0;
    }
    void Start(float from, float to, int length);
    // The value at the next sample.
    float Next() {
      if (left > 0) value = --left == 0 ? target : value + step;
      return value;
    }
  };

  void sub_process(int offset, int count);
  void GateHigh();
  void GateLow();
  void PitchChanged(bool streaming);
  void Awake();
  float BendOffset(float bend) const { return bend * static_cast<float>(bend_range) / 120.0f; }
  // The prototype's glide position at `time`.
  float GlidePosition(sample_clock time) const;

  smart_output gate_;
  smart_output velocity_;
  smart_output aftertouch_;
  Line note_pitch_;
  Line bend_;
  int pitch_fill_ = 0;
  bool pitch_running_ = false;

  // Prototype only: the last note-on's key (-1 after its note-off) and its glide.
  int last_note_ = -1;
  float glide_from_ = 0.0f;
  float glide_to_ = 0.0f;
  sample_clock glide_start_ = 0;
  sample_clock glide_length_ = 0;
};

}  // namespace kv
