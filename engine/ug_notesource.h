#pragma once
// ug_notesource: the base of the voice sources ("Midi to CV", "Drum Trigger", "Soundfont
// Player", ...). The note source of voice 0 (the prototype) reads MIDI and asks its
// container for voices; every voice's note source (the prototype or a copy) then receives
// the voice's private events:
//   UET_NOTE_ON (7)       channel, note, velocity (arg3)    -> NoteOn
//   UET_NOTE_OFF (8)      channel, note                      -> NoteOff
//   UET_QUICK_RELEASE (9) channel, note, 64 (arg3)           -> QuickRelease, after passing
//                         UET_QUICK_RELEASE on to every unit generator registered for quick release
//   UET_PITCH_BEND (10)   value -8192..8191                  -> SetBend(value / 8192)
//   UET_AFTERTOUCH (11)   value 0..127                       -> SetAftertouch(value / 127)
//   UET_SUSPEND (1)       the voice (ptr)                    -> the voice suspends
// A family implements NoteOn/NoteOff/QuickRelease/SetBend/SetAftertouch (calling the base
// NoteOn, which keeps the channel and note), and may override IsPolyphonic (a drum trigger
// answers false), VoiceHint (mono mode answers 0), OnBankSelect and OnProgramChange.
//
// MIDI of the prototype: before each run every pending record of "MIDI In" whose channel
// passes "Channel" (-1 = all; system messages always pass) becomes a UET_MIDI event at its
// time; OnMidi handles it at that sample:
//   note-off (or note-on velocity 0): deferred while the channel's sustain pedal is down,
//     else the held voice of that key is released;
//   note-on: AllocateVoice (VoiceHint);
//   CC 0: OnBankSelect (value 0 on channel 10 counts as 128);
//   CC 101/100 select an RPN, 99/98 an NRPN; CC 6 and 38 set the channel's bend range
//     while RPN 0 is selected (coarse semitones + fine / 128);
//   CC 64, 69: pedal down (> 63) / up (releases the pedal-pending voices of the channel);
//   CC 120, 123: every voice released;
//   program change: OnProgramChange on the prototype and every copy;
//   channel pressure, pitch bend: UET_AFTERTOUCH / UET_PITCH_BEND at the prototype's clock to the prototype
//     and every copy whose current channel matches (bend also updates the channel table).
// Copies never read MIDI; their "MIDI In" is left unconnected.
#include <array>
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_container;

class ug_notesource : public ug_base {
 public:
  enum { kMidiIn, kChannel };  // plugs every note source starts with
  struct ChannelState {
    float bend = 0.0f;        // -1..+1
    float bend_range = 2.0f;  // semitones (RPN 0)
    int range_coarse = 2;
    int range_fine = 0;
    bool pedal = false;
    int rpn_msb = 127, rpn_lsb = 127;  // 127/127: none selected
    bool nrpn = false;
  };

  ug_notesource();
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Process(int count) override;
  void HandleEvent(ug_event* e) override;
  void Open() override;
  void WireClone(ug_base* prototype, const CloneMap& copies) override;
  int EventReserve() const override;
  // The prototype never sleeps: it keeps its place in the run list ahead of its copies
  // (equal sort order, opened first), so that the voice events it posts at a sample reach
  // the copies in the same run. Re-inserted after a sleep it would run behind them and
  // every voice event would slip to the next run, which depends on the host's call sizes.
  bool CanSleep() override { return !IsPrototype() && ug_base::CanSleep(); }

  virtual bool IsPolyphonic() const { return true; }
  // The voice a note-on must use, or -1 to let the container choose.
  virtual int VoiceHint() const { return -1; }
  virtual void OnBankSelect(int channel, int value) {}
  virtual void NoteOff(int channel, int note, int velocity) {}
  virtual void QuickRelease(int channel, int note, int velocity) {}
  virtual void NoteOn(int channel, int note, int velocity);
  virtual void OnMidi(sample_clock time, int32_t message);
  virtual void SetAftertouch(float value) {}
  virtual void SetBend(float value) {}

  // Build time (an envelope's Open): `u` receives UET_QUICK_RELEASE when this voice is cut short.
  void RegisterQuickRelease(ug_base* u);

  bool IsPrototype() const { return !(flags & UGF_CLONE); }
  ug_container* Container() const;
  // The voice this note source plays (its voice index once open).
  int VoiceIndex() const { return voice_tag; }
  // The per-channel table, shared by the prototype and its copies.
  const ChannelState& Channel(int c) const { return channels_[c & 15]; }

  MidiInput midi_in;
  int16_t channel_filter = -1;
  int current_channel = 0;
  int current_note = 0;

 protected:
  void PostToPrototypeAndCopies(int type, int value, int channel);

 private:
  std::array<ChannelState, 16> own_channels_{};
  ChannelState* channels_ = own_channels_.data();
  std::vector<ug_base*> quick_release_;
};

}  // namespace kv
