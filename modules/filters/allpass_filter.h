#pragma once
// ug_filter_allpass ("All Pass"): a second-order all-pass section
//   w0 := x + c1 w1 - c2 w2,   out := w2 + c2 w0 - c1 w1,   w2 := w1, w1 := w0
// whose poles sit at radius R = exp(-pi h l) and angle 2 pi h (c1 = 2 R cos 2 pi h,
// c2 = R^2), h = fc / sr limited to 0.5 and l = clamp(1.5 Resonance + 0.5, 0.5, 4) the
// width of the band over which the phase turns. For 0..10 V (1 V/octave) the factors come
// from the "ug_filter_allpass A" (exp(-2 pi x)) and "B" (2 cos 2 pi x) tables.
//
// h is kept at or above 5 Hz / sr: at h = 0 both poles sit on z = 1 and the states grow
// without bound for a static input.
//
// Settling: with a static Signal whose output equals the input within 1e-6 (an all-pass
// passes DC unchanged), the states snap to their rest value and the filter sleeps after a
// full block of the constant input.
#include <vector>

#include "engine/lookup_table.h"
#include "modules/filters/filter_base.h"

namespace kv {

class ug_filter_allpass : public filters::FilterBase {
 public:
  enum PlugIndex { kSignal, kPitch, kResonance, kOutput, kFreqScale };

  ug_base* CreateObject() override { return new ug_filter_allpass; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  struct Coefficients {
    float c1;
    float c2;
  };
  Coefficients ComputeCoefficients(float pitch, float resonance) const;
  const Coefficients& coefficients() const { return coef_; }

  float* signal_in = nullptr;
  float* pitch_in = nullptr;
  float* resonance_in = nullptr;
  float* out = nullptr;
  int16_t freq_scale = 0;

 private:
  template <bool kCoefRun>
  void Render(int offset, int count);
  void sub_process_constant(int offset, int count);
  void ChooseProcessFunction();
  void SettleCheck();

  float w1_ = 0.0f;
  float w2_ = 0.0f;
  Coefficients coef_{0.0f, 0.0f};
  float constant_ = 0.0f;
  float sample_rate_ = 44100.0f;
  const ULookup* a_table_ = nullptr;
  const ULookup* b_table_ = nullptr;
};

}  // namespace kv
