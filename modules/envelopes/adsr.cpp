#include "modules/envelopes/adsr.h"

namespace kv {

void ug_adsr::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&gate_in, "Gate")
                     .Default("1")
                     .Help("Triggers the Attack phase when greater then 0 V "));
  list.push_back(VoltsIn(&attack_in, "Attack")
                     .Default("0")
                     .Help("Controls the rate of the attack, 0 V is quickest, 10 V slowest"));
  list.push_back(VoltsIn(&decay_in, "Decay").Default("5").Help("The Decay rate"));
  list.push_back(VoltsIn(&sustain_in, "Sustain")
                     .Default("7")
                     .Help("The 'hold' level, while the gate is high (key is down)"));
  list.push_back(VoltsIn(&release_in, "Release").Default("4").Help("The Release rate"));
  list.push_back(
      VoltsIn(&overall_level_in, "Overall Level")
          .Default("10")
          .Help("Controls the overall output level.  Handy for adding Velocity sensitivity"));
  list.push_back(VoltsOut(&signal_out, "Signal Out").Default("0"));
}

void ug_adsr::BindPlugs() {
  BindSegment(0, kAttack, kNone, 1.0f);
  BindSegment(1, kDecay, kSustain, 0.0f);
  BindSegment(2, kRelease, kNone, 0.0f);
  sustain_seg_ = 1;
  end_seg_ = 2;
}

}  // namespace kv
