#pragma once
// ug_container: the running form of a container, and the owner of its unit generators.
//
// Voices. A container owns a list of voices; every unit generator it owns sits in exactly
// one voice. The root container and containers without a voice source have one voice. A
// container whose voice 0 has a polyphonic note source gets `polyphony` voices, all built
// before the engine starts (nothing is cloned on the audio thread): voice 0 holds the
// prototypes, every further voice a copy (Clone + WireClone) of each voice-dependent unit
// generator of voice 0.
//
// Preparing voices, in build order (GraphBuilder drives it):
//  1. PrepareVoiceDependency: the note source marks everything downstream of it; every
//     marked unit generator whose voice inputs are active marks upstream; those with both
//     marks are voice-dependent (cloned per voice). A non-polyphonic note source (a drum
//     trigger) instead tags the downstream of each of its outputs with the output's number
//     (1, 2, ...); tags spread upstream; unit generators with one positive tag move to the
//     voice of that number, those reached by two outputs stay shared in voice 0.
//     Then every connection from a voice-dependent output to a shared, non-collector input
//     gets a summing module whose collector input becomes the input's proxy, so each voice
//     copy's output joins the same sum (collector order: voice 0, 1, 2, ...). A voice whose
//     audio outputs reach a shared unit generator that is not display-only gets a voice
//     monitor watching them.
//  2. WireIoBoundaries: connections through the container's plugs and its IO module are
//     remade directly from the real source, and the boundary plugs become proxies.
//  3. (after sorting) PrepareVoices: each voice's list in ascending sort order; voices
//     cloned up to `polyphony`.
//
// Note allocation (audio thread, called by the note source of voice 0): AllocateVoice,
// ReleaseNote, DeferRelease, ReleasePedal. See ug_container.cpp for the rules.
#include <cstdint>
#include <vector>

#include "engine/ug_base.h"
#include "engine/voice.h"

namespace kv {

class ug_container : public ug_base {
 public:
  enum { kPolyphony, kMidiAutomation, kShowControls };  // plugs made from declarations
  ug_container();
  ~ug_container() override;  // deletes every unit generator of every voice, then the voices

  ug_base* CreateObject() override { return new ug_container; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  // Opens itself, then each voice's unit generators in list order with their voice index
  // in `voice_tag`.
  void Open() override;
  void Close() override;
  ug_base* GetIoModule() override;

  // --- building --------------------------------------------------------------------------
  // Takes ownership; appends to the last voice. A note source becomes the voice's note
  // source; a second one in the same voice posts the "several note sources" module message
  // and the master stops taking panel messages.
  void Add(ug_base* u);
  void AddToVoice(ug_base* u, Voice* v);
  // A new summing module for `datatype` (dt_volts or dt_midi) added to this container.
  ug_base* GetSummingModule(int32_t datatype);
  void PrepareVoiceDependency();
  void WireIoBoundaries();
  void PrepareVoices();
  // Every unit generator of every voice, and those of containers inside, depth first.
  void CollectAll(std::vector<ug_base*>& out) const;
  int VoiceCount() const { return static_cast<int>(voices.size()); }
  int Polyphony() const;

  // --- notes (audio thread) --------------------------------------------------------------
  // Chooses a voice for a note and starts it there; answers its index. `hint` >= 0 names
  // the voice (mono mode passes 0).
  int AllocateVoice(sample_clock time, int channel, int note, int velocity, int hint);
  // The held voice (not pedal-pending) with that key, searching from the last voice; -1.
  int FindHeldVoice(int channel, int note) const;
  // A negative note releases every voice, whatever its channel and state.
  void ReleaseNote(sample_clock time, int channel, int note, int velocity);
  void DeferRelease(int channel, int note);
  void ReleasePedal(sample_clock time, int channel);

  // --- panel controls and MIDI controllers ------------------------------------------------
  // Files a panel control under its MIDI controller number (build time); a negative number
  // files nothing, 99 (NRPN) and 101 (RPN) are filed under 6 (data entry) with their
  // parameter number. Moving first removes the control from whatever list holds it.
  void RegisterControl(ug_base* control, int controller, int parameter_number = -1);
  void MoveControl(ug_base* control, int controller, int parameter_number = -1);
  // Audio thread: event UET_CONTROLLER (controller, value) at `time` to every control filed
  // under `controller`; one filed from 99 only when its parameter number is `nrpn`, from
  // 101 only when it is `rpn`.
  void DispatchController(sample_clock time, int controller, int rpn, int nrpn, int value);

  std::vector<Voice*> voices;
  int16_t polyphony = 6;
  ug_base* automator = nullptr;      // the container's MIDI automator, or null
  ug_base* automator_out = nullptr;  // its output module, or null
  struct FiledControl {
    ug_base* control;
    int controller;        // as registered (99 and 101 kept)
    int parameter_number;  // for 99 and 101
  };
  std::vector<FiledControl> controls_by_cc[128];
  // Document-side settings; the engine only gives them storage.
  uint8_t midi_automation = 0;
  int16_t show_controls = 0;

  // The document tree as the builder made it (GraphBuilder).
  ug_container* parent_container = nullptr;
  ug_container* target = this;  // where modules added to this container go
  bool has_voice_source = false;
  ug_base* io_module = nullptr;  // set by the builder, or made on demand by GetIoModule
  std::vector<ug_container*> sub_containers;

 private:
  Voice* NewVoice();
  void MarkVoicesPolyphonic(ug_base* note_source);
  void TagDrumVoices(ug_base* note_source);
  void AddVoiceSumming();
  void AddVoiceMonitors();
};

}  // namespace kv
