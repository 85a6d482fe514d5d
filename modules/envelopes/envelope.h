#pragma once
// ug_envelope: envelopes whose segments are planned from voltage inputs ("ADSR", "8 Stage
// Env"). Each segment has a rate plug (the time of a full-scale change, see
// envelope_rates.h) and either a level plug or a fixed level; the end segment ramps to 0.
//
// Planning a segment (StartSegment), by the states of its inputs:
//   holding:  a streaming level plug is followed; at the sustain point a streaming
//             "Overall Level" scales the held level per sample; otherwise the output is a
//             constant and the module sleeps after a full block (unless the gate streams);
//   moving:   a streaming level plug is ramped towards per sample at the rate; a streaming
//             rate (or a quick release, which ramps to 0 at the end segment's rate) is
//             applied per sample; otherwise the ramp has one slope and a sample count.
// A change of "Overall Level" or of the current segment's rate or level plug replans the
// segment from the present level; while the envelope is idle at its end they are ignored.
#include "modules/envelopes/envelope_base.h"

namespace kv {

class ug_envelope : public ug_envelope_base {
 public:
  void StartSegment() override;

 protected:
  // Segment `seg` takes its rate from plug `rate_plug` and its level from `level_plug`, or
  // `fixed_level` when that is kNone.
  void BindSegment(int seg, int rate_plug, int level_plug, float fixed_level);
  bool ReplansOn(int index) const override;

  int rate_plug_[kMaxSegments] = {kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
  int level_plug_[kMaxSegments] = {kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
  const float* seg_rate_in_[kMaxSegments] = {};
  const float* seg_level_in_[kMaxSegments] = {};
  float fixed_level_[kMaxSegments] = {};
};

}  // namespace kv
