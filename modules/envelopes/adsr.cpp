#include "modules/envelopes/adsr.h"

namespace kv {

void ug_adsr::ListInterface(std::vector<InterfaceObject>& list) {
  list.emplace_back(nullptr, dt_volts, &gate_in, DR_IN,
                    "Triggers the Attack phase when greater then 0 V ", "Gate", "1", "", 1);
  list.emplace_back(nullptr, dt_volts, &attack_in, DR_IN,
                    "Controls the rate of the attack, 0 V is quickest, 10 V slowest", "Attack", "0",
                    "", 1);
  list.emplace_back(nullptr, dt_volts, &decay_in, DR_IN, "The Decay rate", "Decay", "5", "", 1);
  list.emplace_back(nullptr, dt_volts, &sustain_in, DR_IN,
                    "The 'hold' level, while the gate is high (key is down)", "Sustain", "7", "", 1);
  list.emplace_back(nullptr, dt_volts, &release_in, DR_IN, "The Release rate", "Release", "4", "", 1);
  list.emplace_back(nullptr, dt_volts, &overall_level_in, DR_IN,
                    "Controls the overall output level.  Handy for adding Velocity sensitivity",
                    "Overall Level", "10", "", 1);
  list.emplace_back(nullptr, dt_volts, &signal_out, DR_OUT, "", "Signal Out", "0", "", 0);
}

void ug_adsr::BindPlugs() {
  BindSegment(0, kAttack, kNone, 1.0f);
  BindSegment(1, kDecay, kSustain, 0.0f);
  BindSegment(2, kRelease, kNone, 0.0f);
  sustain_seg_ = 1;
  end_seg_ = 2;
}

}  // namespace kv
