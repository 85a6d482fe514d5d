#include "engine/lookup_catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

namespace kv {
namespace {

constexpr double kPi = std::numbers::pi;

// Fills a float table of `n` entries from f(i) unless it is already initialised.
template <typename F>
const ULookup* Filled(ULookup* t, int n, F f) {
  if (!t) return nullptr;
  if (!t->initialised) {
    t->SetSize(n);
    for (int i = 0; i < n; ++i) t->SetValue(i, static_cast<float>(f(i)));
    t->initialised = true;
  }
  return t;
}

}  // namespace

double PitchVoltsToHz(double volts) { return 440.0 * std::exp2(volts - 5.0); }
double PitchEntryHz(int i) { return PitchVoltsToHz(i * kVoltsPerEntry); }

const ULookup_Integer* OscPitchLookup(LookupTableRegistry& r, float sample_rate) {
  ULookup_Integer* t =
      r.CreateSharedLookupInteger(table_name::kOscPitch, LookupTableRegistry::RateKey(sample_rate));
  if (t && !t->initialised) {
    t->SetSize(kVoltTableSize);
    for (int i = 0; i < kVoltTableSize; ++i) {
      // Entry i stands for the octave 8..9 V: (i / 5120 + 0.8) x 10 V.
      const double hz = PitchVoltsToHz((i * (1.0 / 5120.0) + 0.8) * 10.0);
      // Phase increment of a 32-bit phase accumulator (one cycle = 2^32), rounded.
      const double inc = std::trunc(hz * 4294967296.0 / sample_rate + 0.5);
      t->SetValue(i, inc >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(inc));
    }
    t->initialised = true;
  }
  return t;
}

const ULookup* OnePoleLookup(LookupTableRegistry& r, float sr) {
  return Filled(r.CreateSharedLookup(table_name::kOnePole, LookupTableRegistry::RateKey(sr)),
                kVoltTableSize, [sr](int i) {
                  return std::exp(-2.0 * kPi * std::min(PitchEntryHz(i), 0.495 * sr) / sr);
                });
}

const ULookup* AllpassALookup(LookupTableRegistry& r) {
  return Filled(r.CreateSharedLookup(table_name::kAllpassA, LookupTableRegistry::kAnyRate),
                kVoltTableSize, [](int i) { return std::exp(-2.0 * kPi * i / 512.0); });
}

const ULookup* AllpassBLookup(LookupTableRegistry& r) {
  return Filled(r.CreateSharedLookup(table_name::kAllpassB, LookupTableRegistry::kAnyRate),
                kVoltTableSize, [](int i) { return 2.0 * std::cos(2.0 * kPi * i / 512.0); });
}

MoogLpLookups MoogLpLookup(LookupTableRegistry& r, float sr) {
  const int32_t key = LookupTableRegistry::RateKey(sr);
  ULookup* scale = r.CreateSharedLookup(table_name::kMoogScale, key);
  ULookup* kp = r.CreateSharedLookup(table_name::kMoogKp, key);
  if (scale && kp && !scale->initialised) {
    scale->SetSize(kVoltTableSize);
    kp->SetSize(kVoltTableSize);
    for (int i = 0; i < kVoltTableSize; ++i) {
      const double f = 2.0 * std::min(PitchEntryHz(i), sr / 2.0) / sr;
      const double k = 3.6 * f - 1.6 * f * f - 1.0;
      const double p = (k + 1.0) / 2.0;
      scale->SetValue(i, static_cast<float>(std::exp((1.0 - p) * 1.386249)));
      kp->SetValue(i, static_cast<float>(k));
    }
    scale->initialised = true;
    kp->initialised = true;
  }
  return {scale, kp};
}

const ULookup* SvCutoffLookup(LookupTableRegistry& r, float sr) {
  return Filled(r.CreateSharedLookup(table_name::kSvCutoff, LookupTableRegistry::RateKey(sr)),
                kVoltTableSize,
                [sr](int i) { return 2.0 * kPi * std::min(PitchEntryHz(i), sr / 2.0) / sr; });
}

const ULookup* SvResonanceLimitLookup(LookupTableRegistry& r) {
  return Filled(
      r.CreateSharedLookup(table_name::kSvResonanceLimit, LookupTableRegistry::kAnyRate),
      kVoltTableSize, [](int i) { return (0.000025 * i * i + 0.009 * i + 7.8) * 0.1; });
}

const ULookup* EqualPowerCurve(LookupTableRegistry& r) {
  return Filled(r.CreateSharedLookup(table_name::kEqualPower, LookupTableRegistry::kAnyRate),
                kVoltTableSize, [](int i) { return std::sqrt(i / 512.0); });
}

const ULookup* SinEqualPowerCurve(LookupTableRegistry& r) {
  return Filled(
      r.CreateSharedLookup(table_name::kSinEqualPower, LookupTableRegistry::kAnyRate),
      kVoltTableSize, [](int i) { return std::sin(i * kPi / 1024.0); });
}

const ULookup* DbCurve(LookupTableRegistry& r) {
  return Filled(r.CreateSharedLookup(table_name::kDbCurve, LookupTableRegistry::kAnyRate),
                kVoltTableSize, [](int i) {
                  const double l = i * 0.09765625 - 50.0;
                  const double lp = l >= -40.0 ? l : (l + 40.0) * 3.0 - 40.0;
                  return std::pow(10.0, lp * 0.1);
                });
}

const ULookup* TruncExpCurve(LookupTableRegistry& r) {
  return Filled(r.CreateSharedLookup(table_name::kTruncExp, LookupTableRegistry::kAnyRate),
                kVoltTableSize, [](int i) {
                  const double x = i / 512.0;
                  return 1.0 - (1.0 - std::exp(-3.0 * (1.0 - x))) / (1.0 - std::exp(-3.0));
                });
}

namespace {
std::string WaveShaperName(uint32_t id) {
  char name[48];
  std::snprintf(name, sizeof name, "ug_wave_shaper Curve %x", id);
  return name;
}
}  // namespace

ULookup* WaveShaperCurve(LookupTableRegistry& r, uint32_t module_id) {
  return r.CreateSharedLookup(WaveShaperName(module_id), LookupTableRegistry::kAnyRate);
}

void RemoveWaveShaperCurve(LookupTableRegistry& r, uint32_t module_id) {
  r.Remove(WaveShaperName(module_id));
}

const ULookup& SincInterpolationTable() {
  static const ULookup* const table = [] {
    auto* t = new ULookup;  // lives for the process: readers may hold it at any time
    t->SetSize(320);
    double e[265] = {};
    for (int r = 0; r < kSincPhases; ++r) {
      for (int tap = 0; tap < kSincTaps; ++tap) {
        const int b = r + 96 - 32 * tap;
        const double d = b / 32.0;
        const double w = std::cos(kPi * b / 256.0);
        e[8 * r + tap] = b == 0 ? 1.0 : w * w * std::sin(kPi * d) / (kPi * d);
      }
    }
    e[256] = 0.0;
    for (int tap = 1; tap < 8; ++tap) e[256 + tap] = e[tap - 1];
    e[260] = 1.0;
    e[264] = e[7];
    for (int row = 0; row <= kSincPhases; ++row) {
      double sum = 0.0;
      for (int tap = 0; tap < kSincTaps; ++tap) sum += e[8 * row + tap];
      for (int tap = 0; tap < kSincTaps; ++tap) e[8 * row + tap] /= sum;
    }
    for (int i = 0; i < 265; ++i) t->SetValue(i, static_cast<float>(e[i]));
    t->initialised = true;
    return t;
  }();
  return *table;
}

}  // namespace kv
