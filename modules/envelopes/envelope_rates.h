#pragma once
// Rates of envelope segments.
//
// A rate voltage x (sample units, 1.0 = 10 V) sets the time a full-scale level change
// (1.0, 10 V) takes: T = 2^(10x - 20/3) seconds, so 0 V is about 9.8 ms, 5 V about 0.315 s
// and 10 V about 10.08 s. The level moves linearly by 1 / (T x sample rate) per sample.
#include <cmath>
#include <cstdint>
#include <limits>

namespace kv::envelopes {

// Level change per sample (always >= 0). A NaN rate counts as the fastest possible (the
// segment ends at once); a rate too slow for a float gives 0 (the level stays).
inline float RateToSlope(float rate, float inv_sample_rate) {
  const float s = std::exp2(6.6666665f - 10.0f * rate) * inv_sample_rate;
  return s >= 0.0f ? s : std::numeric_limits<float>::infinity();
}

// Samples a ramp of `distance` (>= 0) at `slope` (> 0 or 0) lasts: trunc(distance / slope),
// at least 1. Zero distance, or an infinite slope, lasts one sample; a ramp that would
// never arrive (slope 0) or takes more than 2^31 - 1 samples is held at that count.
inline int32_t RampSamples(float distance, float slope) {
  const float q = distance / slope;
  if (!(q >= 1.0f)) return 1;  // also NaN: 0 / 0
  if (q >= 2147483520.0f) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(q);
}

}  // namespace kv::envelopes
