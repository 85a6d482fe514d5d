#pragma once
// The ends of a patch's MIDI paths.
//
// ug_midi_in ("MIDI In"): moves the records of the application's MIDI input queue into
// "MIDI Data", each in the run that contains its time; active sensing (0xFE) is dropped
// and a record older than the module's clock is restamped to the clock. Without a queue
// (the plug-in has none: host MIDI arrives through the VST input module) it stays silent.
//
// ug_midi_out ("MIDI Out"): reads and discards its input, so that whatever feeds it never
// backs up. MIDI leaves the plug-in through the VST output module.
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class MidiInQueue;

class ug_midi_in : public ug_base {
 public:
  enum PlugIndex { kMidiData };

  ug_midi_in();
  ug_base* CreateObject() override { return new ug_midi_in; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void Process(int count) override;
  bool CanSleep() override { return false; }  // it polls the queue every run

  // Build time; Open takes the master host's queue when none was set.
  void SetQueue(MidiInQueue* q) { queue_ = q; }

  MidiOutput midi_out;

 private:
  MidiInQueue* queue_ = nullptr;
  MidiEvent held_{};  // read from the queue, due in a later run
  bool holding_ = false;
};

class ug_midi_out : public ug_base {
 public:
  enum PlugIndex { kMidiIn };

  ug_midi_out();
  ug_base* CreateObject() override { return new ug_midi_out; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Process(int count) override;

  MidiInput midi_in;
};

}  // namespace kv
