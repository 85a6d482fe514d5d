#include "modules/filters/state_variable_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/audio_master.h"
#include "engine/lookup_catalogue.h"
#include "modules/filters/filter_support.h"

namespace kv {

using filters::FlushDenormal;

namespace {
constexpr float kMaxResonance = 0.9992f;
constexpr float kMinCutoff = 0.00001f;
}  // namespace

void ug_filter_sv::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(SignalIn(&signal_in));
  list.push_back(PitchIn(&pitch_in, kOctavePitchHelp));
  list.push_back(ResonanceIn(&resonance_in));
  list.push_back(VoltsOut(&low_out, "Low Pass").Default("0"));
  list.push_back(VoltsOut(&high_out, "Hi Pass").Default("0"));
  list.push_back(VoltsOut(&band_out, "Band Pass").Default("0"));
  list.push_back(VoltsOut(&reject_out, "Band Reject").Default("0"));
  list.push_back(FreqScaleParameter(&freq_scale));
}

// Without the limit. Formula cases (negative pitch, kHz scale) are at least 0.00001, so a
// negative kHz pitch or NaN never gives a negative (unstable) coefficient.
float ug_filter_sv::Cutoff(float pitch) const {
  if (filters::UsesPitchTable(pitch, freq_scale)) return cutoff_table_->InterpolatedLookup(pitch);
  const float f =
      filters::CutoffHz(pitch, freq_scale) * (2.0f * std::numbers::pi_v<float>) / sample_rate_;
  return f > kMinCutoff ? f : kMinCutoff;
}

float ug_filter_sv::Damping(float r) {
  return r > 0.0f ? 2.0f - 2.0f * std::min(r, kMaxResonance) : 2.0f;
}

float ug_filter_sv::ResonanceLimit(float r) const {
  float c = r > 0.0f ? r : 0.0f;  // NaN too
  if (c > kMaxResonance) c = kMaxResonance;
  return limit_table_->GetValue(static_cast<int>(c * 512.0f));
}

template <bool kPitchRun, bool kResRun, int kOut>
void ug_filter_sv::Render(int offset, int count) {
  const float* x = signal_in + offset;
  const float* p = pitch_in + offset;
  const float* r = resonance_in + offset;
  float* lo = low_out + offset;
  float* hi = high_out + offset;
  float* bp = band_out + offset;
  float* br = reject_out + offset;
  float low = low_, band = band_, f = f_, q = q_, limit = limit_;
  for (int i = 0; i < count; ++i) {
    if constexpr (kResRun) {
      q = Damping(r[i]);
      limit = ResonanceLimit(r[i]);
    }
    if constexpr (kPitchRun || kResRun) f = std::min(Cutoff(p[i]), limit);
    low = low + f * band;
    const float high = x[i] - q * band - low;
    band = FlushDenormal(band + f * high);
    if constexpr (kOut == kAllOutputs || kOut == kLowOnly) lo[i] = low;
    if constexpr (kOut == kAllOutputs || kOut == kHighOnly) hi[i] = high;
    if constexpr (kOut == kAllOutputs) {
      bp[i] = band;
      br[i] = high + low;
    }
  }
  low_ = low;
  band_ = band;
  if constexpr (kPitchRun || kResRun) f_ = f;
  if constexpr (kResRun) {
    q_ = q;
    limit_ = limit;
  }
}

void ug_filter_sv::sub_process_constant(int offset, int count) {
  if (outputs_ != kHighOnly) std::fill_n(low_out + offset, count, constant_);
  if (outputs_ != kLowOnly) std::fill_n(high_out + offset, count, 0.0f);
  if (outputs_ == kAllOutputs) {
    std::fill_n(band_out + offset, count, 0.0f);
    std::fill_n(reject_out + offset, count, constant_);
  }
}

#define KV_SV(P, R, O) SetProcessFunction(&ug_filter_sv::Render<P, R, O>)

void ug_filter_sv::ChooseProcessFunction() {
  if (settled_) return;
  const bool pitch = Streams(kPitch);
  if (Streams(kResonance)) {
    if (pitch) return KV_SV(true, true, kAllOutputs);
    return KV_SV(false, true, kAllOutputs);
  }
  switch (outputs_) {
    case kLowOnly:
      if (pitch) return KV_SV(true, false, kLowOnly);
      return KV_SV(false, false, kLowOnly);
    case kHighOnly:
      if (pitch) return KV_SV(true, false, kHighOnly);
      return KV_SV(false, false, kHighOnly);
    default:
      if (pitch) return KV_SV(true, false, kAllOutputs);
      return KV_SV(false, false, kAllOutputs);
  }
}

#undef KV_SV

void ug_filter_sv::SetResonance(float r) {
  q_ = Damping(r);
  limit_ = ResonanceLimit(r);
}

void ug_filter_sv::Open() {
  sample_rate_ = SampleRate();
  cutoff_table_ = SvCutoffLookup(master->lookup_tables(), sample_rate_);
  limit_table_ = SvResonanceLimitLookup(master->lookup_tables());
  low_ = band_ = 0.0f;
  const bool lp = Connected(kLowPass), hp = Connected(kHiPass);
  const bool others = Connected(kBandPass) || Connected(kBandReject);
  outputs_ = (lp && !hp && !others) ? kLowOnly : (hp && !lp && !others) ? kHighOnly : kAllOutputs;
  ug_base::Open();
  SetResonance(PlugValue(kResonance));
  f_ = std::min(Cutoff(PlugValue(kPitch)), limit_);
  settled_ = false;
  ChooseProcessFunction();
  for (int o : {kLowPass, kHiPass, kBandPass, kBandReject}) plugs[o]->TransmitState(clock, ST_RUN);
  PostRunFunction(clock, &ug_filter_sv::StartAction);
  PostRunFunction(clock, &ug_filter_sv::SettleCheck);
}

void ug_filter_sv::StartAction() {
  if (SignalStatic()) low_ = PlugValue(kSignal);
}

void ug_filter_sv::SettleCheck() {
  if (!std::isfinite(low_)) low_ = 0.0f;
  if (!std::isfinite(band_)) band_ = 0.0f;
  const float x = PlugValue(kSignal);
  // At rest: within 1e-6 of the input, or (for inputs too large for that resolution) at a
  // fixed point of one full step.
  const bool fixed = low_ + f_ * band_ == low_ &&
                     band_ + f_ * (x - q_ * band_ - (low_ + f_ * band_)) == band_;
  if (SignalStatic() && (fixed || std::fabs(low_ - x) + std::fabs(band_) < 1e-6f)) {
    low_ = x;
    band_ = 0.0f;
    constant_ = x;
    Settle(&ug_filter_sv::sub_process_constant, {kLowPass, kHiPass, kBandPass, kBandReject});
    return;
  }
  PostRunFunction(clock + static_cast<sample_clock>(sample_rate_), &ug_filter_sv::SettleCheck);
}

void ug_filter_sv::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  const int plug = c->destination->index();
  if (plug == kResonance && !Streams(kResonance)) {
    SetResonance(PlugValue(kResonance));
    f_ = std::min(f_, limit_);
  }
  if ((plug == kPitch || plug == kFreqScale || plug == kResonance) && !Streams(kPitch) &&
      !Streams(kResonance))
    f_ = std::min(Cutoff(PlugValue(kPitch)), limit_);
  Unsettle(time, &ug_filter_sv::SettleCheck);
  ChooseProcessFunction();
  for (int o : {kLowPass, kHiPass, kBandPass, kBandReject}) plugs[o]->TransmitState(time, ST_RUN);
}

}  // namespace kv
