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
  list.push_back(VoltsIn(&gate_in, "Gate")
                     .Default("1")
                     .Help("Triggers the Attack phase when greater then 0 V "));
  for (int i = 0; i < kMaxSegments; ++i) {
    const std::string n = std::to_string(i);
    list.push_back(VoltsIn(&rate_in[i], "Rate " + n)
                       .Default(kDefaults[i].rate)
                       .Help("Segment rate ( 0 - fastest, 10 - slowest )"));
    list.push_back(VoltsIn(&level_in[i], "Level " + n)
                       .Default(kDefaults[i].level)
                       .Help("End level    (0 - 10V)"));
  }
  list.push_back(
      VoltsIn(&overall_level_in, "Overall Level")
          .Default("10")
          .Help("Controls the overall output level.  Handy for adding Velocity sensitivity"));
  list.push_back(VoltsOut(&signal_out, "Signal Out").Default("0"));
  list.push_back(EnumIn(&sus_seg, "Sus Seg", "None=10,0=0,1,2,3,4,5,6,7")
                     .Default("2")
                     .Help("Which segment to 'hold' at until key is released"));
  list.push_back(EnumIn(&end_seg, "End Seg", "range 0,7")
                     .Default("4")
                     .Help("Which segment to stop at, subsequent segments are ignored."));
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
