#include "modules/envelopes/multistage_envelope.h"

#include <cmath>

namespace kv {

namespace {
// The fade of a quick release: level x this per sample, about 15 samples.
constexpr float kQuickFade = 0.06666667f;
}  // namespace

ug_envelope_ms::~ug_envelope_ms() { EnvSegmentStore::Release(list_); }

ug_base* ug_envelope_ms::Clone() {
  auto* copy = static_cast<ug_envelope_ms*>(ug_base::Clone());
  if (!segment_store) {  // voices share the prototype's list
    own_store_ = std::make_shared<EnvSegmentStore>();
    segment_store = own_store_.get();
  }
  copy->segment_store = segment_store;
  copy->own_store_ = own_store_;
  return copy;
}

void ug_envelope_ms::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&gate_in, "Gate")
                     .Default("1")
                     .Help("Triggers the Attack phase when greater then 0 V "));
  list.push_back(
      VoltsIn(&overall_level_in, "Overall Level")
          .Default("10")
          .Help("Controls the overall output level.  Handy for adding Velocity sensitivity"));
  list.push_back(VoltsOut(&signal_out, "Signal Out").Default("0"));
  list.push_back(
      BoolParameter(&ignore_program_change, "Ignore Program Change")
          .Default("0")
          .Help("Prevents this control responding to patch changes from 'Patch Select' module"));
}

void ug_envelope_ms::Resume() {
  // A voice taken up again plays the newest list, whatever messages it may have missed.
  if ((flags & UGF_SUSPENDED) && segment_store) LoadList();
  ug_envelope_base::Resume();
}

void ug_envelope_ms::BindPlugs() {
  if (!segment_store) {
    own_store_ = std::make_shared<EnvSegmentStore>();
    segment_store = own_store_.get();
  }
  LoadList();
}

void ug_envelope_ms::LoadList() {
  const EnvSegmentList* old = list_;
  list_ = segment_store->Acquire();
  EnvSegmentStore::Release(old);
  const auto& r = list_->records;
  // The end marker closes the list; a list without one ends after its last record.
  int end = static_cast<int>(r.size());
  for (int i = 0; i < static_cast<int>(r.size()); ++i)
    if (r[i].kind == kEnvSegEnd) {
      end = i;
      break;
    }
  int sustain = end;
  for (int i = 0; i < end; ++i)
    if (r[i].kind == kEnvSegSustain) sustain = i;
  end_seg_ = static_cast<int16_t>(std::min(end, 0x7FFF));
  sustain_seg_ = static_cast<int16_t>(std::min(sustain, 0x7FFF));
  num_segs_ = end_seg_;
}

EnvSegmentRecord ug_envelope_ms::Record(int seg) const {
  const auto& r = list_->records;
  if (seg >= 0 && seg < static_cast<int>(r.size())) return r[seg];
  return {0.0f, 10.0f, kEnvSegEnd};
}

void ug_envelope_ms::OnUiMessage(int32_t kind, int32_t argument) {
  if (kind != kListChanged) return ug_base::OnUiMessage(kind, argument);
  if (!(flags & UGF_OPEN)) return;  // opening loads the newest list
  SyncPosition();
  CatchUp();
  const bool was_idle = Idle();
  LoadList();
  if (was_idle || cur_seg_ > end_seg_) cur_seg_ = end_seg_;
  if (Idle()) return;
  // A hold at the sustain point moves to the point's new level.
  if (!moving_ && cur_seg_ == sustain_seg_ && Record(cur_seg_).level != level_) moving_ = true;
  StartSegment();
}

void ug_envelope_ms::StartSegment() {
  ChooseLoop();
  overall_ = InputAt(overall_in_);
  if (!moving_) {
    // At the end the envelope keeps the level it reached; a sustain point holds its level.
    target_ = cur_seg_ >= end_seg_ ? level_ : Record(cur_seg_).level;
    if (OverallStreams()) {
      level_ = target_;
      HoldWithStreamingOverall();
    } else {
      HoldConstant(target_);
    }
    return;
  }
  if (quick_release_) {
    target_ = 0.0f;
    RampTo(std::fabs(level_) * kQuickFade);
    return;
  }
  const EnvSegmentRecord r = Record(cur_seg_);
  target_ = r.level;
  RampTo(std::fabs(r.slope) * inv_sample_rate_);
}

}  // namespace kv
