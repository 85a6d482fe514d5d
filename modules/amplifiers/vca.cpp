#include "modules/amplifiers/vca.h"

#include <algorithm>

#include "engine/audio_master.h"
#include "engine/lookup_catalogue.h"
#include "modules/amplifiers/block_ops.h"
#include "modules/amplifiers/gain_laws.h"

namespace kv {

using namespace amplifiers;

void ug_vca::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&signal_in, "Signal")
                     .Default("0")
                     .Flags(kDeclNotVoiceSensitive)
                     .Help("The 2 inputs are Multiplied (Ring Modulated). Then 'normalised' eg 5V "
                           "multiplied by 2 V = 1V, (5 * 2 ) / 10 "));
  list.push_back(VoltsIn(&volume_in, "Volume").Default("8"));
  list.push_back(VoltsOut(&out, "Output").Default("0"));
  list.push_back(
      EnumParameter(&response_curve, "Response Curve", "Decibel,Exponential,Linear")
          .Default("1")
          .Help("In db mode: 10V to 2V gives 0 to -40db, 2V to 0v gives -40db to -70db (silence)"));
}

bool ug_vca::IsVoiceInputActive() {
  auto fed = [this](int p) { return (plugs[p]->flags & UPLUG_VOICE_FED) != 0; };
  return fed(kSignal) && fed(kVolume);
}

void ug_vca::sub_process_gain(int offset, int count) {
  block_ops::Scale(out + offset, signal_in + offset, gain_, count);
}

void ug_vca::sub_process_linear(int offset, int count) {
  block_ops::ScaleByPositive(out + offset, signal_in + offset, volume_in + offset, count);
}

void ug_vca::sub_process_curve(int offset, int count) {
  const float* x = signal_in + offset;
  const float* v = volume_in + offset;
  float* o = out + offset;
  const ULookup* t = curve_table_;
  const int16_t curve = curve_;
  for (int i = 0; i < count; ++i) {
    const float g = v[i] > 1.0f ? CurveGain(v[i], curve) : t->InterpolatedLookup(v[i]);
    o[i] = x[i] * g;
  }
}

void ug_vca::sub_process_zero(int offset, int count) { std::fill_n(out + offset, count, 0.0f); }

void ug_vca::Open() {
  db_table_ = DbCurve(master->lookup_tables());
  exp_table_ = TruncExpCurve(master->lookup_tables());
  ug_base::Open();
  Choose(clock);
}

void ug_vca::OnPlugStateChange(sample_clock time, Connection*, state_type) { Choose(time); }

void ug_vca::Choose(sample_clock time) {
  // A value outside the list counts as the default curve.
  curve_ = response_curve >= kDecibel && response_curve <= kLinear ? response_curve : int16_t{kExponential};
  curve_table_ = curve_ == kDecibel ? db_table_ : exp_table_;
  const state_type sig = plugs[kSignal]->state, vol = plugs[kVolume]->state;
  const bool sig_static = sig != ST_RUN, vol_static = vol != ST_RUN;
  if (vol_static) gain_ = CurveGain(PlugValue(kVolume), curve_);
  const state_type d = std::max(sig, vol) == ST_RUN ? ST_RUN : ST_ONE_OFF;
  if ((sig_static && PlugValue(kSignal) == 0.0f) || (vol_static && !(PlugValue(kVolume) > 0.0f))) {
    SetProcessFunction(&ug_vca::sub_process_zero);
    RunOneThenStatic();
    plugs[kOutput]->TransmitState(time, ST_ONE_OFF);
    return;
  }
  if (d == ST_RUN) {
    if (vol_static)
      SetProcessFunction(&ug_vca::sub_process_gain);
    else if (curve_ == kLinear)
      SetProcessFunction(&ug_vca::sub_process_linear);
    else
      SetProcessFunction(&ug_vca::sub_process_curve);
  } else {
    SetProcessFunction(&ug_vca::sub_process_gain);
    RunOneThenStatic();
  }
  plugs[kOutput]->TransmitState(time, d);
}

}  // namespace kv
