#pragma once
// ug_vst_in ("VST Input"): the host's audio and MIDI entering the patch.
//
// Plugs: 0 "MIDI Out" (the host's MIDI), then one "Audio" output per host input channel
// (auto-duplicating: the document keeps a spare and adds one per connection). Host audio
// is not scaled: a host sample of 1.0 is 10 V in the patch.
//
// Per host call the owner sets one read pointer per audio output (SetHostInputs) and
// pushes the call's MIDI (PushHostMidi); each run then copies its samples from the read
// pointers into the output blocks at the run's offset and advances the pointers, so a host
// call cut into several runs is copied piecewise. An output with no host channel behind it
// carries silence. The module never sleeps.
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_vst_in : public ug_base {
 public:
  ug_vst_in();
  ug_base* CreateObject() override { return new ug_vst_in; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void Close() override;
  bool CanSleep() override { return false; }

  // Audio thread, before the engine runs a host call: `count` host channels (null entries
  // and missing channels read as silence).
  void SetHostInputs(const float* const* channels, int count);
  // Audio thread: one host MIDI message at sample clock `time`; false when the buffer is full.
  bool PushHostMidi(sample_clock time, int32_t message);
  // Wakes the modules reading "MIDI Out" after the pushes of one call.
  void FinishHostMidi();
  int AudioOutputCount() const { return static_cast<int>(audio_.size()); }
  bool attached() const { return attached_; }

  MidiOutput midi_out;

 private:
  void sub_process(int offset, int count);

  std::vector<UPlug*> audio_;        // the audio outputs, in plug order (set at Open)
  std::vector<const float*> read_;   // one read pointer per audio output
  bool attached_ = false;
};

}  // namespace kv
