#pragma once
// ug_envelope_base: the segment engine shared by "ADSR", "8 Stage Env" and "Multistage Env".
//
// An envelope is a list of segments. Each segment ramps the level linearly from wherever it
// is to the segment's target; the sustain segment holds its target while the gate is high;
// the end segment ramps to the end level and leaves the envelope idle. The state is
//   cur_seg_   the segment being rendered (-1 just before an attack starts)
//   moving_    false while holding (at the sustain point, or idle at the end)
//   level_     the present level, before "Overall Level" scales it
//   released_  the gate fell (or a quick release came) since the last attack
// and the gate edges drive it (OnGate):
//   rising  while released: the attack starts from the present level (cur := -1, next);
//   falling while not released: a sustain hold moves on to the segment after it; any other
//           segment jumps to the end segment, so the release starts from the present level.
//
// Rendering. StartSegment (each envelope kind plans its own targets and slopes) chooses a
// renderer: a member function that writes samples from a block position and answers how
// many it wrote, stopping early at the sample that finishes the segment. The process
// function is a loop over renderers: when one finishes its segment the loop calls
// NextSegment, which plans the next one, so a block may cross several segments and every
// segment boundary falls on an exact sample whatever the host's call sizes. A streaming
// gate adds an outer loop that scans the gate for edges and calls OnGate at the crossing
// sample. Ramps with a constant slope compute level = start + slope x k from the segment's
// first sample, so long segments do not drift; the last sample of a ramp is its target.
//
// Output states: a moving or followed level streams (ST_RUN); a hold with static inputs
// writes a constant (ST_ONE_OFF) for a full block and then the module sleeps, unless the
// gate streams and must still be scanned.
#include <cstdint>
#include <vector>

#include "engine/ug_base.h"

namespace kv {

class ug_envelope_base : public ug_base {
 public:
  static constexpr int kMaxSegments = 8;  // envelopes with plugs per segment
  static constexpr int kNone = -1;

  void Open() override;
  void Resume() override;
  void HandleEvent(ug_event* e) override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  // Segment engine.
  virtual void StartSegment() = 0;
  virtual void NextSegment();
  // Answers whether the gate changed between low (<= 0) and high.
  bool OnGate(float gate);
  void QuickRelease();

  // Inspection (tests, displays).
  int current_segment() const { return cur_seg_; }
  bool moving() const { return moving_; }
  float level() const { return level_; }
  bool released() const { return released_; }

 protected:
  using Renderer = int (ug_envelope_base::*)(int pos, int count);

  // The sustain and end segments as the module's settings give them right now.
  virtual void RefreshLimits() {}
  // True when a change of plug `index` replans the current segment.
  virtual bool ReplansOn(int index) const = 0;

  // Called after ug_base::Open and before the idle state is planned: find the plugs.
  virtual void BindPlugs() {}
  // Takes the block position and clock of the event being handled.
  void SyncPosition();
  // Plans a segment whose predecessor finished at the end of the previous call.
  void CatchUp();
  float InputAt(const float* samples) const { return samples[pos_]; }
  bool GateStreams() const { return plugs[gate_plug_]->state == ST_RUN; }
  bool OverallStreams() const { return plugs[overall_plug_]->state == ST_RUN; }
  bool Idle() const { return !moving_ && cur_seg_ == end_seg_; }

  // Planning helpers for StartSegment implementations. Each installs a renderer and
  // transmits the output state at the present sample.
  void ChooseLoop();
  void HoldConstant(float held_level);
  void HoldWithStreamingOverall();
  void FollowLevel(const float* level_in);
  // A ramp towards target_ with a constant slope magnitude (level units per sample).
  void RampTo(float slope_magnitude);
  // Per sample: the slope from the rate input (when given) or the planned magnitude, the
  // target from `target_in` (when given) or target_.
  void RampStepwise(const float* rate_in, float slope_magnitude, const float* target_in);

  // Process functions.
  void sub_process_segments(int offset, int count);
  void sub_process_gate_scan(int offset, int count);
  void RenderSegments(int pos, int count);

  // Renderers.
  int render_constant(int pos, int count);
  int render_hold_overall(int pos, int count);
  int render_follow_level(int pos, int count);
  int render_ramp(int pos, int count);
  int render_ramp_overall(int pos, int count);
  template <bool RateStreams, bool TargetStreams>
  int render_stepwise(int pos, int count);

  // Plugs found by name on Open.
  int gate_plug_ = kNone;
  int overall_plug_ = kNone;
  int out_plug_ = kNone;
  const float* gate_in_ = nullptr;
  const float* overall_in_ = nullptr;
  float* out_ = nullptr;

  int16_t sustain_seg_ = 0;
  int16_t end_seg_ = 0;
  int16_t cur_seg_ = 0;
  int16_t num_segs_ = 0;

  bool moving_ = false;
  bool gate_high_ = false;
  bool released_ = true;
  bool quick_release_ = false;
  bool segment_done_ = false;
  // A segment finished on the last sample of a process call: the next one is planned at
  // the start of the next call or event, when its inputs at that sample exist.
  bool pending_next_ = false;

  float level_ = 0.0f;
  float target_ = 0.0f;
  float overall_ = 1.0f;     // static value of "Overall Level"
  float slope_ = 0.0f;       // signed level change per sample of a constant-slope ramp
  float start_level_ = 0.0f; // level at the ramp's first sample - 1
  float out_start_ = 0.0f;   // start_level_ x overall_
  float out_step_ = 0.0f;    // slope_ x overall_
  float out_const_ = 0.0f;   // the held output
  int32_t seg_pos_ = 0;      // samples rendered in the ramp so far
  double step_level_ = 0.0;  // the level of a stepwise ramp, kept across calls
  int32_t samples_left_ = 0;

  const float* rate_in_ = nullptr;    // stepwise renderers
  const float* target_in_ = nullptr;  // stepwise and follow renderers
  float inv_sample_rate_ = 1.0f / 44100.0f;

  Renderer renderer_ = &ug_envelope_base::render_constant;
  int pos_ = 0;             // block position of the sample being planned
  sample_clock now_ = 0;    // its sample clock
};

}  // namespace kv
