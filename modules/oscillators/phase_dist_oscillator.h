#pragma once
// ug_oscillator_pd ("Phase Dist Osc"): phase-distortion synthesis.
//
// A cosine cycle (one-table "cosine" set) is read not at the cycle position w but at y =
// f(w), a piecewise-linear transfer curve given by breakpoints (x, x-slope, y). The
// Modulation Depth A (clamped to 0..0.97) moves each breakpoint to x + A x x-slope, which
// bends the cosine towards a saw, a square, a pulse... Resonant waves keep their
// breakpoints; the curve is then a window t and the cosine runs at (10 A + 1) times the
// fundamental: out = 0.5 - 0.5 t + t cos.
//
// Wave1 and Wave2 alternate cycle by cycle (Wave2 "None" plays Wave1 only). A one-pole
// high-pass at about 3.5 Hz (g = 2 sin(7 pi / sr)) removes the curves' DC. Above the
// cosine table's alias-free limit the oscillator is silent; a streaming pitch re-checks
// that at the first sample of each block. Process functions: pitch static or streaming,
// times silent or sounding.
#include <cstdint>
#include <vector>

#include "engine/ug_base.h"
#include "engine/wavetable_set.h"

namespace kv {

class ug_oscillator_pd : public ug_base {
 public:
  enum PlugIndex { kPitch, kModDepth, kAudioOut, kWave1, kWave2, kFreqScale };
  enum Wave : int16_t {
    kNone = -1,
    kSaw,
    kSquare,
    kPulse,
    kDblSine,
    kSawPulse,
    kReso1,
    kReso2,
    kReso3,
  };

  ug_base* CreateObject() override { return new ug_oscillator_pd; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;
  void Process(int count) override;

  uint32_t increment() const { return increment_; }
  bool silent() const { return silent_; }

  float* pitch_in = nullptr;
  float* depth_in = nullptr;
  float* out = nullptr;
  int16_t wave1 = kSaw;
  int16_t wave2 = kSaw;
  int16_t freq_scale = 0;

  struct Breakpoint {
    float x, slope, y;
  };
  struct Curve {
    Breakpoint p[6];
    int count = 0;
    bool resonant = false;
  };
  static Curve CurveFor(int16_t wave);

 private:
  template <bool kPitchRun>
  void sub_process(int offset, int count);
  template <bool kPitchRun>
  void sub_process_silent(int offset, int count);
  void ChooseProcessFunctions();
  void SetCurves();
  void UpdateIncrement(float pitch);
  float Sample(float w, float depth);

  uint32_t phase_ = 0;
  uint32_t increment_ = 0;
  bool silent_ = false;
  float dc_ = 0.0f;      // running mean the high-pass removes
  float dc_gain_ = 0.0f;
  Curve curves_[2];
  int current_ = 0;  // which of Wave1/Wave2 plays this cycle
  int segment_ = 0;  // kept from sample to sample
  // Breakpoint positions of each curve at the depth they were last computed for.
  float positions_[2][6] = {};
  float positions_depth_[2] = {-1.0f, -1.0f};
  const float* cosine_ = nullptr;
  uint32_t limit_ = 0;
  const uint32_t* pitch_table_ = nullptr;
  float sample_rate_ = 44100.0f;
};

}  // namespace kv
