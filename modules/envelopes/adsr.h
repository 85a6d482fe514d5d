#pragma once
// ug_adsr ("ADSR"): attack to full level, decay to "Sustain", hold while the gate is high,
// release to 0. Segment 0 ramps to 1.0 at the Attack rate, segment 1 to the Sustain level
// at the Decay rate (the sustain segment), segment 2 to 0 at the Release rate (the end).
#include <vector>

#include "modules/envelopes/envelope.h"

namespace kv {

class ug_adsr : public ug_envelope {
 public:
  enum PlugIndex { kGate, kAttack, kDecay, kSustain, kRelease, kOverallLevel, kSignalOut };

  ug_base* CreateObject() override { return new ug_adsr; }
  void ListInterface(std::vector<InterfaceObject>& list) override;

  float* gate_in = nullptr;
  float* attack_in = nullptr;
  float* decay_in = nullptr;
  float* sustain_in = nullptr;
  float* release_in = nullptr;
  float* overall_level_in = nullptr;
  float* signal_out = nullptr;

 protected:
  void BindPlugs() override;
};

}  // namespace kv
