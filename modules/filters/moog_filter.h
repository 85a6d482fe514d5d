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
// sample (a process function of its own, which computes them four samples at a time
// with a polynomial exp).
//
// Speed. Written stage by stage, a sample is a chain of some twenty dependent multiplies
// and adds (x, then y1, y2, y3, y4, then the limiter), and the next sample cannot start
// before it ends. Substituting each stage into the next expresses every new state directly
// in the old states and the input:
//   x  = in - r y4'
//   y1 = q u - kp y1' - r q y4'                                 (q = p, u = in + x')
//   y2 = q^2 u + q(1-kp) y1' - kp y2' - r q^2 y4'
//   y3 = q^3 u + q^2(1-kp) y1' + q(1-kp) y2' - kp y3' - r q^3 y4'
//   y4 = q^4 u + q^3(1-kp) y1' + q^2(1-kp) y2' + q(1-kp) y3' - (r q^4 + kp) y4'
// (primes: the previous sample). y1, y2, y3 and the y4 sum without its feedback term run
// side by side in the four lanes of an SSE register. Only the y4' term of y4 waits for
// the previous sample's limiter: one multiply and one subtract, then the limiter;
// everything else is computed while the previous limiter runs. The products of q, kp and
// r (`Ladder`) are formed when the coefficients change, or, when they stream, four samples
// ahead of the state update (the processor overlaps the two). The result equals the
// stage-by-stage form up to float rounding.
//
// Limiter. y4 - (y4 y4)(y4 / 6) changes the sign of y4 exactly when |y4| is at least a
// fixed float just above sqrt(6); the sign-flip rule is then a mask from |y4|, which
// also gives 0 for an infinite or NaN y4 (the settle check then resets the other states).
//
// Denormals. An output whose magnitude falls below 1e-20 is set to 0 in its sample; the
// other states are flushed the same way after each sample whose time is 15 mod 16 (off
// the per-sample chain; at most 16 samples of decay between flushes). Both depend on the
// sample time only, so the output does not depend on how the host splits its calls.
//
// "Mode" and "Boost/Cut" are declared for the document but have no effect here.
//
// Settling. 50 samples after an input changes, and then every four blocks (static
// Signal) or every second, a check runs: a non-finite state resets every state to 0;
// with a static Signal near 0, states below 1.5e-6 are zeroed; once every sample of the
// output block is equal the filter is settled, reports its output static and sleeps.
#include <vector>

#include "engine/lookup_table.h"
#include "modules/filters/filter_base.h"

namespace kv {

class ug_filter_biquad : public filters::FilterBase {
 public:
  enum PlugIndex { kSignal, kPitch, kResonance, kOutput, kMode, kBoostCut, kFreqScale };
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
  // The stage outputs of the last sample and its ladder input x.
  struct State {
    float x_prev, y1, y2, y3, y4;
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
  // The products of the coefficients the state update uses (see the top of this file).
  struct Ladder {
    float q, q2, q3, q4, kp, c1, c2, c3, r, rq1, rq2, rq3, g;
  };
  static Ladder Expand(float kp, float p, float r);

  void RenderStatic(int offset, int count);
  void RenderStreaming(int offset, int count);
  void ChooseProcessFunction();
  void UpdateCoefficients();
  void SettleCheck();

  State s_{};
  Coefficients coef_{0.0f, 0.5f, 1.0f};
  float r_ = 0.0f;
  Ladder ladder_ = Expand(0.0f, 0.5f, 0.0f);
  float sample_rate_ = 44100.0f;
  const ULookup* kp_table_ = nullptr;
  const ULookup* scale_table_ = nullptr;
};

}  // namespace kv
