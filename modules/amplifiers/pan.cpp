#include "modules/amplifiers/pan.h"

#include <algorithm>

#include "engine/audio_master.h"
#include "modules/amplifiers/block_ops.h"

namespace kv {

using namespace amplifiers;

namespace {
int16_t KnownLaw(int16_t law) { return law >= kEqualIntensity && law <= kSqrRoot ? law : int16_t{kEqualPower}; }
bool Fed(const UPlug* p) { return (p->flags & UPLUG_VOICE_FED) != 0; }
}  // namespace

// --- Pan ---------------------------------------------------------------------------------

void ug_pan::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&input_in, "Input")
                     .Default("0")
                     .Flags(kDeclNotVoiceSensitive)
                     .Help("Audio signal input"));
  list.push_back(
      VoltsIn(&pan_in, "Pan").Default("0").Choices("5,-5,5,-5").Help("-5V = Left, +5V = Right"));
  list.push_back(VoltsOut(&left_out, "Left Out").Default("5"));
  list.push_back(VoltsOut(&right_out, "Right Out").Default("5"));
  list.push_back(
      VoltsIn(&volume_in, "Volume")
          .Default("8")
          .Help("Controls the Volume of the input signal. 10 V = original volume, 0 V = silence"));
  list.push_back(
      EnumParameter(&fade_law, "Fade Law", kFadeLawList).Default("1").Help(kFadeLawHelp));
}

bool ug_pan::IsVoiceInputActive() {
  return Fed(plugs[kInput]) && (Fed(plugs[kPan]) || Fed(plugs[kVolume]));
}

void ug_pan::Gains(float pan, float volume, float& left, float& right) const {
  const int16_t law = KnownLaw(fade_law);
  const float a = FadePosition(pan);
  const float v = tables_.Volume(volume);
  left = tables_.Side(a, law) * v;
  right = tables_.Side(1.0f - a, law) * v;
}

void ug_pan::sub_process_static_gains(int offset, int count) {
  block_ops::Scale(left_out + offset, input_in + offset, left_, count);
  block_ops::Scale(right_out + offset, input_in + offset, right_, count);
}

template <int kLaw>
void ug_pan::sub_process_gains_run(int offset, int count) {
  const float* x = input_in + offset;
  const float* p = pan_in + offset;
  const float* vol = volume_in + offset;
  float* l = left_out + offset;
  float* r = right_out + offset;
  for (int i = 0; i < count; ++i) {
    const float a = FadePosition(p[i]);
    const float v = tables_.Volume(vol[i]);
    const float gl = tables_.Side(a, kLaw) * v;
    const float gr = tables_.Side(1.0f - a, kLaw) * v;
    l[i] = x[i] * gl;
    r[i] = x[i] * gr;
  }
}

void ug_pan::sub_process_zero(int offset, int count) {
  std::fill_n(left_out + offset, count, 0.0f);
  std::fill_n(right_out + offset, count, 0.0f);
}

void ug_pan::Open() {
  tables_.Obtain(master->lookup_tables());
  ug_base::Open();
  Choose(clock);
}

void ug_pan::OnPlugStateChange(sample_clock time, Connection*, state_type) { Choose(time); }

void ug_pan::Choose(sample_clock time) {
  const bool in_static = plugs[kInput]->state != ST_RUN;
  const bool pan_static = plugs[kPan]->state != ST_RUN;
  const bool vol_static = plugs[kVolume]->state != ST_RUN;
  if (pan_static && vol_static) Gains(PlugValue(kPan), PlugValue(kVolume), left_, right_);
  auto send = [&](state_type s) {
    plugs[kLeftOut]->TransmitState(time, s);
    plugs[kRightOut]->TransmitState(time, s);
  };
  if ((in_static && PlugValue(kInput) == 0.0f) || (vol_static && !(PlugValue(kVolume) > 0.0f))) {
    SetProcessFunction(&ug_pan::sub_process_zero);
    RunOneThenStatic();
    return send(ST_ONE_OFF);
  }
  if (!pan_static || !vol_static) {
    switch (KnownLaw(fade_law)) {
      case kEqualIntensity: SetProcessFunction(&ug_pan::sub_process_gains_run<kEqualIntensity>); break;
      case kSqrRoot: SetProcessFunction(&ug_pan::sub_process_gains_run<kSqrRoot>); break;
      default: SetProcessFunction(&ug_pan::sub_process_gains_run<kEqualPower>); break;
    }
    return send(ST_RUN);
  }
  SetProcessFunction(&ug_pan::sub_process_static_gains);
  if (in_static) {
    RunOneThenStatic();
    return send(ST_ONE_OFF);
  }
  send(ST_RUN);
}

