#include <gtest/gtest.h>

#include <cmath>

#include "modules/oscillators/phase_dist_oscillator.h"
#include "tests/modules/oscillators/spectrum.h"
#include "tests/support/signal_rig.h"

namespace kv::test {
namespace {
constexpr float P(double volts) { return static_cast<float>(volts / 10.0); }

using Pd = ug_oscillator_pd;

struct PdRig {
  explicit PdRig(float rate = 48000.0f) : e(512, rate) {
    osc = e.Add<Pd>(10);
    rec = e.Add<Recorder>(0);
    Wire(osc, Pd::kAudioOut, rec, 0);
  }
  const std::vector<float>& Render(float pitch, float depth, int64_t n) {
    Wire(Constant(e, pitch), 0, osc, Pd::kPitch);
    Wire(Constant(e, depth), 0, osc, Pd::kModDepth);
    e.Start();
    RunCalls(e, n, {512});
    return rec->samples;
  }
  Engine e;
  Pd* osc;
  Recorder* rec;
};

// Harmonic amplitudes (re the fundamental) of a steady tone, from its spectrum.
std::vector<double> Harmonics(const std::vector<float>& y, double sr, double f0, int count) {
  const std::size_t n = 32768;
  const auto m = Spectrum(y, y.size() - n, n);
  std::vector<double> h;
  for (int k = 1; k <= count; ++k) {
    const std::size_t b = static_cast<std::size_t>(std::lround(k * f0 * n / sr));
    double peak = 0;
    for (std::size_t i = b - 3; i <= b + 3; ++i) peak = std::max(peak, m[i]);
    h.push_back(peak);
  }
  return h;
}

TEST(PhaseDistOscillator, WithoutDepthEveryPlainWaveIsACosineAtThePitch) {
  for (int16_t wave : {Pd::kSaw, Pd::kSquare, Pd::kPulse, Pd::kSawPulse}) {
    PdRig r;
    r.osc->wave1 = wave;
    r.osc->wave2 = Pd::kNone;
    const auto& y = r.Render(0.5f, 0.0f, 48000);
    EXPECT_NEAR(PeakFrequency(y, 8192, 32768, 48000, 440.0, 2.0), 440.0, 0.003);
    const auto h = Harmonics(y, 48000, 440.0, 4);
    float peak = 0;
    for (std::size_t n = 24000; n < y.size(); ++n) peak = std::max(peak, std::abs(y[n]));
    EXPECT_NEAR(peak, 0.5, 0.01) << wave;
    EXPECT_LT(Db(h[1] / h[0]), -60.0) << wave;
    EXPECT_LT(Db(h[2] / h[0]), -60.0) << wave;
  }
}

TEST(PhaseDistOscillator, DepthBendsTheCosineTowardsItsWave) {
  // At full depth the saw curve squeezes half the cosine into a short segment: strong
  // upper harmonics. The square's curve is symmetric: odd harmonics only.
  PdRig saw;
  saw.osc->wave1 = Pd::kSaw;
  saw.osc->wave2 = Pd::kNone;
  const auto hs = Harmonics(saw.Render(P(3.0), 0.97f, 48000), 48000, 110.0, 6);
  EXPECT_GT(Db(hs[1] / hs[0]), -10.0);
  EXPECT_GT(Db(hs[3] / hs[0]), -20.0);
  PdRig sq;
  sq.osc->wave1 = Pd::kSquare;
  sq.osc->wave2 = Pd::kNone;
  const auto hq = Harmonics(sq.Render(P(3.0), 0.97f, 48000), 48000, 110.0, 6);
  EXPECT_GT(Db(hq[2] / hq[0]), -20.0);
  EXPECT_LT(Db(hq[1] / hq[0]), -40.0);  // a symmetric curve: no even harmonics
}

TEST(PhaseDistOscillator, WaveTwoNonePlaysWaveOneEveryCycleAndOtherwiseAlternates) {
  auto render = [](int16_t w1, int16_t w2) {
    PdRig r;
    r.osc->wave1 = w1;
    r.osc->wave2 = w2;
    return r.Render(P(5.0), 0.6f, 8000);
  };
  const auto none = render(Pd::kSaw, Pd::kNone);
  EXPECT_EQ(none, render(Pd::kSaw, Pd::kSaw));
  // Saw then Reso2: the 440 Hz tone (about 109.1 samples per cycle) repeats only every
  // second cycle.
  const auto alt = render(Pd::kSaw, Pd::kReso2);
  EXPECT_NE(alt, none);
  double diff1 = 0, diff2 = 0;
  for (int n = 4000; n < 4000 + 1000; ++n) {
    diff1 += std::abs(alt[n] - alt[n + 109]);
    diff2 += std::abs(alt[n] - alt[n + 218]);
  }
  EXPECT_GT(diff1, 5 * diff2);
}

TEST(PhaseDistOscillator, SilentAboveTheCosineTableLimit) {
  PdRig r;
  const auto& y = r.Render(P(5.0 + std::log2(22000.0 / 440.0)), 0.5f, 1024);
  EXPECT_TRUE(r.osc->silent());
  for (float v : y) ASSERT_EQ(v, 0.0f);
}

}  // namespace
}  // namespace kv::test
