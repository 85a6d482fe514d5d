#pragma once
// ug_filter_eq_parametric ("Parametric EQ"): a peaking equaliser (the audio-EQ cookbook
// peaking biquad). Centre frequency from Pitch (1 V/octave or 1 V/kHz), bandwidth
// BW = 10 x Resonance octaves, gain 10 dB per volt of Boost/Cut (A = 10^(Boost/Cut x 2.5)):
//   w = 2 pi fc / sr,  alpha = sin w sinh(ln 2 / 2 x BW x w / sin w)
//   b = (1 + alpha A, -2 cos w, 1 - alpha A) / a0,  a = (-2 cos w, 1 - alpha / A) / a0,
//   a0 = 1 + alpha / A
//   y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2.
// The design is computed in double and stored as float. fc is kept within
// [1 Hz, 0.49 sr] and BW at 0.01 octave or more, so the filter is stable for any input.
//
// Static controls set the coefficients on each change; while any of Pitch, Resonance or
// Boost/Cut streams they are designed per sample.
//
// Settling: a second after the Signal changes (and every second after that), with a
// static Signal whose states all lie within 1.5e-6 of it in sum, the output becomes the
// Signal value (a peaking filter passes DC unchanged) and the filter sleeps.
#include <vector>

#include "modules/filters/filter_base.h"

namespace kv {

class ug_filter_eq_parametric : public filters::FilterBase {
 public:
  enum PlugIndex { kSignal, kPitch, kResonance, kOutput, kMode, kBoostCut, kFreqScale };

  ug_base* CreateObject() override { return new ug_filter_eq_parametric; }
  void ListInterface(std::vector<InterfaceObject>& list) override;
  void Open() override;
  void OnPlugStateChange(sample_clock time, Connection* c, state_type state) override;

  struct Coefficients {
    float b0, b1, b2, a1, a2;
  };
  // The design for a centre frequency (Hz), bandwidth (octaves) and Boost/Cut sample.
  static Coefficients Design(double fc, double bw_octaves, double boost_cut, double sr);
  Coefficients DesignFromSamples(float pitch, float resonance, float boost_cut) const;
  const Coefficients& coefficients() const { return coef_; }

  float* signal_in = nullptr;
  float* pitch_in = nullptr;
  float* resonance_in = nullptr;
  float* out = nullptr;
  float* boost_cut_in = nullptr;
  int16_t mode = 0;  // not used
  int16_t freq_scale = 0;

 private:
  template <bool kCoefRun>
  void Render(int offset, int count);
  void sub_process_constant(int offset, int count);
  void ChooseProcessFunction();
  void SettleCheck();
  bool CoefficientsStream() const {
    return Streams(kPitch) || Streams(kResonance) || Streams(kBoostCut);
  }

  float x1_ = 0.0f, x2_ = 0.0f, y1_ = 0.0f, y2_ = 0.0f;
  Coefficients coef_{1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  float constant_ = 0.0f;
  float sample_rate_ = 44100.0f;
};

}  // namespace kv
