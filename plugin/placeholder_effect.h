// The plug-in object korvane.so offers until the patch engine is wired in.
//
// Placeholder until the patch engine is wired: a later plug-in object built on the
// engine takes its place in the library's factory (create_effect_instance.cpp). Until
// then hosts load a real, well-behaved effect that plays silence: stereo output, one
// input, replacing processing that writes zeros to every output, accumulating
// processing that adds nothing, and the names and answers the finished plug-in will give
// without a patch.
#pragma once

#include "plugin/audio_effect_x.h"

namespace kv {

class PlaceholderEffect : public AudioEffectX {
 public:
  static constexpr int32_t kUniqueId = vst::fourCharCode('K', 'v', 'P', 'h');

  explicit PlaceholderEffect(vst::audioMasterCallback audioMaster);

  // Audio thread: silence on every output channel.
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  // Audio thread: adds silence, i.e. leaves the outputs as they are.
  void process(float** inputs, float** outputs, int32_t sampleFrames) override {}

  // UI thread: names for the host's lists ("Korvane").
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t getVendorVersion() override { return 1; }
  // UI thread: no MIDI in or out without a patch (-1); any other word: cannot tell (0).
  int32_t canDo(char* text) override;
};

}  // namespace kv
