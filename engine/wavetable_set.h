#pragma once
// Band-limited wavetable sets of the oscillators.
//
// A set is a list of one-cycle tables ordered from the richest (most harmonics, index 0)
// to the poorest (the last, a single harmonic). Each table is made from the first
// harmonics of a recipe, stepping by half an octave of its highest harmonic h, and plays
// while the phase increment stays at or below trunc(2^31 / h x 2^(-1/6)): its highest
// harmonic then lies at least two semitones below half the sample rate, whatever the rate.
// An oscillator walks the set by increment (see Uwavetable's limits); above the poorest
// table's limit it plays the silent table.
//
// The limits are phase increments, so a set's contents do not depend on the sample rate:
// one immutable set serves every rate and every plug-in instance of the process. They
// are built once on first use (thread-safe) and never freed, so no instance can see a
// set disappear while it plays.
//
// Builder: amplitudes are scaled by s x 0.5 (a full-scale wave peaks near 0.5, i.e. 5 V);
// starting at harmonic index m = 0, the table takes harmonics m..idx where idx advances
// while the next harmonic number is below sqrt(2) x h[m]; then m = idx + 1. With smoothing
// the amplitudes are rolled off with w[k] = a[k] (0.54 + 0.46 cos((h[k] - 1) pi / (idx + 1)))
// so the waves show no Gibbs ringing. Saw tables thus hold 1, 2, 4, 7, 11, 16, 24, 35, 50,
// 72, 103, 147, 209 and 256 harmonics (14 tables); triangle 1, 3, 7, ... 229, 255 (13).
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/lookup_table.h"

namespace kv {

constexpr int kWavetableLength = 512;  // samples per cycle, plus two guard entries

struct HarmonicRecipe {
  std::vector<int> harmonic;      // harmonic numbers, ascending
  std::vector<double> amplitude;  // one per harmonic
  double scale = 1.0;
  bool cosine = false;  // read harmonics as cosines (the phase-distortion carrier)
};

HarmonicRecipe SineRecipe();      // h = 1, a = 1, s = 1
HarmonicRecipe SawRecipe();       // h = k (1..256), a = -1/k, s = 0.64
HarmonicRecipe TriangleRecipe();  // h = 2k + 1 (k = 0..127), a = (-1)^k/(2k + 1)^2, s = 0.81
HarmonicRecipe CosineRecipe();    // h = 1, a = 1 as a cosine

// trunc(2^31 / h x 2^(-1/6)): the largest increment at which harmonic h stays alias-free.
uint32_t AliasFreeIncrementLimit(int highest_harmonic);

class WavetableSet {
 public:
  WavetableSet() = default;
  WavetableSet(const HarmonicRecipe& recipe, bool smoothing);

  int size() const { return static_cast<int>(tables_.size()); }
  bool empty() const { return tables_.empty(); }
  const Uwavetable& operator[](int i) const { return *tables_[i]; }
  const Uwavetable& richest() const { return *tables_.front(); }
  const Uwavetable& poorest() const { return *tables_.back(); }
  // The highest harmonic number table i holds.
  int highest_harmonic(int i) const { return highest_[i]; }

 private:
  std::vector<std::unique_ptr<Uwavetable>> tables_;
  std::vector<int> highest_;
};

// The sets every oscillator of the process shares.
struct OscillatorWavetables {
  WavetableSet sine;          // one table
  WavetableSet smoothed_saw;  // "Smooth Peaks" on: Saw, Ramp and Pulse
  WavetableSet plain_saw;     // "Smooth Peaks" off
  WavetableSet triangle;      // no smoothing
  WavetableSet cosine;        // one table, the phase-distortion carrier
  // 514 zeros; lower and next-richer limits at the sine table's upper limit, upper
  // limit 0xFFFFFFFF: what an oscillator plays above the poorest table's limit.
  Uwavetable silent;

  // Built on the first call (thread-safe), immutable afterwards, kept while the library is loaded.
  static const OscillatorWavetables& Get();
};

}  // namespace kv
