#include "modules/filters/moog_filter.h"

#include <algorithm>
#include <cmath>

#include "engine/audio_master.h"
#include "engine/lookup_catalogue.h"
#include "modules/filters/filter_support.h"

namespace kv {

using filters::FlushDenormal;

namespace {
constexpr float kQuiet = 1.5e-6f;
}

bool ug_filter_biquad::SignalStatic() const {
  return !Streams(kSignal) && !filters::SourceStreams(plugs[kSignal]);
}

void ug_filter_biquad::ListInterface(std::vector<InterfaceObject>& list) {
  list.emplace_back(nullptr, dt_volts, &signal_in, DR_IN, "", "Signal", "0", "", 512);
  list.emplace_back(nullptr, dt_volts, &pitch_in, DR_IN,
                    "Controls the Filter's 'Cutoff'. 1 Volt per Octave or 1 Volt / kHz switchable",
                    "Pitch", "5", "", 1);
  list.emplace_back(nullptr, dt_volts, &resonance_in, DR_IN, "Emphasises the Cutoff frequency",
                    "Resonance", "5", "", 1);
  list.emplace_back(nullptr, dt_volts, &out, DR_OUT, "", "Output", "0", "", 0);
  list.emplace_back(&mode, dt_enum, nullptr, DR_IN, "Not used at present", "Mode", "0",
                    "4 Pole LP", 256);
  list.emplace_back(nullptr, dt_volts, &boost_cut_in, DR_IN,
                    "For Parametric Filters, +ve = boost, -ve = cut. NOT USED AT PRESENT",
                    "Boost/Cut", "0", "10,-10,10,-10", 257);
  list.emplace_back(&freq_scale, dt_enum, nullptr, DR_PARAMETER, filters::kFreqScaleHelp,
                    "Freq Scale", "0", filters::kFreqScaleList, 0);
}

ug_filter_biquad::Coefficients ug_filter_biquad::ComputeCoefficients(float pitch) const {
  if (filters::UsesPitchTable(pitch, freq_scale)) {
    const float kp = kp_table_->InterpolatedLookup(pitch);
    return {kp, (kp + 1.0f) * 0.5f, scale_table_->InterpolatedLookup(pitch)};
  }
  const float fc = std::min(filters::CutoffHz(pitch, freq_scale), 0.495f * sample_rate_);
  const float f = 2.0f * fc / sample_rate_;
  const float kp = 3.6f * f - 1.6f * f * f - 1.0f;
  const float p = (kp + 1.0f) * 0.5f;
  return {kp, p, std::exp((1.0f - p) * 1.386249f)};
}

template <bool kCoefRun>
void ug_filter_biquad::Render(int offset, int count) {
  const float* in = signal_in + offset;
  const float* pitch = pitch_in + offset;
  const float* res = resonance_in + offset;
  float* o = out + offset;
  State s = s_;
  float kp = coef_.kp, pp = coef_.p, r = r_;
  for (int i = 0; i < count; ++i) {
    if constexpr (kCoefRun) {
      const Coefficients c = ComputeCoefficients(pitch[i]);
      kp = c.kp;
      pp = c.p;
      r = res[i] * c.scale;
    }
    const float x = in[i] - r * s.y4;
    const float y1 = (x + s.x_prev) * pp - kp * s.y1;
    const float y2 = (y1 + s.y1_prev) * pp - kp * s.y2;
    const float y3 = (y2 + s.y2_prev) * pp - kp * s.y3;
    const float y4 = (y3 + s.y3_prev) * pp - kp * s.y4;
    float limited = y4 - y4 * y4 * y4 * 0.16666667f;
    if ((y4 > 0.0f && limited < 0.0f) || (y4 < 0.0f && limited > 0.0f)) limited = 0.0f;
    s.y4 = FlushDenormal(limited);
    s.y1 = y1;
    s.y2 = y2;
    s.y3 = y3;
    s.x_prev = x;
    s.y1_prev = y1;
    s.y2_prev = y2;
    s.y3_prev = y3;
    o[i] = s.y4;
  }
  // The output is flushed per sample; the inner stages, which follow it into silence,
  // once per run (keeping the flush out of the per-sample dependency chain).
  s.x_prev = FlushDenormal(s.x_prev);
  s.y1 = s.y1_prev = FlushDenormal(s.y1);
  s.y2 = s.y2_prev = FlushDenormal(s.y2);
  s.y3 = s.y3_prev = FlushDenormal(s.y3);
  s_ = s;
  if constexpr (kCoefRun) {
    coef_ = {kp, pp, coef_.scale};
    r_ = r;
  }
}

void ug_filter_biquad::ChooseProcessFunction() {
  if (settled_) return;
  if (Streams(kPitch) || Streams(kResonance))
    SetProcessFunction(&ug_filter_biquad::Render<true>);
  else
    SetProcessFunction(&ug_filter_biquad::Render<false>);
}

void ug_filter_biquad::UpdateCoefficients() {
  coef_ = ComputeCoefficients(PlugValue(kPitch));
  r_ = PlugValue(kResonance) * coef_.scale;
}

void ug_filter_biquad::Open() {
  sample_rate_ = SampleRate();
  const MoogLpLookups t = MoogLpLookup(master->lookup_tables(), sample_rate_);
  scale_table_ = t.scale;
  kp_table_ = t.kp;
  s_ = {};
  ug_base::Open();
  UpdateCoefficients();
  settled_ = false;
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(clock, ST_RUN);
  PostRunFunction(clock + kSettleDelay, &ug_filter_biquad::SettleCheck);
}

void ug_filter_biquad::SettleCheck() {
  if (!std::isfinite(s_.y4)) s_ = {};
  const bool signal_static = SignalStatic();
  if (signal_static && std::fabs(s_.x_prev) < kQuiet) {
    s_.x_prev = 0.0f;
    float* pairs[][2] = {{&s_.y1, &s_.y1_prev}, {&s_.y2, &s_.y2_prev}, {&s_.y3, &s_.y3_prev}};
    for (auto& pr : pairs)
      if (std::fabs(*pr[0]) < kQuiet) *pr[0] = *pr[1] = 0.0f;
    if (std::fabs(s_.y4) < kQuiet) s_.y4 = 0.0f;
  }
  if (signal_static) {
    // Settled when the whole output block holds one value: it then reads correctly at
    // every offset while the filter sleeps.
    const float* b = plugs[kOutput]->samples();
    const int bs = BlockSize();
    bool flat = true;
    for (int i = 1; i < bs && flat; ++i) flat = b[i] == b[0];
    if (flat) {
      settled_ = true;
      SetProcessFunction(&ug_filter_biquad::sub_process_sleep);
      plugs[kOutput]->TransmitState(clock, ST_ONE_OFF);
      return;
    }
  }
  const sample_clock again =
      signal_static ? 4 * static_cast<sample_clock>(BlockSize()) : static_cast<sample_clock>(sample_rate_);
  PostRunFunction(clock + again, &ug_filter_biquad::SettleCheck);
}

void ug_filter_biquad::OnPlugStateChange(sample_clock time, Connection* c, state_type state) {
  const int plug = c->destination->index();
  if ((plug == kPitch || plug == kResonance || plug == kFreqScale) && !Streams(kPitch) &&
      !Streams(kResonance))
    UpdateCoefficients();
  if (settled_) {
    settled_ = false;
    PostRunFunction(time + kSettleDelay, &ug_filter_biquad::SettleCheck);
  }
  ChooseProcessFunction();
  plugs[kOutput]->TransmitState(time, ST_RUN);
}

}  // namespace kv
