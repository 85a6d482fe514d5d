#pragma once
// Conventions shared by the filters.
//
// Cutoff. The "Pitch" input is 1 V per octave (f = 440 x 2^(10 p - 5) Hz for a sample p,
// 5 V = 440 Hz) or, with "Freq Scale" = 1, 1 V per kHz (f = 10000 p Hz). Voltage-indexed
// tables cover pitches of 0..10 V; negative pitches and the kHz scale use the formulas.
// A cutoff that comes out negative (a negative kHz pitch) or not a number counts as 0, so
// no filter ever computes coefficients from it outside its stable range.
//
// Denormals. A recursive state that decays towards 0 would end in denormal floats, which
// are very slow on x86. After each update the filter adds 1e-18 and subtracts it again:
// any magnitude far below 1e-18 becomes exactly 0, while audible values are unaffected.
// (The build never contracts or reassociates float arithmetic, so the pair is kept.)
#include <cmath>
#include <cstdint>

namespace kv::filters {

enum FreqScale : int16_t { kVoltPerOctave = 0, kVoltPerKhz = 1 };

inline float FlushDenormal(float x) {
  x += 1e-18f;
  x -= 1e-18f;
  return x;
}

// Cutoff in Hz for a pitch sample; 0 for negative or NaN results.
inline float CutoffHz(float pitch, int16_t freq_scale) {
  const float fc = freq_scale == kVoltPerKhz ? pitch * 10000.0f
                                             : 440.0f * std::exp2(10.0f * pitch - 5.0f);
  return fc > 0.0f ? fc : 0.0f;
}

// True when the table path applies: 1 V/octave and a pitch of 0 V or more.
inline bool UsesPitchTable(float pitch, int16_t freq_scale) {
  return freq_scale != kVoltPerKhz && pitch >= 0.0f;
}

}  // namespace kv::filters
