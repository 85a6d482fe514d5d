// Band-limited wavetable sets: their structure, limits and spectra.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/wavetable_set.h"

namespace kv::test {
namespace {

// Amplitude of sine harmonic h and its cosine part, by a direct DFT of the 512 samples.
struct Partial {
  double sine, cosine;
};
Partial Dft(const Uwavetable& t, int h) {
  double s = 0, c = 0;
  for (int j = 0; j < 512; ++j) {
    const double x = 2 * std::numbers::pi * h * j / 512.0;
    s += t.GetValue(j) * std::sin(x);
    c += t.GetValue(j) * std::cos(x);
  }
  return {s / 256.0, c / 256.0};
}

TEST(WavetableSet, HarmonicStepsRichestFirst) {
  const OscillatorWavetables& w = OscillatorWavetables::Get();
  EXPECT_EQ(&w, &OscillatorWavetables::Get());
  auto highest = [](const WavetableSet& s) {
    std::vector<int> h;
    for (int i = s.size() - 1; i >= 0; --i) h.push_back(s.highest_harmonic(i));
    return h;
  };
  const std::vector<int> saw = {1, 2, 4, 7, 11, 16, 24, 35, 50, 72, 103, 147, 209, 256};
  EXPECT_EQ(highest(w.smoothed_saw), saw);
  EXPECT_EQ(highest(w.plain_saw), saw);
  EXPECT_EQ(highest(w.triangle),
            (std::vector<int>{1, 3, 7, 11, 17, 25, 37, 55, 79, 113, 161, 229, 255}));
  EXPECT_EQ(w.sine.size(), 1);
  EXPECT_EQ(w.cosine.size(), 1);
}

TEST(WavetableSet, LimitsChainWithASemitoneOfHysteresis) {
  const OscillatorWavetables& w = OscillatorWavetables::Get();
  for (const WavetableSet* s : {&w.smoothed_saw, &w.plain_saw, &w.triangle, &w.sine}) {
    EXPECT_EQ(s->richest().lower, 0u);
    EXPECT_EQ(s->richest().next_richer, 0u);
    for (int i = 0; i < s->size(); ++i) {
      const Uwavetable& t = (*s)[i];
      // Alias-free: the highest harmonic at the upper limit stays 2^(-1/6) below Nyquist.
      EXPECT_LE(static_cast<double>(t.upper) * s->highest_harmonic(i),
                2147483648.0 * std::exp2(-1.0 / 6.0));
      EXPECT_GT((static_cast<double>(t.upper) + 1) * s->highest_harmonic(i),
                2147483648.0 * std::exp2(-1.0 / 6.0));
      if (i > 0) {
        EXPECT_EQ(t.next_richer, (*s)[i - 1].upper);
        EXPECT_EQ(t.lower, static_cast<uint32_t>((*s)[i - 1].upper * std::exp2(-1.0 / 12.0)));
        EXPECT_LT(t.lower, (*s)[i - 1].upper);
      }
      EXPECT_EQ(t.GetValue(512), t.GetValue(0));
      EXPECT_EQ(t.GetValue(513), t.GetValue(1));
    }
  }
  EXPECT_EQ(w.silent.upper, 0xFFFFFFFFu);
  EXPECT_EQ(w.silent.lower, w.sine.richest().upper);
  EXPECT_EQ(w.silent.next_richer, w.sine.richest().upper);
  for (int j = 0; j < 514; ++j) ASSERT_EQ(w.silent.GetValue(j), 0.0f);
}

// Plain saw: 0.32/k (falling ramp sign), nothing above the table's highest harmonic;
// triangle 0.405/k^2 on odd k with alternating signs; smoothing rolls the top off.
TEST(WavetableSet, SpectraFollowTheRecipes) {
  const OscillatorWavetables& w = OscillatorWavetables::Get();
  for (int i : {0, 5, 13}) {
    const Uwavetable& t = w.plain_saw[i];
    const int top = w.plain_saw.highest_harmonic(i);
    for (int h = 1; h <= 255; ++h) {
      const Partial p = Dft(t, h);
      const double want = h <= top ? -0.32 / h : 0.0;
      ASSERT_NEAR(p.sine, want, 1e-6) << "table " << i << " harmonic " << h;
      ASSERT_NEAR(p.cosine, 0.0, 1e-6);
    }
  }
  const Uwavetable& tri = w.triangle.richest();
  for (int h = 1; h <= 255; ++h) {
    const double want = h % 2 ? (((h - 1) / 2) % 2 ? -1.0 : 1.0) * 0.405 / (h * h) : 0.0;
    ASSERT_NEAR(Dft(tri, h).sine, want, 1e-6) << h;
  }
  // Smoothed: the fundamental keeps its level, the top harmonic nearly vanishes.
  const Uwavetable& sm = w.smoothed_saw.richest();
  EXPECT_NEAR(Dft(sm, 1).sine, -0.32, 1e-6);
  EXPECT_NEAR(Dft(sm, 255).sine,
              -0.32 / 255 * (0.54 + 0.46 * std::cos(254 * std::numbers::pi / 256)), 1e-6);
  EXPECT_NEAR(Dft(w.sine.richest(), 1).sine, 0.5, 1e-6);
  EXPECT_NEAR(Dft(w.cosine.richest(), 1).cosine, 0.5, 1e-6);
}

}  // namespace
}  // namespace kv::test