// --- X-Mix -------------------------------------------------------------------------------

void ug_cross_fade::ListInterface(std::vector<InterfaceObject>& list) {
  list.push_back(VoltsIn(&a_in, "Input A").Default("0").Flags(kDeclNotVoiceSensitive));
  list.push_back(VoltsIn(&b_in, "Input B").Default("0").Flags(kDeclNotVoiceSensitive));
  list.push_back(VoltsIn(&mix_in, "Mix")
                     .Default("0")
                     .Choices("5,-5,5,-5")
                     .Help("Varies the mix from +5V - Input A, to -5V - Input B"));
  list.push_back(VoltsOut(&out, "Signal Out").Default("5"));
  list.push_back(
      EnumParameter(&fade_law, "Fade Law", kFadeLawList).Default("1").Help(kFadeLawHelp));
}

bool ug_cross_fade::IsVoiceInputActive() {
  return (Fed(plugs[kInputA]) || Fed(plugs[kInputB])) && Fed(plugs[kMix]);
}

void ug_cross_fade::Gains(float mix, float& gain_a, float& gain_b) const {
  const int16_t law = KnownLaw(fade_law);
  const float a = FadePosition(mix);
  gain_a = tables_.Side(1.0f - a, law);
  gain_b = tables_.Side(a, law);
}

void ug_cross_fade::sub_process_static_gains(int offset, int count) {
  block_ops::Mix(out + offset, a_in + offset, gain_a_, b_in + offset, gain_b_, count);
}

template <int kLaw>
void ug_cross_fade::sub_process_mix_run(int offset, int count) {
  const float* a = a_in + offset;
  const float* b = b_in + offset;
  const float* m = mix_in + offset;
  float* o = out + offset;
  for (int i = 0; i < count; ++i) {
    const float pos = FadePosition(m[i]);
    o[i] = a[i] * tables_.Side(1.0f - pos, kLaw) + b[i] * tables_.Side(pos, kLaw);
  }
}

void ug_cross_fade::Open() {
  tables_.Obtain(master->lookup_tables());
  ug_base::Open();
  Choose(clock);
}

void ug_cross_fade::OnPlugStateChange(sample_clock time, Connection*, state_type) { Choose(time); }

void ug_cross_fade::Choose(sample_clock time) {
  const bool mix_run = plugs[kMix]->state == ST_RUN;
  if (!mix_run) Gains(PlugValue(kMix), gain_a_, gain_b_);
  const state_type d =
      mix_run ? ST_RUN : std::max(plugs[kInputA]->state, plugs[kInputB]->state) == ST_RUN ? ST_RUN : ST_ONE_OFF;
  if (mix_run) {
    switch (KnownLaw(fade_law)) {
      case kEqualIntensity: SetProcessFunction(&ug_cross_fade::sub_process_mix_run<kEqualIntensity>); break;
      case kSqrRoot: SetProcessFunction(&ug_cross_fade::sub_process_mix_run<kSqrRoot>); break;
      default: SetProcessFunction(&ug_cross_fade::sub_process_mix_run<kEqualPower>); break;
    }
  } else {
    SetProcessFunction(&ug_cross_fade::sub_process_static_gains);
    if (d != ST_RUN) RunOneThenStatic();
  }
  plugs[kSignalOut]->TransmitState(time, d);
}

}  // namespace kv
