#pragma once
// ug_vst_out ("VST Output"): the patch's audio and MIDI leaving for the host.
//
// Plugs: 0 "MIDI In" (MIDI for the host), then one "Audio" input per host output channel
// (auto-duplicating, not voice-sensitive; the module is never voice-dependent).
//
// Per host call the owner sets one write pointer per host output channel and whether the
// host asked for replacing or accumulating processing (SetHostOutputs). Each run then, for
// every host channel: copies (replacing) or adds (accumulating) the samples of the audio
// input of that number, and advances the pointer. A channel that no input feeds gets zeros
// when replacing and is left as it is when accumulating, so the host buffers are always
// fully written in replacing mode. The module never sleeps: a host buffer is new every call.
#include <vector>

#include "engine/midi_transport.h"
#include "engine/ug_base.h"

namespace kv {

class ug_vst_out : public ug_base {
 public:
  ug_vst_out();
  ug_base* CreateObject() override { return new ug_vst_out; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void Close() override;
  bool CanSleep() override { return false; }

  // Audio thread, before the engine runs a host call.
  void SetHostOutputs(float* const* channels, int count, bool replacing);
  int AudioInputCount() const { return static_cast<int>(audio_.size()); }
  bool attached() const { return attached_; }

  MidiInput midi_in;

 private:
  void sub_process(int offset, int count);

  static constexpr int kMaxHostChannels = 64;
  std::vector<UPlug*> audio_;  // the audio inputs, in plug order (set at Open)
  float* write_[kMaxHostChannels] = {};
  int write_count_ = 0;
  bool replacing_ = true;
  bool attached_ = false;
};

}  // namespace kv
