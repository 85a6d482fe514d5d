#include "modules/envelopes/eight_stage_envelope.h"

#include <algorithm>
#include <string>

namespace kv {

namespace {
struct SegmentDefaults {
  const char* rate;
  const char* level;
};
constexpr SegmentDefaults kDefaults[ug_envelope_base::kMaxSegments] = {
    {"2", "10"}, {"5", "6"}, {"6", "8"}, {"3", "2"}, {"6", "0"}, {"6", "0"}, {"6", "0"}, {"6", "0"}};
}  // namespace

void ug_8_stage::ListInterface(std::vector<InterfaceObject>& list) {
  list.emplace_back(nullptr, dt_volts, &gate_in, DR_IN,
                    "Triggers the Attack phase when greater then 0 V ", "Gate", "1", "", 1);
  for (int i = 0; i < kMaxSegments; ++i) {
    const std::string n = std::to_string(i);
    list.emplace_back(nullptr, dt_volts, &rate_in[i], DR_IN,
                      "Segment rate ( 0 - fastest, 10 - slowest )", "Rate " + n, kDefaults[i].rate,
                      "", 1);
    list.emplace_back(nullptr, dt_volts, &level_in[i], DR_IN, "End level    (0 - 10V)",
                      "Level " + n, kDefaults[i].level, "", 1);
  }
  list.emplace_back(nullptr, dt_volts, &overall_level_in, DR_IN,
                    "Controls the overall output level.  Handy for adding Velocity sensitivity",
                    "Overall Level", "10", "", 1);
  list.emplace_back(nullptr, dt_volts, &signal_out, DR_OUT, "", "Signal Out", "0", "", 0);
  list.emplace_back(&sus_seg, dt_enum, nullptr, DR_IN,
                    "Which segment to 'hold' at until key is released", "Sus Seg", "2",
                    "None=10,0=0,1,2,3,4,5,6,7", 0);
  list.emplace_back(&end_seg, dt_enum, nullptr, DR_IN,
                    "Which segment to stop at, subsequent segments are ignored.", "End Seg", "4",
                    "range 0,7", 0);
}

void ug_8_stage::BindPlugs() {
  for (int i = 0; i < kMaxSegments; ++i) BindSegment(i, RatePlug(i), LevelPlug(i), 0.0f);
}

void ug_8_stage::RefreshLimits() {
  // Stored patches may hold any 16-bit value here; the segment arrays have eight entries.
  sustain_seg_ = sus_seg >= 0 && sus_seg < kMaxSegments ? sus_seg : kNoSustain;
  const int16_t end = std::clamp<int16_t>(end_seg, 0, kMaxSegments - 1);
  if (end != end_seg_ && Idle()) cur_seg_ = end;  // stay idle at the new end
  end_seg_ = end;
}

}  // namespace kv
