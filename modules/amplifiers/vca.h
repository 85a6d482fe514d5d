#pragma once
// ug_vca ("VCA"): Output = Signal x gain(Volume) on the chosen response curve (Decibel,
// Exponential or Linear; gain_laws.h).
//
// Process functions by input states (chosen on every change):
//   - Signal static at 0, or Volume static at 0 V or below: a static 0;
//   - both static: Signal x gain as a constant, then sleep after a full block;
//   - streaming with Volume static: Signal x the gain computed at the change;
//   - streaming Volume, Linear: Signal x max(Volume, 0) per sample;
//   - streaming Volume on a curve: the curve's table interpolated per sample up to 10 V,
//     the formula above it (so more than 10 V amplifies).
#include <vector>

#include "engine/lookup_table.h"
#include "engine/ug_base.h"

namespace kv {

class ug_vca : public ug_base {
 public:
  enum PlugIndex { kSignal, kVolume, kOutput, kResponseCurve };

  ug_base* CreateObject() override { return new ug_vca; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;
  // Voice-dependent only when both Signal and Volume carry voice signals.
  bool IsVoiceInputActive() override;

  float gain() const { return gain_; }

  float* signal_in = nullptr;
  float* volume_in = nullptr;
  float* out = nullptr;
  int16_t response_curve = 1;

 private:
  void sub_process_gain(int offset, int count);
  void sub_process_linear(int offset, int count);
  void sub_process_curve(int offset, int count);
  void sub_process_zero(int offset, int count);
  void Choose(sample_clock time);

  float gain_ = 0.0f;
  int16_t curve_ = 1;
  const ULookup* curve_table_ = nullptr;
  const ULookup* db_table_ = nullptr;
  const ULookup* exp_table_ = nullptr;
};

}  // namespace kv
