#include "modules/filters/one_pole_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/audio_master.h"
#include "engine/lookup_catalogue.h"
#include "modules/filters/filter_support.h"

namespace kv {

using filters::FlushDenormal;

void ug_filter_1pole::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(SignalIn(&signal_in));
  list.push_back(PitchIn(&pitch_in));
  list.push_back(VoltsOut(&out, "Output").Default("0"));
  list.push_back(FreqScaleParameter(&freq_scale).Flags(kDeclAudioInput));
}

float ug_filter_1pole::Coefficient(float pitch) const {
  if (filters::UsesPitchTable(pitch, freq_scale)) return table_->InterpolatedLookup(pitch);
  const float fc = std::min(filters::CutoffHz(pitch, freq_scale), 0.495f * sample_rate_);
  return std::exp(-2.0f * std::numbers::pi_v<float> * fc / sample_rate_);
}

template <bool kLowPass, bool kPitchRun, bool kKhz>
void ug_filter_1pole::Render(int offset, int count) {
  const float* x = signal_in + offset;
  const float* p = pitch_in + offset;
  float* o = out + offset;
  float y = y_;
  float a = a_;
  const ULookup* t = table_;
  const float sr = sample_rate_;
  for (int i = 0; i < count; ++i) {
    if constexpr (kPitchRun) {
      if (!kKhz && p[i] >= 0.0f) {
        a = t->InterpolatedLookup(p[i]);
      } else {
        const float fc = std::min(filters::CutoffHz(p[i], kKhz ? filters::kVoltPerKhz
                                                              : filters::kVoltPerOctave),
                                  0.495f * sr);
        a = std::exp(-2.0f * std::numbers::pi_v<float> * fc / sr);
      }
    }
    const float in = x[i];
    y = FlushDenormal(in + a * (y - in));
    o[i] = kLowPass ? y : in - y;
  }
  y_ = y;
  if constexpr (kPitchRun) a_ = a;
}

void ug_filter_1pole::sub_process_constant(int offset, int count) {
  std::fill_n(out + offset, count, constant_);
}

void ug_filter_1pole::ChooseProcessFunction() {
  if (settled_) return;
  const bool run = Streams(kPitch);
  const bool khz = freq_scale == filters::kVoltPerKhz;
  if (lowpass_) {
    if (!run) return SetProcessFunction(&ug_filter_1pole::Render<true, false, false>);
    if (khz) return SetProcessFunction(&ug_filter_1pole::Render<true, true, true>);
    return SetProcessFunction(&ug_filter_1pole::Render<true, true, false>);
  }
  if (!run) return SetProcessFunction(&ug_filter_1pole::Render<false, false, false>);
  if (khz) return SetProcessFunction(&ug_filter_1pole::Render<false, true, true>);
  SetProcessFunction(&ug_filter_1pole::Render<false, true, false>);
}

void ug_filter_1pole::Open() {
  sample_rate_ = SampleRate();
  table_ = OnePoleLookup(master->lookup_tables(), sample_rate_);
  y_ = 0.0f;
  ug_base::Open();
  a_ = Coefficient(PlugValue(kPitch));
  settled_ = false;
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(clock, ST_RUN);
  PostRunFunction(clock, &ug_filter_1pole::StartAction);
  PostRunFunction(clock, &ug_filter_1pole::SettleCheck);
}

void ug_filter_1pole::StartAction() {
  if (SignalStatic()) y_ = PlugValue(kSignal);
}

void ug_filter_1pole::SettleCheck() {
  if (!std::isfinite(y_)) y_ = 0.0f;
  const float x = PlugValue(kSignal);
  if (SignalStatic() && (x + a_ * (y_ - x) == y_ || std::fabs(x - y_) < 1e-6f)) {
    y_ = x;
    constant_ = lowpass_ ? x : 0.0f;
    Settle(&ug_filter_1pole::sub_process_constant, {kOutput});
    return;
  }
  PostRunFunction(clock + static_cast<sample_clock>(sample_rate_), &ug_filter_1pole::SettleCheck);
}

void ug_filter_1pole::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  const int plug = c->destination->index();
  if ((plug == kPitch || plug == kFreqScale) && !Streams(kPitch))
    a_ = Coefficient(PlugValue(kPitch));
  Unsettle(time, &ug_filter_1pole::SettleCheck);
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(time, ST_RUN);
}

}  // namespace kv
