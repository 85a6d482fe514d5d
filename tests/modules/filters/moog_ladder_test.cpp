// The Moog Filter at large signals and moving controls, against the ladder written stage
// by stage in double precision: the expanded update, the limiter and its sign-flip rule,
// the per-sample coefficients (tables, octave formula, kHz formula and their mixture
// within one group of samples) must all agree with it to float rounding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "engine/lookup_catalogue.h"
#include "modules/filters/filter_support.h"
#include "modules/filters/moog_filter.h"
#include "tests/modules/filters/filter_rig.h"

namespace kv::test {
namespace {

// One sample of the ladder exactly as the stages define it.
struct StageByStage {
  double Step(double in, float pitch, float res) {
    double kp, scale;
    if (freq_scale == filters::kVoltPerOctave && pitch >= 0.0f) {
      kp = tables.kp->InterpolatedLookup(pitch);
      scale = tables.scale->InterpolatedLookup(pitch);
    } else {
      double fc = freq_scale == filters::kVoltPerKhz ? pitch * 10000.0
                                                     : 440.0 * std::exp2(10.0 * pitch - 5.0);
      fc = std::min(fc > 0.0 ? fc : 0.0, 0.495 * sr);
      const double f = 2.0 * fc / sr;
      kp = 3.6 * f - 1.6 * f * f - 1.0;
      scale = std::exp((1.0 - (kp + 1.0) / 2.0) * 1.386249);
    }
    const double p = (kp + 1.0) / 2.0, r = res * scale;
    const double x = in - r * y4;
    const double s1 = (x + x_prev) * p - kp * y1;
    const double s2 = (s1 + y1) * p - kp * y2;
    const double s3 = (s2 + y2) * p - kp * y3;
    const double s4 = (s3 + y3) * p - kp * y4;
    double limited = s4 - s4 * s4 * s4 / 6.0;
    if ((s4 > 0.0 && limited < 0.0) || (s4 < 0.0 && limited > 0.0)) limited = 0.0;
    x_prev = x, y1 = s1, y2 = s2, y3 = s3, y4 = limited;
    return y4;
  }
  double sr;
  int16_t freq_scale;
  MoogLpLookups tables;
  double x_prev = 0, y1 = 0, y2 = 0, y3 = 0, y4 = 0;
};

struct LadderCase {
  const char* name;
  float sr;
  int16_t freq_scale;
  std::function<float(int64_t)> pitch;  // streams
  float res;
  float amplitude;  // of a saw with a little noise
  double tolerance;  // of the largest difference, relative to the larger of peak and input
};

float Saw(int64_t t, float amplitude) {
  const float phase = static_cast<float>(t % 109) / 109.0f;
  uint32_t n = static_cast<uint32_t>(t) * 2654435761u;
  n ^= n >> 15;
  return amplitude * (2.0f * phase - 1.0f + 0.05f * (static_cast<float>(n & 0xFFFF) / 65536.0f));
}

// An envelope-like sweep: a fast rise, an exponential fall, again every 6000 samples.
float Envelope(int64_t t) {
  const int64_t u = t % 6000;
  return u < 200 ? u / 200.0f : std::exp(-(u - 200) / 1500.0f);
}

class MoogLadder : public ::testing::TestWithParam<LadderCase> {};

TEST_P(MoogLadder, MatchesStageByStageLadder) {
  const LadderCase c = GetParam();
  FilterRig<ug_filter_biquad> rig(c.sr, 100);
  rig.f->freq_scale = c.freq_scale;
  const float amplitude = c.amplitude;
  rig.Feed(ug_filter_biquad::kSignal, AddClip(rig.e, [=](int64_t t) { return Saw(t, amplitude); }));
  rig.Feed(ug_filter_biquad::kPitch, AddClip(rig.e, c.pitch));
  rig.Static(ug_filter_biquad::kResonance, c.res);
  Recorder* out = rig.Record(ug_filter_biquad::kOutput);
  const int n = 20000;
  rig.Run(n, {100, 7, 128, 1, 64});

  StageByStage ref{c.sr, c.freq_scale, MoogLpLookup(rig.e.master.lookup_tables(), c.sr)};
  double peak = 0.0, worst = 0.0;
  for (int t = 0; t < n; ++t) {
    const double want = ref.Step(Saw(t, amplitude), c.pitch(t), c.res);
    peak = std::max(peak, std::fabs(want));
    worst = std::max(worst, std::fabs(want - out->samples[t]));
  }
  EXPECT_GT(peak, 1e-3) << c.name;
  const double scale = std::max(peak, static_cast<double>(amplitude));
  EXPECT_LT(worst, c.tolerance * scale) << c.name << ": worst " << worst << " of " << scale;
  EXPECT_TRUE(AllFinite(out->samples)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoogLadder,
    ::testing::Values(
        // 200 + 4000 x envelope Hz in 1 V/kHz, as a voice plays it.
        LadderCase{"khz_envelope_sweep", 48000, filters::kVoltPerKhz,
                   [](int64_t t) { return 0.02f + 0.4f * Envelope(t); }, 0.3f, 1.0f, 1e-6},
        // Table pitches with strong resonance and the limiter working hard.
        LadderCase{"table_sweep_loud", 44100, filters::kVoltPerOctave,
                   [](int64_t t) { return 0.6f + 0.25f * std::sin(t * 0.001f); }, 0.6f, 2.0f,
                   1e-6},
        // Pitches crossing 0 V: table and octave-formula samples within one group.
        LadderCase{"pitch_crossing_zero", 96000, filters::kVoltPerOctave,
                   [](int64_t t) { return 0.05f * std::sin(t * 0.0137f); }, 0.4f, 1.0f, 1e-6},
        // Inputs far beyond the limiter's turning point: sign flips to 0 every cycle
        // (the limiter's slope of -2 at the flip doubles rounding differences there).
        LadderCase{"sign_flips", 44100, filters::kVoltPerKhz,
                   [](int64_t t) { return 0.8f + 0.1f * std::sin(t * 0.01f); }, 0.0f, 6.0f,
                   1e-5},
        // Negative kHz pitches count as 0 Hz.
        LadderCase{"negative_khz", 48000, filters::kVoltPerKhz,
                   [](int64_t t) { return 0.2f * std::sin(t * 0.002f); }, 0.5f, 1.0f, 1e-6}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::test
