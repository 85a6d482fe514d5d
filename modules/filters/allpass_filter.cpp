#include "modules/filters/allpass_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/audio_master.h"
#include "engine/lookup_catalogue.h"
#include "modules/filters/filter_support.h"

namespace kv {

using filters::FlushDenormal;

void ug_filter_allpass::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(SignalIn(&signal_in));
  list.push_back(PitchIn(&pitch_in, kOctavePitchHelp));
  list.push_back(ResonanceIn(&resonance_in, "Controls the rollover frequency band width"));
  list.push_back(VoltsOut(&out, "Output").Default("0"));
  list.push_back(FreqScaleParameter(&freq_scale));
}

ug_filter_allpass::Coefficients ug_filter_allpass::ComputeCoefficients(float pitch,
                                                                       float resonance) const {
  float l = resonance * 1.5f + 0.5f;
  if (!(l > 0.5f)) l = 0.5f;  // NaN too
  if (l > 4.0f) l = 4.0f;
  float h = std::min(filters::CutoffHz(pitch, freq_scale) / sample_rate_, 0.5f);
  const float h_min = 5.0f / sample_rate_;
  if (!(h > h_min)) h = h_min;
  if (filters::UsesPitchTable(pitch, freq_scale)) {
    const float hl = std::min(h * l, 1.0f);
    return {a_table_->InterpolatedLookup(hl * 0.5f) * b_table_->InterpolatedLookup(h),
            a_table_->InterpolatedLookup(hl)};
  }
  constexpr float pi = std::numbers::pi_v<float>;
  return {2.0f * std::exp(-pi * h * l) * std::cos(2.0f * pi * h), std::exp(-2.0f * pi * h * l)};
}

template <bool kCoefRun>
void ug_filter_allpass::Render(int offset, int count) {
  const float* x = signal_in + offset;
  const float* p = pitch_in + offset;
  const float* r = resonance_in + offset;
  float* o = out + offset;
  float w1 = w1_, w2 = w2_;
  Coefficients c = coef_;
  for (int i = 0; i < count; ++i) {
    if constexpr (kCoefRun) c = ComputeCoefficients(p[i], r[i]);
    const float w0 = FlushDenormal(x[i] + c.c1 * w1 - c.c2 * w2);
    o[i] = w2 + c.c2 * w0 - c.c1 * w1;
    w2 = w1;
    w1 = w0;
  }
  w1_ = w1;
  w2_ = w2;
  if constexpr (kCoefRun) coef_ = c;
}

void ug_filter_allpass::sub_process_constant(int offset, int count) {
  std::fill_n(out + offset, count, constant_);
}

void ug_filter_allpass::ChooseProcessFunction() {
  if (settled_) return;
  if (Streams(kPitch) || Streams(kResonance))
    SetProcessFunction(&ug_filter_allpass::Render<true>);
  else
    SetProcessFunction(&ug_filter_allpass::Render<false>);
}

void ug_filter_allpass::Open() {
  sample_rate_ = SampleRate();
  a_table_ = AllpassALookup(master->lookup_tables());
  b_table_ = AllpassBLookup(master->lookup_tables());
  w1_ = w2_ = 0.0f;
  ug_base::Open();
  coef_ = ComputeCoefficients(PlugValue(kPitch), PlugValue(kResonance));
  settled_ = false;
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(clock, ST_RUN);
  PostRunFunction(clock, &ug_filter_allpass::SettleCheck);
}

void ug_filter_allpass::SettleCheck() {
  if (!std::isfinite(w1_) || !std::isfinite(w2_)) w1_ = w2_ = 0.0f;
  const float x = PlugValue(kSignal);
  if (SignalStatic()) {
    const Coefficients c = coef_;
    const float w0 = x + c.c1 * w1_ - c.c2 * w2_;
    const float y = w2_ + c.c2 * w0 - c.c1 * w1_;
    if (std::fabs(y - x) < 1e-6f && std::fabs(w1_ - w2_) < 1e-6f * (1.0f + std::fabs(w1_))) {
      // DC rest: w = x / (1 - c1 + c2), kept exactly as the states that produced it.
      w2_ = w1_;
      constant_ = x;
      Settle(&ug_filter_allpass::sub_process_constant, {kOutput});
      return;
    }
  }
  PostRunFunction(clock + static_cast<sample_clock>(sample_rate_), &ug_filter_allpass::SettleCheck);
}

void ug_filter_allpass::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  const int plug = c->destination->index();
  if ((plug == kPitch || plug == kResonance || plug == kFreqScale) && !Streams(kPitch) &&
      !Streams(kResonance))
    coef_ = ComputeCoefficients(PlugValue(kPitch), PlugValue(kResonance));
  Unsettle(time, &ug_filter_allpass::SettleCheck);
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(time, ST_RUN);
}

}  // namespace kv
