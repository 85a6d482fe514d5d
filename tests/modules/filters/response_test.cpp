// Magnitude (and for the all-pass, complex) responses of the state-variable filter, the
// ladder, the all-pass and the peaking equaliser, measured from impulse responses through
// the engine against the transfer functions of their coefficients computed here in double
// from the formulas; the equaliser also against sox.
#include <gtest/gtest.h>

#include "modules/filters/allpass_filter.h"
#include "modules/filters/moog_filter.h"
#include "modules/filters/parametric_eq.h"
#include "modules/filters/state_variable_filter.h"
#include "tests/modules/filters/filter_rig.h"

namespace kv::test {
namespace {

using cd = std::complex<double>;
constexpr double kPi = std::numbers::pi;

double PitchHz(float p, int16_t scale) {
  return scale == 1 ? p * 10000.0 : 440.0 * std::exp2(10.0 * p - 5.0);
}

// Impulse response of plug `out` with static Pitch, Resonance (and Boost/Cut for the EQ).
template <typename F>
std::vector<float> Impulse(float sr, float amp, float pitch, float res, int16_t scale, int out,
                           int n, float boost = 0.0f) {
  FilterRig<F> r(sr);
  r.f->freq_scale = scale;
  r.Feed(0, AddClip(r.e, [amp](int64_t t) { return t == 0 ? amp : 0.0f; }));
  r.Static(1, pitch);
  r.Static(2, res);
  if constexpr (std::is_same_v<F, ug_filter_eq_parametric>) r.Static(F::kBoostCut, boost);
  Recorder* rec = r.Record(out);
  r.Run(n);
  return rec->samples;
}

// ---- state-variable ----------------------------------------------------------------------

struct SvCase {
  const char* name;
  float sr;
  float pitch;
  float res;
  int16_t scale;
};

class SvResponse : public ::testing::TestWithParam<SvCase> {};

// H(z) from the update equations; D = (1 - z^-1)^2 + q f z^-1 (1 - z^-1) + f^2 z^-1:
// low f^2 z^-1 / D, band f (1 - z^-1) / D, high (1 - z^-1)^2 / D, reject high + low.
TEST_P(SvResponse, AllFourOutputsMatchTransferFunction) {
  const SvCase c = GetParam();
  const double fc = PitchHz(c.pitch, c.scale);
  double f = 2.0 * kPi * std::min(fc, c.sr / 2.0) / c.sr;
  const double clamped = std::clamp<double>(c.res, 0.0, 0.9992);
  const int li = static_cast<int>(static_cast<float>(clamped) * 512.0f);
  f = std::min(f, (0.000025 * li * li + 0.009 * li + 7.8) * 0.1);
  const double q = c.res > 0 ? 2.0 - 2.0 * std::min<double>(c.res, 0.9992) : 2.0;
  const float amp = 0.01f;
  const int plugs[] = {ug_filter_sv::kLowPass, ug_filter_sv::kHiPass, ug_filter_sv::kBandPass,
                       ug_filter_sv::kBandReject};
  for (int k = 0; k < 4; ++k) {
    const auto h = Impulse<ug_filter_sv>(c.sr, amp, c.pitch, c.res, c.scale, plugs[k], 1 << 16);
    auto H = [&](double hz) {
      const cd z1 = ZInv(hz, c.sr), d1 = 1.0 - z1;
      const cd D = d1 * d1 + q * f * z1 * d1 + f * f * z1;
      const cd lo = f * f * z1 / D, hi = d1 * d1 / D;
      return k == 0 ? lo : k == 1 ? hi : k == 2 ? f * d1 / D : hi + lo;
    };
    EXPECT_LT(WorstDbError(h, amp, c.sr, H), 0.002) << c.name << " output " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SvResponse,
    ::testing::Values(SvCase{"table_5V_res_0", 44100, 256 / 512.0f, 0.0f, 0},
                      SvCase{"table_7V_res_5V", 48000, 358 / 512.0f, 0.5f, 0},
                      SvCase{"khz_2k_res_8V", 48000, 0.2f, 0.8f, 1},
                      SvCase{"negative_pitch", 44100, -0.05f, 0.3f, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SvFilter, ResonanceAndPitchEdgeCases) {
  Engine e(512, 44100);
  auto* f = e.Add<ug_filter_sv>(10);
  e.Start();
  EXPECT_FLOAT_EQ(ug_filter_sv::Damping(1.0f), 2.0f - 2.0f * 0.9992f);  // 10 V: 0.0016
  EXPECT_NEAR(f->ResonanceLimit(1.0f), 1.8927, 1e-4);                   // entry 511
  EXPECT_EQ(ug_filter_sv::Damping(-0.2f), 2.0f);
  EXPECT_EQ(ug_filter_sv::Damping(std::nanf("")), 2.0f);
  EXPECT_NEAR(f->Cutoff(0.5f), 2 * kPi * 440 / 44100, 1e-7);  // 5 V
  EXPECT_EQ(f->Cutoff(1.7f), f->Cutoff(1.0f));                 // above 10 V: entry 512
  f->freq_scale = 1;
  EXPECT_EQ(f->Cutoff(-0.5f), 0.00001f);  // negative kHz: the floor, never negative
}

// With only "Low Pass" connected the other outputs are never written.
TEST(SvFilter, OnlyLowPassConnectedLeavesOtherOutputsUnwritten) {
  FilterRig<ug_filter_sv> r(44100);
  r.Feed(0, AddClip(r.e, [](int64_t t) { return 0.3f * std::sin(t * 0.1f); }));
  r.Static(ug_filter_sv::kPitch, 0.5f);
  Recorder* lp = r.Record(ug_filter_sv::kLowPass);
  r.Run(2000);
  EXPECT_EQ(r.f->outputs(), ug_filter_sv::kLowOnly);
  for (int o : {ug_filter_sv::kHiPass, ug_filter_sv::kBandPass, ug_filter_sv::kBandReject}) {
    const float* b = r.f->plugs[o]->samples();
    EXPECT_TRUE(std::all_of(b, b + r.e.master.block_size(), [](float v) { return v == 0.0f; }));
  }
  EXPECT_GT(*std::max_element(lp->samples.begin(), lp->samples.end()), 0.1f);
}

// ---- ladder ------------------------------------------------------------------------------

struct MoogCase {
  const char* name;
  float sr;
  float pitch;
  float res;
  int16_t scale;
};

class MoogResponse : public ::testing::TestWithParam<MoogCase> {};

// At small amplitude the limiter is inert: H = G^4 / (1 + r z^-1 G^4),
// G = p (1 + z^-1) / (1 + kp z^-1); within 0.005 dB from 20 Hz to 20 kHz (measured up to
// 0.0011 dB; the limiter at an amplitude of 1e-3 accounts for less than 1e-6 dB).
TEST_P(MoogResponse, SmallSignalMatchesLadderTransferFunction) {
  const MoogCase c = GetParam();
  const bool table = c.scale == 0 && c.pitch >= 0;
  const double fc = std::min(PitchHz(c.pitch, c.scale), table ? c.sr / 2.0 : 0.495 * c.sr);
  const double fr = 2.0 * fc / c.sr;
  const double kp = 3.6 * fr - 1.6 * fr * fr - 1.0;
  const double p = (kp + 1.0) / 2.0;
  const double r = c.res * std::exp((1.0 - p) * 1.386249);
  const float amp = 1e-3f;
  const auto h = Impulse<ug_filter_biquad>(c.sr, amp, c.pitch, c.res, c.scale,
                                           ug_filter_biquad::kOutput, 1 << 16);
  auto H = [&](double hz) {
    const cd z1 = ZInv(hz, c.sr);
    const cd g = p * (1.0 + z1) / (1.0 + kp * z1);
    const cd g4 = g * g * g * g;
    return g4 / (1.0 + r * z1 * g4);
  };
  EXPECT_LT(WorstDbError(h, amp, c.sr, H, -80.0), 0.005) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoogResponse,
    ::testing::Values(MoogCase{"table_5V_res_0", 44100, 256 / 512.0f, 0.0f, 0},
                      MoogCase{"table_6V_res_5V", 48000, 307 / 512.0f, 0.5f, 0},
                      MoogCase{"table_8V_res_9V", 44100, 410 / 512.0f, 0.9f, 0},
                      MoogCase{"khz_3k_res_3V", 48000, 0.3f, 0.3f, 1},
                      MoogCase{"negative_pitch", 96000, -0.05f, 0.2f, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- all-pass ----------------------------------------------------------------------------

struct AllpassCase {
  const char* name;
  float sr;
  float pitch;
  float res;
  int16_t scale;
  double tolerance;  // poles near z = 1 (cutoffs of a few Hz) magnify float rounding
};

class AllpassResponse : public ::testing::TestWithParam<AllpassCase> {};

// Unit magnitude everywhere and the phase of (c2 - c1 z^-1 + z^-2) / (1 - c1 z^-1 + c2 z^-2).
TEST_P(AllpassResponse, UnitMagnitudeAndPhaseOfItsCoefficients) {
  const AllpassCase c = GetParam();
  const double l = std::clamp(c.res * 1.5 + 0.5, 0.5, 4.0);
  const double h = std::max(std::min(PitchHz(c.pitch, c.scale) / c.sr, 0.5), 5.0 / c.sr);
  double c1, c2;
  if (c.scale == 0 && c.pitch >= 0) {
    // The tables exp(-2 pi x) and 2 cos(2 pi x) at x = i/512, interpolated linearly.
    auto lerp = [](auto fn, double v) {
      const double x = 512.0 * v;
      const int i = static_cast<int>(x);
      return fn(i) + (x - i) * (fn(i + 1) - fn(i));
    };
    auto A = [](int i) { return std::exp(-2.0 * kPi * i / 512.0); };
    auto B = [](int i) { return 2.0 * std::cos(2.0 * kPi * i / 512.0); };
    const double hl = std::min(h * l, 1.0);
    c1 = lerp(A, hl / 2) * lerp(B, h);
    c2 = lerp(A, hl);
  } else {
    c1 = 2.0 * std::exp(-kPi * h * l) * std::cos(2.0 * kPi * h);
    c2 = std::exp(-2.0 * kPi * h * l);
  }
  const float amp = 0.05f;
  const auto imp = Impulse<ug_filter_allpass>(c.sr, amp, c.pitch, c.res, c.scale,
                                              ug_filter_allpass::kOutput, 1 << 15);
  for (double hz : TestFrequencies()) {
    if (hz >= c.sr / 2) continue;
    const cd z1 = ZInv(hz, c.sr);
    const cd want = (c2 - c1 * z1 + z1 * z1) / (1.0 - c1 * z1 + c2 * z1 * z1);
    const cd got = Response(imp, hz, c.sr) / double(amp);
    EXPECT_NEAR(std::abs(got), 1.0, c.tolerance) << c.name << " at " << hz;
    EXPECT_NEAR(std::abs(got - want), 0.0, c.tolerance) << c.name << " at " << hz;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AllpassResponse,
    ::testing::Values(AllpassCase{"table_5V", 44100, 256 / 512.0f, 0.0f, 0, 2e-4},
                      AllpassCase{"table_7V_wide", 48000, 358 / 512.0f, 0.8f, 0, 2e-4},
                      AllpassCase{"khz_1k", 48000, 0.1f, 0.2f, 1, 2e-4},
                      AllpassCase{"negative_pitch_7Hz", 44100, -0.1f, 0.5f, 0, 1e-2}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- peaking equaliser -------------------------------------------------------------------

TEST(ParametricEq, MatchesSoxEqualizer) {
  KV_REQUIRE_SOX();
  // 1 kHz (1 V/kHz), 2 octaves (Resonance 2 V), +6 dB (Boost/Cut 0.6 V).
  const int n = 4096;
  const auto ours = Impulse<ug_filter_eq_parametric>(44100, 0.5f, 0.1f, 0.2f, 1,
                                                     ug_filter_eq_parametric::kOutput, n, 0.06f);
  std::vector<float> imp(n, 0.0f);
  imp[0] = 0.5f;
  const auto sox = RunSox(imp, 44100, "equalizer 1000 2o 6");
  ASSERT_EQ(sox.size(), ours.size());
  EXPECT_LT(MaxAbsDiff(ours, sox), 2e-7);
}

struct EqCase {
  const char* name;
  float sr;
  float pitch;
  float res;
  float boost;
  int16_t scale;
};

class EqResponse : public ::testing::TestWithParam<EqCase> {};

TEST_P(EqResponse, MatchesCookbookPeakingFilter) {
  const EqCase c = GetParam();
  const double fc = std::clamp(PitchHz(c.pitch, c.scale), 1.0, 0.49 * c.sr);
  const double bw = std::max(10.0 * c.res, 0.01);
  const double w = 2 * kPi * fc / c.sr;
  const double A = std::pow(10.0, c.boost * 2.5);
  const double alpha = std::sin(w) * std::sinh(std::log(2.0) / 2 * bw * w / std::sin(w));
  const double b0 = 1 + alpha * A, b1 = -2 * std::cos(w), b2 = 1 - alpha * A;
  const double a0 = 1 + alpha / A, a1 = -2 * std::cos(w), a2 = 1 - alpha / A;
  const float amp = 0.1f;
  const auto h = Impulse<ug_filter_eq_parametric>(c.sr, amp, c.pitch, c.res, c.scale,
                                                  ug_filter_eq_parametric::kOutput, 1 << 16, c.boost);
  auto H = [&](double hz) {
    const cd z1 = ZInv(hz, c.sr);
    return (b0 + b1 * z1 + b2 * z1 * z1) / (a0 + a1 * z1 + a2 * z1 * z1);
  };
  EXPECT_LT(WorstDbError(h, amp, c.sr, H), 0.002) << c.name;
  // 10 dB per volt at the centre.
  EXPECT_NEAR(20 * std::log10(std::abs(Response(h, fc, c.sr)) / amp), c.boost * 100.0, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EqResponse,
    ::testing::Values(EqCase{"boost_5V_at_440", 44100, 0.5f, 0.1f, 0.05f, 0},
                      EqCase{"cut_8V_at_2k", 48000, 0.2f, 0.05f, -0.08f, 1},
                      EqCase{"narrow_boost_at_5k", 48000, 0.5f, 0.02f, 0.03f, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Resonance below 0 and a cutoff of 0 Hz or at Nyquist would make the design unstable or
// not a number; the equaliser keeps fc in [1 Hz, 0.49 sr] and BW >= 0.01 octave.
TEST(ParametricEq, DegenerateControlsStayFinite) {
  for (float pitch : {0.0f, -0.3f, 3.0f}) {
    for (float res : {-0.5f, 0.0f}) {
      const auto h = Impulse<ug_filter_eq_parametric>(48000, 0.5f, pitch, res, 1,
                                                      ug_filter_eq_parametric::kOutput, 4096, 0.1f);
      EXPECT_TRUE(AllFinite(h)) << pitch << " " << res;
      EXPECT_LT(std::fabs(h.back()), 1e-3f) << pitch << " " << res;
    }
  }
}

}  // namespace
}  // namespace kv::test
