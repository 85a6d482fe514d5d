#include "engine/wavetable_set.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kv {

HarmonicRecipe SineRecipe() { return {{1}, {1.0}, 1.0, false}; }

HarmonicRecipe SawRecipe() {
  HarmonicRecipe r;
  for (int k = 1; k <= 256; ++k) {
    r.harmonic.push_back(k);
    r.amplitude.push_back(-1.0 / k);
  }
  r.scale = 0.64;
  return r;
}

HarmonicRecipe TriangleRecipe() {
  HarmonicRecipe r;
  for (int k = 0; k <= 127; ++k) {
    const int h = 2 * k + 1;
    r.harmonic.push_back(h);
    r.amplitude.push_back((k % 2 ? -1.0 : 1.0) / (static_cast<double>(h) * h));
  }
  r.scale = 0.81;
  return r;
}

HarmonicRecipe CosineRecipe() { return {{1}, {1.0}, 1.0, true}; }

uint32_t AliasFreeIncrementLimit(int h) {
  return static_cast<uint32_t>(std::trunc(2147483648.0 / h * std::exp2(-1.0 / 6.0)));
}

WavetableSet::WavetableSet(const HarmonicRecipe& recipe, bool smoothing) {
  const int count = static_cast<int>(recipe.harmonic.size());
  std::vector<double> a(recipe.amplitude);
  for (double& x : a) x *= recipe.scale * 0.5;

  // Built poorest first; each new table goes in front.
  std::vector<std::unique_ptr<Uwavetable>> built;
  std::vector<int> highest;
  const double sqrt2 = std::numbers::sqrt2;
  int m = 0;
  while (m < count) {
    int idx = m;
    while (idx < count - 1 && recipe.harmonic[idx + 1] < sqrt2 * recipe.harmonic[m]) ++idx;
    auto t = std::make_unique<Uwavetable>();
    t->SetSize(kWavetableLength + 2);
    t->upper = AliasFreeIncrementLimit(recipe.harmonic[idx]);
    if (!built.empty()) {
      Uwavetable& poorer = *built.back();
      poorer.next_richer = t->upper;
      poorer.lower = static_cast<uint32_t>(std::trunc(t->upper * std::exp2(-1.0 / 12.0)));
    }
    std::vector<double> w(idx + 1);
    for (int k = 0; k <= idx; ++k) {
      w[k] = a[k];
      if (smoothing)
        w[k] *= 0.54 + 0.46 * std::cos((recipe.harmonic[k] - 1) * std::numbers::pi / (idx + 1));
    }
    for (int j = 0; j < kWavetableLength + 2; ++j) {
      const double x = (j % kWavetableLength) * 2.0 * std::numbers::pi / kWavetableLength;
      double sum = 0.0;
      for (int k = 0; k <= idx; ++k) {
        const double arg = x * recipe.harmonic[k];
        sum += w[k] * (recipe.cosine ? std::cos(arg) : std::sin(arg));
      }
      t->SetValue(j, static_cast<float>(sum));
    }
    t->initialised = true;
    built.push_back(std::move(t));
    highest.push_back(recipe.harmonic[idx]);
    m = idx + 1;
  }
  if (!built.empty()) {
    built.back()->lower = 0;
    built.back()->next_richer = 0;
  }
  std::reverse(built.begin(), built.end());
  std::reverse(highest.begin(), highest.end());
  tables_ = std::move(built);
  highest_ = std::move(highest);
}

const OscillatorWavetables& OscillatorWavetables::Get() {
  // One immutable copy for the library's life: every instance plays it. It is a static
  // object rather than a leaked pointer so that it goes when the host unloads the library
  // (no instance can exist then) instead of staying behind as unreachable memory.
  static const OscillatorWavetables sets = [] {
    OscillatorWavetables s;
    s.sine = WavetableSet(SineRecipe(), true);
    s.smoothed_saw = WavetableSet(SawRecipe(), true);
    s.plain_saw = WavetableSet(SawRecipe(), false);
    s.triangle = WavetableSet(TriangleRecipe(), false);
    s.cosine = WavetableSet(CosineRecipe(), false);
    s.silent.SetSize(kWavetableLength + 2);
    s.silent.initialised = true;
    s.silent.lower = s.sine.richest().upper;
    s.silent.next_richer = s.sine.richest().upper;
    s.silent.upper = 0xFFFFFFFFu;
    return s;
  }();
  return sets;
}

}  // namespace kv
