#pragma once
// ug_pan ("Pan"): Left Out = Input x gain(a) x V, Right Out = Input x gain(1 - a) x V,
// with a = clamp(0.5 - Pan, 0, 1) (-5 V = left), gain the fade law (gain_laws.h) and V
// the Volume on the decibel curve (10 V = unity, 0 V = silence).
//
// ug_cross_fade ("X-Mix"): Signal Out = Input A x gain(1 - a) + Input B x gain(a) with a
// from Mix, so +5 V passes A and -5 V passes B.
//
// Both fold static controls into fixed gains (recomputed on each change) and compute
// the gains per sample while a control streams; with every input static they write one
// constant block and sleep.
#include <vector>

#include "engine/ug_base.h"
#include "modules/amplifiers/gain_laws.h"

namespace kv {

class ug_pan : public ug_base {
 public:
  enum PlugIndex { kInput, kPan, kLeftOut, kRightOut, kVolume, kFadeLaw };

  ug_base* CreateObject() override { return new ug_pan; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;
  // Voice-dependent when Input and at least one of Pan or Volume carry voice signals.
  bool IsVoiceInputActive() override;

  // Left and right gains (fade law x volume) for samples of Pan and Volume.
  void Gains(float pan, float volume, float& left, float& right) const;
  float left_gain() const { return left_; }
  float right_gain() const { return right_; }

  float* input_in = nullptr;
  float* pan_in = nullptr;
  float* left_out = nullptr;
  float* right_out = nullptr;
  float* volume_in = nullptr;
  int16_t fade_law = 1;

 private:
  void sub_process_static_gains(int offset, int count);
  template <int kLaw>
  void sub_process_gains_run(int offset, int count);
  void sub_process_zero(int offset, int count);
  void Choose(sample_clock time);

  amplifiers::FadeTables tables_;
  float left_ = 0.0f;
  float right_ = 0.0f;
};

class ug_cross_fade : public ug_base {
 public:
  enum PlugIndex { kInputA, kInputB, kMix, kSignalOut, kFadeLaw };

  ug_base* CreateObject() override { return new ug_cross_fade; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;
  // Voice-dependent when an audio input and Mix carry voice signals.
  bool IsVoiceInputActive() override;

  // Gains of Input A and Input B for a Mix sample.
  void Gains(float mix, float& gain_a, float& gain_b) const;
  float gain_a() const { return gain_a_; }
  float gain_b() const { return gain_b_; }

  float* a_in = nullptr;
  float* b_in = nullptr;
  float* mix_in = nullptr;
  float* out = nullptr;
  int16_t fade_law = 1;

 private:
  void sub_process_static_gains(int offset, int count);
  template <int kLaw>
  void sub_process_mix_run(int offset, int count);
  void Choose(sample_clock time);

  amplifiers::FadeTables tables_;
  float gain_a_ = 0.0f;
  float gain_b_ = 0.0f;
};

}  // namespace kv
