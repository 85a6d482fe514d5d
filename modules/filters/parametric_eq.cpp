#include "modules/filters/parametric_eq.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/audio_master.h"
#include "modules/filters/filter_support.h"

namespace kv {

using filters::FlushDenormal;

void ug_filter_eq_parametric::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(SignalIn(&signal_in));
  list.push_back(PitchIn(&pitch_in));
  list.push_back(ResonanceIn(&resonance_in));
  list.push_back(VoltsOut(&out, "Output").Default("0"));
  list.push_back(EnumIn(&mode, "Mode", "4 Pole LP").Default("0").Help("Not used at present"));
  list.push_back(VoltsIn(&boost_cut_in, "Boost/Cut")
                     .Default("0")
                     .Choices("10,-10,10,-10")
                     .Help("For Parametric Filters, +ve = boost, -ve = cut. NOT USED AT PRESENT"));
  list.push_back(FreqScaleParameter(&freq_scale));
}

ug_filter_eq_parametric::Coefficients ug_filter_eq_parametric::Design(double fc, double bw,
                                                                      double boost_cut,
                                                                      double sr) {
  if (!(fc >= 1.0)) fc = 1.0;  // NaN too
  fc = std::min(fc, 0.49 * sr);
  if (!(bw >= 0.01)) bw = 0.01;
  bw = std::min(bw, 100.0);
  if (!std::isfinite(boost_cut)) boost_cut = 0.0;
  boost_cut = std::clamp(boost_cut, -4.0, 4.0);  // +-400 dB keeps every term finite
  const double w = 2.0 * std::numbers::pi * fc / sr;
  const double sw = std::sin(w), cw = std::cos(w);
  const double a = std::pow(10.0, boost_cut * 100.0 * 0.025);
  const double alpha = sw * std::sinh(std::numbers::ln2 / 2.0 * bw * w / sw);
  const double a0 = 1.0 + alpha / a;
  return {static_cast<float>((1.0 + alpha * a) / a0), static_cast<float>(-2.0 * cw / a0),
          static_cast<float>((1.0 - alpha * a) / a0), static_cast<float>(-2.0 * cw / a0),
          static_cast<float>((1.0 - alpha / a) / a0)};
}

ug_filter_eq_parametric::Coefficients ug_filter_eq_parametric::DesignFromSamples(
    float pitch, float resonance, float boost_cut) const {
  const double fc = freq_scale == filters::kVoltPerKhz
                        ? pitch * 10000.0
                        : 440.0 * std::exp2(10.0 * pitch - 5.0);
  return Design(fc, 10.0 * resonance, boost_cut, sample_rate_);
}

template <bool kCoefRun>
void ug_filter_eq_parametric::Render(int offset, int count) {
  const float* x = signal_in + offset;
  const float* p = pitch_in + offset;
  const float* r = resonance_in + offset;
  const float* g = boost_cut_in + offset;
  float* o = out + offset;
  float x1 = x1_, x2 = x2_, y1 = y1_, y2 = y2_;
  Coefficients c = coef_;
  for (int i = 0; i < count; ++i) {
    if constexpr (kCoefRun) c = DesignFromSamples(p[i], r[i], g[i]);
    const float in = x[i];
    const float y = FlushDenormal(c.b0 * in + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2);
    x2 = x1;
    x1 = in;
    y2 = y1;
    y1 = y;
    o[i] = y;
  }
  x1_ = x1, x2_ = x2, y1_ = y1, y2_ = y2;
  if constexpr (kCoefRun) coef_ = c;
}

void ug_filter_eq_parametric::sub_process_constant(int offset, int count) {
  std::fill_n(out + offset, count, constant_);
}

void ug_filter_eq_parametric::ChooseProcessFunction() {
  if (settled_) return;
  if (CoefficientsStream())
    SetProcessFunction(&ug_filter_eq_parametric::Render<true>);
  else
    SetProcessFunction(&ug_filter_eq_parametric::Render<false>);
}

void ug_filter_eq_parametric::Open() {
  sample_rate_ = SampleRate();
  x1_ = x2_ = y1_ = y2_ = 0.0f;
  ug_base::Open();
  coef_ = DesignFromSamples(PlugValue(kPitch), PlugValue(kResonance), PlugValue(kBoostCut));
  settled_ = false;
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(clock, ST_RUN);
  PostRunFunction(clock + static_cast<sample_clock>(sample_rate_),
                  &ug_filter_eq_parametric::SettleCheck);
}

void ug_filter_eq_parametric::SettleCheck() {
  if (!std::isfinite(x1_) || !std::isfinite(x2_) || !std::isfinite(y1_) || !std::isfinite(y2_))
    x1_ = x2_ = y1_ = y2_ = 0.0f;
  const float x = PlugValue(kSignal);
  if (SignalStatic()) {
    const float d = std::fabs(x1_ - x) + std::fabs(x2_ - x) + std::fabs(y1_ - x) + std::fabs(y2_ - x);
    if (d < 1.5e-6f) {
      x1_ = x2_ = y1_ = y2_ = x;
      constant_ = x;
      Settle(&ug_filter_eq_parametric::sub_process_constant, {kOutput});
      return;
    }
  }
  PostRunFunction(clock + static_cast<sample_clock>(sample_rate_),
                  &ug_filter_eq_parametric::SettleCheck);
}

void ug_filter_eq_parametric::OnPlugStateChange(sample_clock time, Connection* c,
                                                state_type state) {
  const int plug = c->destination->index();
  if (plug != kSignal && plug != kOutput && !CoefficientsStream())
    coef_ = DesignFromSamples(PlugValue(kPitch), PlugValue(kResonance), PlugValue(kBoostCut));
  // A settled equaliser rests at DC, where its gain is 1 whatever its coefficients: only a
  // change of the Signal wakes it.
  if (plug == kSignal)
    Unsettle(time + static_cast<sample_clock>(sample_rate_), &ug_filter_eq_parametric::SettleCheck);
  ChooseProcessFunction();
  if (!settled_) plugs[kOutput]->TransmitState(time, ST_RUN);
}

}  // namespace kv
