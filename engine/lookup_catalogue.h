#pragma once
// The named lookup tables shared by the module families, and the volts conventions they
// follow.
//
// Signal scale: a sample of 1.0 is 10 V; control inputs span 0..10 V, bipolar signals
// -5..+5 V. Pitch is 1 V per octave with 5 V at 440 Hz: f = 440 x 2^(V - 5); the
// alternative "1 Volt/kHz" scale is f = 1000 Hz x V.
//
// Each function below finds its table in the instance's registry (by the table's name)
// and fills it when it is not initialised for the requested key, so a module calls it
// while it opens and keeps the pointer for its inner loop. Voltage-indexed tables have
// 514 entries read with ULookup::InterpolatedLookup; entry i stands for i x 10/512 V.
#include <cstdint>

#include "engine/lookup_table.h"
#include "engine/lookup_table_registry.h"

namespace kv {

constexpr int kVoltTableSize = 514;
constexpr double kVoltsPerEntry = 10.0 / 512.0;  // 0.01953125

// f = 440 x 2^(volts - 5).
double PitchVoltsToHz(double volts);
// The pitch an entry of a voltage-indexed table stands for: 440 x 2^(i x 10/512 - 5).
double PitchEntryHz(int i);

// Table names, exactly as modules request them.
namespace table_name {
inline constexpr const char* kOscPitch = "osc pitch lookup";
inline constexpr const char* kOnePole = "1 pole l";
inline constexpr const char* kAllpassA = "ug_filter_allpass A";
inline constexpr const char* kAllpassB = "ug_filter_allpass B";
inline constexpr const char* kMoogScale = "Moog LP Scale";
inline constexpr const char* kMoogKp = "Moog LP kp";
inline constexpr const char* kSvCutoff = "ug_filter_sv Cutoff";
inline constexpr const char* kSvResonanceLimit = "ug_filter_sv Resonance Limit";
inline constexpr const char* kEqualPower = "Equal Power Curve";
inline constexpr const char* kSinEqualPower = "Sin Equal Power Curve";
inline constexpr const char* kDbCurve = "db Curve";
inline constexpr const char* kTruncExp = "UVCA Trunc Exp Curve";
inline constexpr const char* kSinc = "Sine-C Interpolation";
}  // namespace table_name

// "osc pitch lookup" (integer, keyed by rate): the top octave 8 V..9 V in 512 steps as
// 32-bit phase increments, trunc(f x 2^32 / sr + 0.5) with f = 440 x 2^(8 + i/512 - 5).
const ULookup_Integer* OscPitchLookup(LookupTableRegistry& r, float sample_rate);
// "1 pole l" (rate): exp(-2 pi min(f_i, 0.495 sr) / sr).
const ULookup* OnePoleLookup(LookupTableRegistry& r, float sample_rate);
// "ug_filter_allpass A": exp(-2 pi x); "ug_filter_allpass B": 2 cos(2 pi x); x = i/512.
const ULookup* AllpassALookup(LookupTableRegistry& r);
const ULookup* AllpassBLookup(LookupTableRegistry& r);
// "Moog LP Scale" and "Moog LP kp" (rate), requested and filled together, Scale first:
// f = 2 min(f_i, sr/2)/sr, kp = 3.6 f - 1.6 f^2 - 1, p = (kp + 1)/2,
// Scale = exp((1 - p) x 1.386249).
struct MoogLpLookups {
  const ULookup* scale;
  const ULookup* kp;
};
MoogLpLookups MoogLpLookup(LookupTableRegistry& r, float sample_rate);
// "ug_filter_sv Cutoff" (rate): 2 pi min(f_i, sr/2) / sr.
const ULookup* SvCutoffLookup(LookupTableRegistry& r, float sample_rate);
// "ug_filter_sv Resonance Limit": (0.000025 i^2 + 0.009 i + 7.8) x 0.1.
const ULookup* SvResonanceLimitLookup(LookupTableRegistry& r);
// Gain and pan laws: "Equal Power Curve" sqrt(x); "Sin Equal Power Curve" sin(i pi/1024);
// "db Curve" 10^(L'/10) with L = i x 0.09765625 - 50 (0 dB at i = 512), L' = L down to
// -40 and three times as steep below; "UVCA Trunc Exp Curve"
// 1 - (1 - exp(-3(1 - x))) / (1 - exp(-3)).
const ULookup* EqualPowerCurve(LookupTableRegistry& r);
const ULookup* SinEqualPowerCurve(LookupTableRegistry& r);
const ULookup* DbCurve(LookupTableRegistry& r);
const ULookup* TruncExpCurve(LookupTableRegistry& r);

// The wave shaper's own curve, named by a stable id of the module (never by an address),
// so all voices of one module share it. The module fills it from its formula while the
// table is uninitialised and removes it (RemoveWaveShaperCurve) when it goes away.
ULookup* WaveShaperCurve(LookupTableRegistry& r, uint32_t module_id);
void RemoveWaveShaperCurve(LookupTableRegistry& r, uint32_t module_id);

// "Sine-C Interpolation": the 8-tap windowed-sinc kernel in 32 fractional phases plus one
// extra phase (phase 0 moved by one tap), each row normalised to a DC gain of 1. Entry
// [8r + t] is tap t of phase r. Immutable and shared by every instance of the process;
// built once on first use (thread-safe).
const ULookup& SincInterpolationTable();
constexpr int kSincTaps = 8;
constexpr int kSincPhases = 32;

}  // namespace kv
