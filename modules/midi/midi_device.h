#pragma once
// ug_midi_device: the base of the MIDI modules that act on the messages of one channel
// ("Controllers", "MIDI Automator"). Before each run every pending record of "MIDI In"
// becomes a UET_MIDI event at its own time, so a message takes effect at exactly the
// sample it names whatever the host's call sizes. Channel messages pass when "Channel" is
// -1 (all) or the message's channel; system messages always pass. OnMidiData handles them.
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_midi_device : public ug_base {
 public:
  enum { kChannel, kMidiIn };
  ug_midi_device();
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Process(int count) override;
  void HandleEvent(ug_event* e) override;
  bool CanSleep() override;
  int EventReserve() const override;

  // A message that passed the channel test, at its sample.
  virtual void OnMidiData(sample_clock time, int32_t message) {}

  int16_t channel = -1;
  MidiInput midi_in;

 protected:
  // The two declarations of the base, with the help texts a derived module gives them.
  void ListChannel(std::vector<InterfaceObject>& list, const char* help, const char* def = "-1");
  void ListMidiIn(std::vector<InterfaceObject>& list, const char* help = "");
};

}  // namespace kv
