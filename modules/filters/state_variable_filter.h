#pragma once
// ug_filter_sv ("SV Filter"): the state-variable filter with low-pass, high-pass,
// band-pass and band-reject outputs. Per sample, with cutoff coefficient f and damping q:
//   low  := low + f band
//   high := x - q band - low
//   band := band + f high
//   Low Pass = low, Hi Pass = high, Band Pass = band, Band Reject = high + low.
//
// Coefficients. q = 2 - 2 min(r, 0.9992) for a Resonance sample r > 0, else 2. f comes
// from the "ug_filter_sv Cutoff" table (1 V/octave, 0..10 V) or 2 pi fc / sr, and is
// capped by the resonance limit L (entry floor(512 clamp(r, 0, 0.9992)) of
// "ug_filter_sv Resonance Limit"), which keeps the loop stable: f^2 + 2 f q stays below 4.
// Formula cutoffs are raised to at least 0.00001.
//
// Process functions are chosen by which of Pitch and Resonance stream (per-sample
// coefficients) and by which outputs were connected when the filter opened: with only
// Low Pass (or only Hi Pass) connected the other outputs are never computed.
//
// Settling as for the one-pole filter: at rest with a static Signal the states snap to
// (low = x, band = 0), the outputs become constants (Low Pass = Band Reject = x, 0 on the
// others) and the filter sleeps after a full block.
#include <vector>

#include "engine/lookup_table.h"
#include "modules/filters/filter_base.h"

namespace kv {

class ug_filter_sv : public filters::FilterBase {
 public:
  enum PlugIndex { kSignal, kPitch, kResonance, kLowPass, kHiPass, kBandPass, kBandReject, kFreqScale };
  enum Outputs { kAllOutputs, kLowOnly, kHighOnly };

  ug_base* CreateObject() override { return new ug_filter_sv; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  // Coefficients for samples of Pitch and Resonance: the cutoff before the limit, the
  // damping q and the resonance limit L.
  float Cutoff(float pitch) const;
  static float Damping(float resonance);
  float ResonanceLimit(float resonance) const;

  float low() const { return low_; }
  float band() const { return band_; }
  float f() const { return f_; }
  float q() const { return q_; }
  Outputs outputs() const { return outputs_; }

  float* signal_in = nullptr;
  float* pitch_in = nullptr;
  float* resonance_in = nullptr;
  float* low_out = nullptr;
  float* high_out = nullptr;
  float* band_out = nullptr;
  float* reject_out = nullptr;
  int16_t freq_scale = 0;

 private:
  template <bool kPitchRun, bool kResRun, int kOut>
  void Render(int offset, int count);
  void sub_process_constant(int offset, int count);
  void ChooseProcessFunction();
  void SetResonance(float r);
  void SettleCheck();
  void StartAction();
  bool Connected(int plug) const { return !plugs[plug]->connections.empty(); }

  float low_ = 0.0f;
  float band_ = 0.0f;
  float f_ = 0.0f;
  float q_ = 2.0f;
  float limit_ = 0.78f;
  float constant_ = 0.0f;
  Outputs outputs_ = kAllOutputs;
  float sample_rate_ = 44100.0f;
  const ULookup* cutoff_table_ = nullptr;
  const ULookup* limit_table_ = nullptr;
};

}  // namespace kv
