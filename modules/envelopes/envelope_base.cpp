#include "modules/envelopes/envelope_base.h"

#include <algorithm>
#include <cmath>

#include "engine/audio_master.h"
#include "engine/event.h"
#include "engine/ug_container.h"
#include "engine/ug_notesource.h"
#include "modules/envelopes/envelope_rates.h"

namespace kv {

using envelopes::RampSamples;
using envelopes::RateToSlope;

void ug_envelope_base::Open() {
  ug_base::Open();
  inv_sample_rate_ = 1.0f / SampleRate();
  // The note source of this voice cuts the envelope short (UET_QUICK_RELEASE) when it steals the voice.
  if (auto* c = dynamic_cast<ug_container*>(container)) {
    if (voice_tag >= 0 && voice_tag < c->VoiceCount())
      if (auto* ns = dynamic_cast<ug_notesource*>(c->voices[voice_tag]->note_source))
        ns->RegisterQuickRelease(this);
  }
  out_plug_ = GetPlug("Signal Out")->index();
  gate_plug_ = GetPlug("Gate")->index();
  overall_plug_ = GetPlug("Overall Level")->index();
  out_ = plugs[out_plug_]->samples();
  gate_in_ = plugs[gate_plug_]->samples();
  overall_in_ = plugs[overall_plug_]->samples();
  BindPlugs();
  RefreshLimits();
  cur_seg_ = end_seg_;  // idle, the level as it is
  moving_ = false;
  pending_next_ = false;
  SyncPosition();
  StartSegment();
}

void ug_envelope_base::Resume() {
  if (!(flags & UGF_SUSPENDED)) return;
  ug_base::Resume();
  level_ = 0.0f;
  moving_ = false;
  pending_next_ = false;
  cur_seg_ = end_seg_;
  SyncPosition();
  StartSegment();
}

void ug_envelope_base::HandleEvent(ug_event* e) {
  if (e->type != UET_QUICK_RELEASE) return ug_base::HandleEvent(e);
  SyncPosition();
  CatchUp();
  QuickRelease();
}

void ug_envelope_base::OnPlugStateChange(sample_clock, Connection* c, state_type state) {
  SyncPosition();
  CatchUp();
  const int index = c->destination->index();
  if (index == gate_plug_) {
    if (state == ST_RUN) {  // the gate-scanning loop finds the edges from here on
      ChooseLoop();
      return;
    }
    const bool was_scanning =
        process_function == static_cast<ProcessFn>(&ug_envelope_base::sub_process_gate_scan);
    if (!OnGate(InputAt(gate_in_)) && was_scanning) StartSegment();
    return;
  }
  if (Idle()) return;
  if (ReplansOn(index)) StartSegment();
}

void ug_envelope_base::SyncPosition() {
  now_ = clock;
  const sample_clock p = clock - master->block_start();
  pos_ = static_cast<int>(std::clamp<sample_clock>(p, 0, master->block_size() - 1));
}

void ug_envelope_base::CatchUp() {
  if (!pending_next_) return;
  pending_next_ = false;
  NextSegment();
}

// --- segment engine ---------------------------------------------------------------------

bool ug_envelope_base::OnGate(float gate) {
  const bool high = gate > 0.0f;
  if (high == gate_high_) return false;
  gate_high_ = high;
  RefreshLimits();
  if (high) {
    if (released_) {  // a new attack from the present level
      quick_release_ = false;
      released_ = false;
      cur_seg_ = -1;
      NextSegment();
    }
    return true;
  }
  if (released_) return true;
  released_ = true;
  if (cur_seg_ != sustain_seg_ || !(sustain_seg_ < end_seg_)) cur_seg_ = static_cast<int16_t>(end_seg_ - 1);
  NextSegment();
  return true;
}

void ug_envelope_base::NextSegment() {
  pending_next_ = false;
  RefreshLimits();
  moving_ = false;
  if (cur_seg_ < end_seg_) {
    // A sustain segment holds while the gate is high, unless the voice is being cut short.
    if (cur_seg_ != sustain_seg_ || !gate_high_ || quick_release_) {
      ++cur_seg_;
      moving_ = true;
    }
  } else {
    quick_release_ = false;
  }
  StartSegment();
}

void ug_envelope_base::QuickRelease() {
  RefreshLimits();
  released_ = true;
  if (cur_seg_ < end_seg_ || level_ != 0.0f) {
    quick_release_ = true;
    cur_seg_ = static_cast<int16_t>(end_seg_ - 1);
    NextSegment();
  }
}

// --- planning helpers -------------------------------------------------------------------

void ug_envelope_base::ChooseLoop() {
  if (GateStreams())
    SetProcessFunction(&ug_envelope_base::sub_process_gate_scan);
  else
    SetProcessFunction(&ug_envelope_base::sub_process_segments);
}

void ug_envelope_base::HoldConstant(float held_level) {
  level_ = held_level;
  out_const_ = held_level * overall_;
  renderer_ = &ug_envelope_base::render_constant;
  ResetStaticOutput();
  plugs[out_plug_]->TransmitState(now_, ST_ONE_OFF);
}

void ug_envelope_base::HoldWithStreamingOverall() {
  renderer_ = &ug_envelope_base::render_hold_overall;
  plugs[out_plug_]->TransmitState(now_, ST_RUN);
}

void ug_envelope_base::FollowLevel(const float* level_in) {
  target_in_ = level_in;
  renderer_ = &ug_envelope_base::render_follow_level;
  plugs[out_plug_]->TransmitState(now_, ST_RUN);
}

void ug_envelope_base::RampTo(float slope_magnitude) {
  const float distance = target_ - level_;
  slope_ = distance < 0.0f ? -slope_magnitude : slope_magnitude;
  samples_left_ = RampSamples(std::fabs(distance), slope_magnitude);
  seg_pos_ = 0;
  start_level_ = level_;
  out_start_ = level_ * overall_;
  out_step_ = slope_ * overall_;
  renderer_ = OverallStreams() ? &ug_envelope_base::render_ramp_overall : &ug_envelope_base::render_ramp;
  plugs[out_plug_]->TransmitState(now_, ST_RUN);
}

void ug_envelope_base::RampStepwise(const float* rate_in, float slope_magnitude, const float* target_in) {
  rate_in_ = rate_in;
  target_in_ = target_in;
  slope_ = slope_magnitude;
  step_level_ = level_;
  if (rate_in)
    renderer_ = target_in ? &ug_envelope_base::render_stepwise<true, true>
                          : &ug_envelope_base::render_stepwise<true, false>;
  else
    renderer_ = target_in ? &ug_envelope_base::render_stepwise<false, true>
                          : &ug_envelope_base::render_stepwise<false, false>;
  plugs[out_plug_]->TransmitState(now_, ST_RUN);
}

// --- process functions ------------------------------------------------------------------

void ug_envelope_base::sub_process_segments(int offset, int count) {
  now_ = clock;
  pos_ = offset;
  CatchUp();
  RenderSegments(offset, count);
}

void ug_envelope_base::sub_process_gate_scan(int offset, int count) {
  now_ = clock;
  pos_ = offset;
  CatchUp();
  const int end = offset + count;
  int pos = offset;
  while (pos < end) {
    int i = pos;
    if (gate_high_)
      while (i < end && gate_in_[i] > 0.0f) ++i;
    else
      while (i < end && !(gate_in_[i] > 0.0f)) ++i;
    if (i > pos) RenderSegments(pos, i - pos);
    if (i == end) break;
    pos_ = i;
    CatchUp();
    OnGate(gate_in_[i]);
    pos = i;
  }
}

void ug_envelope_base::RenderSegments(int pos, int count) {
  while (count > 0) {
    segment_done_ = false;
    const int k = (this->*renderer_)(pos, count);
    pos += k;
    count -= k;
    now_ += k;
    if (!segment_done_) continue;
    if (count == 0) {
      pending_next_ = true;  // the next sample belongs to the next call
    } else {
      pos_ = pos;
      NextSegment();
    }
  }
}

// --- renderers --------------------------------------------------------------------------

int ug_envelope_base::render_constant(int pos, int count) {
  std::fill_n(out_ + pos, count, out_const_);
  static_countdown -= count;
  // A streaming gate must still be scanned, so only a static one lets the module sleep.
  if (static_countdown <= 0 && !GateStreams()) SetProcessFunction(&ug_base::sub_process_sleep);
  return count;
}

int ug_envelope_base::render_hold_overall(int pos, int count) {
  const float* ov = overall_in_ + pos;
  float* o = out_ + pos;
  const float l = level_;
  for (int i = 0; i < count; ++i) o[i] = l * ov[i];
  return count;
}

int ug_envelope_base::render_follow_level(int pos, int count) {
  const float* lv = target_in_ + pos;
  const float* ov = overall_in_ + pos;
  float* o = out_ + pos;
  for (int i = 0; i < count; ++i) o[i] = lv[i] * ov[i];
  level_ = lv[count - 1];
  return count;
}

int ug_envelope_base::render_ramp(int pos, int count) {
  const int k = std::min(count, samples_left_);
  float* o = out_ + pos;
  const float a = out_start_, b = out_step_;
  const int32_t base = seg_pos_ + 1;
  for (int i = 0; i < k; ++i) o[i] = a + b * static_cast<float>(base + i);
  seg_pos_ += k;
  samples_left_ -= k;
  if (samples_left_ == 0) {
    level_ = target_;
    o[k - 1] = target_ * overall_;
    segment_done_ = true;
  } else {
    level_ = start_level_ + slope_ * static_cast<float>(seg_pos_);
  }
  return k;
}

int ug_envelope_base::render_ramp_overall(int pos, int count) {
  const int k = std::min(count, samples_left_);
  const float* ov = overall_in_ + pos;
  float* o = out_ + pos;
  const float a = start_level_, b = slope_;
  const int32_t base = seg_pos_ + 1;
  for (int i = 0; i < k; ++i) o[i] = (a + b * static_cast<float>(base + i)) * ov[i];
  seg_pos_ += k;
  samples_left_ -= k;
  if (samples_left_ == 0) {
    level_ = target_;
    o[k - 1] = target_ * ov[k - 1];
    segment_done_ = true;
  } else {
    level_ = start_level_ + slope_ * static_cast<float>(seg_pos_);
  }
  return k;
}

template <bool RateStreams, bool TargetStreams>
int ug_envelope_base::render_stepwise(int pos, int count) {
  const float* ov = overall_in_ + pos;
  float* o = out_ + pos;
  // The level is accumulated in double: thousands of float additions of a small step
  // would drift from the ramp a constant slope plans.
  double lvl = step_level_;
  for (int i = 0; i < count; ++i) {
    const double s = RateStreams ? RateToSlope(rate_in_[pos + i], inv_sample_rate_) : slope_;
    const float tf = TargetStreams ? target_in_[pos + i] : target_;
    const double t = tf;
    // The step that leaves less than one step to go ends the segment at the target, as a
    // ramp of trunc(distance / slope) samples does.
    bool done;
    if (lvl < t) {
      lvl += s;
      done = !(t - lvl >= s);
    } else if (lvl > t) {
      lvl -= s;
      done = !(lvl - t >= s);
    } else {
      done = true;
    }
    if (done) {
      level_ = tf;
      target_ = tf;
      o[i] = tf * ov[i];
      segment_done_ = true;
      return i + 1;
    }
    o[i] = static_cast<float>(lvl) * ov[i];
  }
  step_level_ = lvl;
  level_ = static_cast<float>(lvl);
  return count;
}

}  // namespace kv
