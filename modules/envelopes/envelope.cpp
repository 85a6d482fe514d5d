#include "modules/envelopes/envelope.h"

#include <limits>

#include "modules/envelopes/envelope_rates.h"

namespace kv {

void ug_envelope::BindSegment(int seg, int rate_plug, int level_plug, float fixed_level) {
  rate_plug_[seg] = rate_plug;
  level_plug_[seg] = level_plug;
  seg_rate_in_[seg] = rate_plug == kNone ? nullptr : plugs[rate_plug]->samples();
  seg_level_in_[seg] = level_plug == kNone ? nullptr : plugs[level_plug]->samples();
  fixed_level_[seg] = fixed_level;
  if (seg >= num_segs_) num_segs_ = static_cast<int16_t>(seg + 1);
}

bool ug_envelope::ReplansOn(int index) const {
  if (index == overall_plug_) return true;
  if (cur_seg_ < 0 || cur_seg_ >= num_segs_) return false;
  return index == rate_plug_[cur_seg_] || index == level_plug_[cur_seg_];
}

void ug_envelope::StartSegment() {
  ChooseLoop();
  const int cur = cur_seg_;
  const bool in_range = cur >= 0 && cur < num_segs_;
  const bool at_end = cur == end_seg_;
  overall_ = InputAt(overall_in_);

  const float* level_in = nullptr;
  bool level_streams = false;
  if (at_end || !in_range) {
    target_ = 0.0f;
  } else if (seg_level_in_[cur]) {
    level_in = seg_level_in_[cur];
    target_ = InputAt(level_in);
    level_streams = plugs[level_plug_[cur]]->state == ST_RUN;
  } else {
    target_ = fixed_level_[cur];
  }

  if (!moving_) {
    if (level_streams)
      FollowLevel(level_in);
    else if (OverallStreams() && cur == sustain_seg_) {
      level_ = target_;
      HoldWithStreamingOverall();
    }
    else
      HoldConstant(target_);
    return;
  }

  const float* rate_in = in_range ? seg_rate_in_[cur] : nullptr;
  const bool rate_streams = rate_in && plugs[rate_plug_[cur]]->state == ST_RUN;
  const float slope = rate_in ? envelopes::RateToSlope(InputAt(rate_in), inv_sample_rate_)
                              : std::numeric_limits<float>::infinity();
  if (quick_release_) {
    target_ = 0.0f;
    RampStepwise(rate_streams ? rate_in : nullptr, slope, nullptr);
  } else if (level_streams || rate_streams) {
    RampStepwise(rate_streams ? rate_in : nullptr, slope, level_streams ? level_in : nullptr);
  } else {
    RampTo(slope);
  }
}

}  // namespace kv
