#pragma once
// Gain laws of the amplifiers and panners, as formulas (used for static controls and
// above 10 V) and as the shared tables that inner loops interpolate for 0..10 V.
//
//   Decibel      r = max(v, 0), L = 5 r - 5, three times as steep below L = -4;
//                gain = 10^L: 10 V -> 1, 2 V -> 1e-4, 0 V -> 1e-7 ("db Curve").
//   Exponential  gain = 1 - (1 - exp(-3 (1 - r))) / (1 - exp(-3)) ("UVCA Trunc Exp Curve").
//   Linear       gain = r.
//
// Fade laws for a position a in [0, 1] (a = clamp(0.5 - p, 0, 1) for a Pan or Mix sample
// p, so -5 V gives 1 and +5 V gives 0):
//   0 Equal Intensity (0dB)   a
//   1 Equal Power(+3dB)       sin(a pi / 2)  ("Sin Equal Power Curve")
//   2 Sqr Root                sqrt(a)        ("Equal Power Curve")
#include <cmath>
#include <cstdint>

#include "engine/lookup_table.h"
#include "engine/lookup_table_registry.h"

namespace kv::amplifiers {

enum ResponseCurve : int16_t { kDecibel = 0, kExponential = 1, kLinear = 2 };
enum FadeLaw : int16_t { kEqualIntensity = 0, kEqualPower = 1, kSqrRoot = 2 };

inline constexpr const char* kFadeLawList = "Equal Intensity (0dB), Equal Power(+3dB), Sqr Root";
inline constexpr const char* kFadeLawHelp = "Chooses different cross fade laws";

inline float Positive(float v) { return v > 0.0f ? v : 0.0f; }  // NaN gives 0

inline float DecibelGain(float v) {
  const float r = Positive(v);
  float l = 5.0f * r - 5.0f;
  if (l < -4.0f) l = (l + 4.0f) * 3.0f - 4.0f;
  return std::pow(10.0f, l);
}

inline float ExponentialGain(float v) {
  const float r = Positive(v);
  return 1.0f - (1.0f - std::exp(-3.0f * (1.0f - r))) / (1.0f - std::exp(-3.0f));
}

inline float CurveGain(float v, int16_t curve) {
  switch (curve) {
    case kDecibel: return DecibelGain(v);
    case kExponential: return ExponentialGain(v);
    default: return Positive(v);
  }
}

// Position on a fade: 1 at -5 V, 0 at +5 V; NaN gives 0.
inline float FadePosition(float p) {
  float a = 0.5f - p;
  if (!(a > 0.0f)) a = 0.0f;
  if (a > 1.0f) a = 1.0f;
  return a;
}

// The fade-law tables a panner or cross-fader reads.
struct FadeTables {
  const ULookup* sin_equal_power = nullptr;
  const ULookup* equal_power = nullptr;
  const ULookup* db = nullptr;
  void Obtain(LookupTableRegistry& r);
  // Gain of one side at position a (0..1) under `law`.
  float Side(float a, int16_t law) const {
    switch (law) {
      case kEqualIntensity: return a;
      case kSqrRoot: return equal_power->InterpolatedLookup(a);
      default: return sin_equal_power->InterpolatedLookup(a);
    }
  }
  // Volume gain on the decibel curve: the table up to 10 V, the formula above.
  float Volume(float v) const { return v > 1.0f ? DecibelGain(v) : db->InterpolatedLookup(v); }
};

}  // namespace kv::amplifiers
