#pragma once
// ug_filter_biquad ("Moog Filter"; also the retired ids "Filter2 obsolete" and
// "Filter obs"): a four-pole ladder low-pass. Each stage is the bilinear one-pole
//   y := (u + u_prev) p - kp y,   p = (kp + 1) / 2,
// the input is x = in - r y4 (feedback of the previous output), and the fourth stage is
// soft-limited by y4 - y4^3 / 6 (set to 0 should the limiter flip its sign).
//
// Coefficients. For 0..10 V (1 V/octave) kp and the resonance scale come from the "Moog
// LP kp" and "Moog LP Scale" tables; otherwise from f = 2 min(fc, 0.495 sr) / sr:
// kp = 3.6 f - 1.6 f^2 - 1, scale = exp((1 - p) 1.386249). r = Resonance x scale. Static
// controls set them on each change; while Pitch or Resonance streams they follow every
// sample (a process function of its own).
//
// "Mode" and "Boost/Cut" are declared for the document but have no effect here.
//
// Settling. 50 samples after an input changes, and then every four blocks (static
// Signal) or every second, a check runs: a non-finite output resets every state to 0;
// with a static Signal near 0, states below 1.5e-6 are zeroed; once every sample of the
// output block is equal the filter is settled, reports its output static and sleeps.
#include <vector>

#include "engine/lookup_table.h"
#include "engine/ug_base.h"
#include "modules/oscillators/module_descriptor.h"

namespace kv {

class ug_filter_biquad : public ug_base {
 public:
  enum PlugIndex { kSignal, kPitch, kResonance, kOutput, kMode, kBoostCut, kFreqScale };
  static constexpr ModuleDescriptor Descriptor() { return {"Moog Filter", 48, 0x100}; }
  static constexpr ModuleDescriptor kRetired[] = {{"Filter2 obsolete", 21, 0x100},
                                                  {"Filter obs", 25, 0x108}};
  static constexpr int kSettleDelay = 50;

  ug_base* CreateObject() override { return new ug_filter_biquad; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  struct Coefficients {
    float kp;
    float p;
    float scale;
  };
  Coefficients ComputeCoefficients(float pitch) const;

  const Coefficients& coefficients() const { return coef_; }
  float feedback() const { return r_; }
  bool settled() const { return settled_; }
  // y1..y4 and the previous stage inputs x, y1, y2, y3.
  struct State {
    float y1, y2, y3, y4, x_prev, y1_prev, y2_prev, y3_prev;
  };
  const State& state() const { return s_; }

  float* signal_in = nullptr;
  float* pitch_in = nullptr;
  float* resonance_in = nullptr;
  float* out = nullptr;
  float* boost_cut_in = nullptr;  // not used by this filter
  int16_t mode = 0;               // not used by this filter
  int16_t freq_scale = 0;

 private:
  template <bool kCoefRun>
  void Render(int offset, int count);
  void ChooseProcessFunction();
  void UpdateCoefficients();
  void SettleCheck();
  bool Streams(int plug) const { return plugs[plug]->state == ST_RUN; }
  // Neither the input nor its source streams (see filters::SourceStreams).
  bool SignalStatic() const;

  State s_{};
  Coefficients coef_{0.0f, 0.5f, 1.0f};
  float r_ = 0.0f;
  bool settled_ = true;
  float sample_rate_ = 44100.0f;
  const ULookup* kp_table_ = nullptr;
  const ULookup* scale_table_ = nullptr;
};

}  // namespace kv
