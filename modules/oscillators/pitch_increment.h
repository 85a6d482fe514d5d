#pragma once
// Pitch to phase increment, the conversion every table oscillator makes per pitch change
// (per sample while the pitch streams). A phase of 2^32 is one cycle.
//
// 1 V/octave: V = 10 x pitch sample, split exactly into n = floor(V) and the fraction r
// (adding 1572864.0 = 1.5 x 2^20 as a double puts n + 2^19 in the high word and r x 2^32
// in the low word). The fraction indexes "osc pitch lookup" (the octave 8 V..9 V in 512
// steps) with 9 bits and interpolates with the other 23 in fixed point; the octave is then
// a shift: right by 8 - n below 8 V (0 when that exceeds 31), left by n - 8 above,
// saturating at 0xFFFFFFFF when bits would be lost. No transcendental function per call.
//
// 1 V/kHz: f = clamp(10000 x pitch, 0, sr/2), increment = trunc(f x 2^32 / sr + 0.5).
#include <bit>
#include <cstdint>

namespace kv {

enum FreqScale : int16_t { kVoltPerOctave = 0, kVoltPerKhz = 1 };

inline uint32_t OctavePitchToIncrement(float pitch, const uint32_t* table) {
  const double v = static_cast<double>(pitch) * 10.0;
  if (!(v > -524288.0)) return 0;  // NaN or far below audible
  if (!(v < 524287.0)) return 0xFFFFFFFFu;
  const uint64_t bits = std::bit_cast<uint64_t>(v + 1572864.0);
  const int n = static_cast<int>((bits >> 32) & 0xFFFFF) - 524288;
  const uint32_t r = static_cast<uint32_t>(bits);
  const uint32_t k = r >> 23;
  const uint64_t frac = r & 0x7FFFFFu;
  const uint32_t a = table[k];
  const uint32_t b = table[k + 1];
  const uint32_t inc = a + static_cast<uint32_t>((static_cast<uint64_t>(b - a) * frac) >> 23);
  if (n < 8) {
    const int s = 8 - n;
    return s > 31 ? 0u : inc >> s;
  }
  if (n > 8) {
    const int s = n - 8;
    if (s > 8 || (inc >> (32 - s)) != 0) return 0xFFFFFFFFu;
    return inc << s;
  }
  return inc;
}

inline uint32_t KhzPitchToIncrement(float pitch, float sample_rate) {
  double f = static_cast<double>(pitch) * 10000.0;
  const double nyquist = sample_rate * 0.5;
  if (!(f > 0.0)) f = 0.0;
  if (f > nyquist) f = nyquist;
  const double inc = f * 4294967296.0 / sample_rate + 0.5;
  return inc >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(inc);
}

inline uint32_t PitchToIncrement(float pitch, int16_t scale, const uint32_t* table,
                                 float sample_rate) {
  return scale == kVoltPerKhz ? KhzPitchToIncrement(pitch, sample_rate)
                              : OctavePitchToIncrement(pitch, table);
}

// Linear interpolation in a 512-sample cycle table with a guard entry: the top 9 bits of
// the phase pick the sample, the other 23 are the fraction.
inline float ReadWavetable(const float* t, uint32_t phase) {
  const uint32_t i = phase >> 23;
  const float f = static_cast<float>(phase & 0x7FFFFFu) * (1.0f / 8388608.0f);
  return t[i] + f * (t[i + 1] - t[i]);
}

}  // namespace kv
