// The wavetable oscillator driven through the engine: pitch, band-limiting, shapes, table
// switching, sync, phase modulation, noise, and output independent of the host's calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

#include "engine/lookup_catalogue.h"
#include "modules/oscillators/oscillator.h"
#include "modules/oscillators/pitch_increment.h"
#include "tests/modules/oscillators/spectrum.h"
#include "tests/support/signal_rig.h"

namespace kv::test {
namespace {

using Osc = ug_oscillator2;

// volts -> pitch sample
constexpr float P(double volts) { return static_cast<float>(volts / 10.0); }

struct OscRig {
  explicit OscRig(float rate = 48000.0f, int host_block = 512) : e(host_block, rate) {
    osc = e.Add<Osc>(10);
    rec = e.Add<Recorder>(0);
    Wire(osc, Osc::kAudioOut, rec, 0);
  }
  void Pitch(float p) { Wire(Constant(e, p), 0, osc, Osc::kPitch); }
  void Input(int plug, float value) { Wire(Constant(e, value), 0, osc, plug); }
  void InputStream(int plug, std::function<float(int64_t)> fn) { Wire(Stream(e, std::move(fn)), 0, osc, plug); }
  const std::vector<float>& Render(int64_t n, const std::vector<int>& calls = {512}) {
    e.Start();
    RunCalls(e, n, calls);
    return rec->samples;
  }
  Engine e;
  Osc* osc;
  Recorder* rec;
};

// ---- pitch ---------------------------------------------------------------------------

struct PitchCase {
  float rate;
  double volts;
};

class OscillatorPitch : public ::testing::TestWithParam<PitchCase> {};

TEST_P(OscillatorPitch, OneVoltPerOctaveMeasuredInSpectrum) {
  const auto [rate, volts] = GetParam();
  OscRig r(rate);
  r.osc->waveform = Osc::kSine;
  r.Pitch(P(volts));
  const auto& y = r.Render(40000);
  const double want = 440.0 * std::exp2(volts - 5.0);
  const double got = PeakFrequency(y, 4096, 32768, rate, want, 2.0);
  EXPECT_NEAR(Cents(got, want), 0.0, 0.01) << got << " Hz, wanted " << want;
}

INSTANTIATE_TEST_SUITE_P(
    NotesAndRates, OscillatorPitch,
    ::testing::Values(PitchCase{44100, 5.0}, PitchCase{48000, 5.0}, PitchCase{96000, 5.0},
                      PitchCase{44100, 1.25}, PitchCase{48000, 3.0}, PitchCase{96000, 6.6},
                      PitchCase{44100, 8.7}, PitchCase{48000, 9.4}, PitchCase{96000, 10.0}));

TEST(OscillatorPitch, IncrementFollowsFormulaAcrossRangeInSixtyFourthsOfAVolt) {
  LookupTableRegistry reg;
  for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
    const uint32_t* t = OscPitchLookup(reg, rate)->data();
    for (int step = 0; step <= 640; ++step) {
      const double v = step / 64.0;
      const double want = 440.0 * std::exp2(v - 5.0) * 4294967296.0 / rate;
      const double got = OctavePitchToIncrement(P(v), t);
      // A few increment units of fixed-point rounding at the lowest notes.
      EXPECT_NEAR(Cents(got, want), 0.0, 0.01) << v << " V at " << rate;
    }
  }
}

TEST(OscillatorPitch, IncrementEdgeCases) {
  LookupTableRegistry reg;
  const float sr = 44100.0f;
  const uint32_t* t = OscPitchLookup(reg, sr)->data();
  const uint32_t t0 = static_cast<uint32_t>(std::trunc(3520.0 * 4294967296.0 / sr + 0.5));
  EXPECT_EQ(t[0], t0);
  EXPECT_EQ(OctavePitchToIncrement(0.5f, t), t0 >> 3);  // 5 V
  // 12.5 V: the 8.5 V increment shifted left by four would lose bits: saturates.
  EXPECT_EQ(OctavePitchToIncrement(1.25f, t), 0xFFFFFFFFu);
  EXPECT_EQ(OctavePitchToIncrement(1.0f, t), t0 << 2);  // 10 V fits
  EXPECT_EQ(OctavePitchToIncrement(1.7f, t), 0xFFFFFFFFu);
  EXPECT_EQ(OctavePitchToIncrement(-2.31f, t), 0u);  // below -23 V
  EXPECT_EQ(OctavePitchToIncrement(std::nanf(""), t), 0u);
  EXPECT_EQ(OctavePitchToIncrement(1e30f, t), 0xFFFFFFFFu);
  // 1 V/kHz.
  EXPECT_EQ(KhzPitchToIncrement(0.05f, sr),  // 0.5 V: 500 Hz (the float nearest 0.05)
            static_cast<uint32_t>(std::trunc(double{0.05f} * 1e4 * 4294967296.0 / sr + 0.5)));
  EXPECT_EQ(KhzPitchToIncrement(-0.1f, sr), 0u);
  EXPECT_EQ(KhzPitchToIncrement(sr / 20000.0f + 0.01f, sr), 0x80000000u);
  EXPECT_EQ(KhzPitchToIncrement(std::nanf(""), sr), 0u);
}

TEST(OscillatorPitch, VoltPerKilohertz) {
  OscRig r(48000.0f);
  r.osc->waveform = Osc::kSine;
  r.osc->freq_scale = kVoltPerKhz;
  r.Pitch(0.05f);  // 0.5 V
  const auto& y = r.Render(40000);
  EXPECT_NEAR(PeakFrequency(y, 4096, 32768, 48000, 500.0, 2.0), 500.0, 0.003);
}

// ---- band-limiting -------------------------------------------------------------------

struct AliasCase {
  int16_t waveform;
  float rate;
  double hz;
};

class OscillatorAliasing : public ::testing::TestWithParam<AliasCase> {};

// Every component that is not a harmonic of the fundamental below Nyquist (an alias or an
// interpolation image) is at least 50 dB down, and nothing sounds above 2^(-1/6) Nyquist.
TEST_P(OscillatorAliasing, NoPartialAboveTheTableLimit) {
  const auto [wave, rate, hz] = GetParam();
  OscRig r(rate);
  r.osc->waveform = wave;
  r.Pitch(P(5.0 + std::log2(hz / 440.0)));
  const std::size_t n = 65536;
  const auto& y = r.Render(n + 2048);
  const auto m = Spectrum(y, 2048, n);
  const double bin_hz = rate / n;
  const double f0 = hz;
  const double fundamental = m[static_cast<std::size_t>(std::lround(f0 / bin_hz))];
  double worst_alias = 0.0, worst_high = 0.0;
  for (std::size_t b = 8; b < m.size(); ++b) {
    const double f = b * bin_hz;
    const double k = std::round(f / f0);
    const bool harmonic = k >= 1 && std::abs(f - k * f0) < 6 * bin_hz;
    if (f > rate / 2 * std::exp2(-1.0 / 6.0) + 6 * bin_hz) worst_high = std::max(worst_high, m[b]);
    if (!harmonic) worst_alias = std::max(worst_alias, m[b]);
  }
  EXPECT_LT(Db(worst_alias / fundamental), -50.0);
  EXPECT_LT(Db(worst_high / fundamental), -50.0);
}

INSTANTIATE_TEST_SUITE_P(
    Waves, OscillatorAliasing,
    ::testing::Values(AliasCase{Osc::kSaw, 44100, 97.3}, AliasCase{Osc::kSaw, 44100, 1234.5},
                      AliasCase{Osc::kSaw, 48000, 3911.0}, AliasCase{Osc::kSaw, 96000, 7777.7},
                      AliasCase{Osc::kRamp, 44100, 5501.0}, AliasCase{Osc::kTriangle, 44100, 2345.6},
                      AliasCase{Osc::kPulse, 48000, 1717.1}, AliasCase{Osc::kSine, 44100, 15000.0}));

// ---- shapes --------------------------------------------------------------------------

double Phase(int64_t n, uint32_t inc) {  // cycles, from phase 0 at sample 0
  return static_cast<double>(static_cast<uint32_t>(static_cast<uint64_t>(n) * inc)) / 4294967296.0;
}

TEST(OscillatorShape, SineTriangleSawRampAgainstTheirAnalyticForms) {
  struct Shape {
    int16_t wave;
    bool smooth;
    double tolerance;
    std::function<double(double)> f;  // of the cycle position x in [0, 1)
    double skip;                      // ignore positions this close to a jump
  };
  const double pi = std::numbers::pi;
  const std::vector<Shape> shapes = {
      {Osc::kSine, true, 2e-5, [&](double x) { return 0.5 * std::sin(2 * pi * x); }, 0},
      {Osc::kTriangle, true, 2e-3,
       [&](double x) { return 0.405 * pi * pi / 8 * (2 / pi) * std::asin(std::sin(2 * pi * x)); }, 0},
      {Osc::kSaw, false, 5e-3, [&](double x) { return 0.32 * (2 * pi * x - pi) / 2; }, 0.08},
      {Osc::kRamp, false, 5e-3, [&](double x) { return -0.32 * (2 * pi * x - pi) / 2; }, 0.08},
  };
  for (const Shape& s : shapes) {
    OscRig r(48000.0f);
    r.osc->waveform = s.wave;
    r.osc->smooth_peaks = s.smooth;
    r.Pitch(P(1.0));  // 27.5 Hz: the richest tables
    const auto& y = r.Render(4096);
    const uint32_t inc = r.osc->increment();
    double worst = 0.0;
    for (int64_t n = 0; n < 4096; ++n) {
      const double x = Phase(n, inc);
      if (x < s.skip || x > 1 - s.skip) continue;
      worst = std::max(worst, std::abs(y[n] - s.f(x)));
    }
    EXPECT_LT(worst, s.tolerance) << "waveform " << s.wave;
  }
}

TEST(OscillatorShape, PulseWidthSetsTheDutyCycle) {
  for (float width : {-0.5f, 0.0f, 0.5f}) {  // -5 V, 0 V, +5 V
    OscRig r(48000.0f);
    r.osc->waveform = Osc::kPulse;
    r.osc->smooth_peaks = 0;
    r.Pitch(P(1.0));
    r.Input(Osc::kPulseWidth, width);
    const auto& y = r.Render(48000);
    const double duty = (1.0 - width) / 2.0;
    const double theta = 2 * std::numbers::pi * duty;
    const double high = 0.32 * std::numbers::pi - 0.16 * theta, low = -0.16 * theta;
    const double mid = (high + low) / 2;
    const double above = std::count_if(y.begin(), y.end(), [&](float v) { return v > mid; });
    EXPECT_NEAR(above / y.size(), duty, 0.01) << width;
    // Levels (averaged: the plain saws ring near their jumps).
    double hi_sum = 0, lo_sum = 0;
    for (float v : y) (v > mid ? hi_sum : lo_sum) += v;
    EXPECT_NEAR(hi_sum / above, high, 0.01);
    EXPECT_NEAR(lo_sum / (y.size() - above), low, 0.01);
  }
}

// ---- table choice --------------------------------------------------------------------

TEST(OscillatorTables, AboveThePoorestLimitFadesToSilence) {
  OscRig r(48000.0f);
  r.osc->waveform = Osc::kSaw;
  r.Pitch(P(5.0 + std::log2(22000.0 / 440.0)));
  const auto& y = r.Render(256);
  EXPECT_NE(y[5], 0.0f);
  for (int i = Osc::kTableFade; i < 256; ++i) ASSERT_EQ(y[i], 0.0f) << i;
}

TEST(OscillatorTables, PlaysTheRichestAliasFreeTableAndSwitchesOnPitchEvents) {
  OscRig r(44100.0f);
  r.osc->waveform = Osc::kSaw;
  Script* pitch = r.e.Add<Script>(100);
  pitch->steps = {{0, Script::kOut, ST_ONE_OFF, P(2.0)}, {1000, Script::kOut, ST_ONE_OFF, P(8.0)},
                  {2000, Script::kOut, ST_ONE_OFF, P(2.0)}};
  Wire(pitch, Script::kOut, r.osc, Osc::kPitch);
  const WavetableSet& saw = OscillatorWavetables::Get().smoothed_saw;
  auto check = [&](double volts) {
    const uint32_t inc = r.osc->increment();
    const Uwavetable* t = r.osc->played_table();
    int i = 0;
    while (&saw[i] != t) ++i;
    const double f0 = 440.0 * std::exp2(volts - 5.0);
    EXPECT_LE(saw.highest_harmonic(i) * f0, 22050.0 * std::exp2(-1.0 / 6.0));
    if (i > 0) {
      EXPECT_GT(saw.highest_harmonic(i - 1) * f0, 22050.0 * std::exp2(-1.0 / 6.0) * 0.94);
    }
    EXPECT_LE(inc, t->upper);
  };
  r.Render(900);
  EXPECT_EQ(r.osc->played_table(), &saw.richest());
  check(2.0);
  RunCalls(r.e, 1100, {512});
  check(8.0);
  RunCalls(r.e, 1000, {512});
  check(2.0);
}

TEST(OscillatorTables, WaveformChangeStartsFromTheRichestTableAndFadesToTheRightOne) {
  OscRig r(48000.0f);
  r.osc->waveform = Osc::kSine;
  r.Pitch(P(9.0));  // 7040 Hz: only the poorer saw tables are alias-free
  Script* wave = r.e.Add<Script>(100);
  wave->steps = {{500, Script::kEnum, ST_ONE_OFF, Osc::kSaw}};
  Wire(wave, Script::kEnum, r.osc, Osc::kWaveform);
  const WavetableSet& saw = OscillatorWavetables::Get().smoothed_saw;
  r.Render(510);
  EXPECT_EQ(r.osc->current_set(), &saw);
  EXPECT_EQ(r.osc->played_table(), &saw.richest());
  EXPECT_EQ(r.osc->table_fade_remaining(), Osc::kTableFade - 10);
  RunCalls(r.e, 20, {512});
  EXPECT_EQ(r.osc->table_fade_remaining(), 0);
  int i = 0;
  while (&saw[i] != r.osc->played_table()) ++i;
  EXPECT_EQ(saw.highest_harmonic(i), 2);  // 2 x 7040 Hz is below 2^(-1/6) x 24 kHz; 4 x is not
}

// A streaming pitch re-chooses the table at each block start: during a fast upward glide
// the played table's highest harmonic never reaches Nyquist (two semitones of margin),
// and on the way down the richer tables come back.
TEST(OscillatorTables, StreamingPitchKeepsTheTableAliasFreeDuringAGlide) {
  OscRig r(44100.0f, 128);
  r.osc->waveform = Osc::kSaw;
  r.osc->smooth_peaks = 0;
  const int64_t half = 44100;
  r.InputStream(Osc::kPitch, [=](int64_t t) {
    const double x = t < half ? double(t) / half : 2.0 - double(t) / half;
    return P(3.0 + 6.8 * x);
  });
  const WavetableSet& saw = OscillatorWavetables::Get().plain_saw;
  r.e.Start();
  int first = -1, last = -1;
  for (int64_t t = 0; t < 2 * half; t += 128) {
    r.e.master.Run(128);
    const Uwavetable* played = r.osc->played_table();
    if (played == &OscillatorWavetables::Get().silent) continue;
    int i = 0;
    while (&saw[i] != played) ++i;
    const double f_end = r.osc->increment() * 44100.0 / 4294967296.0;
    ASSERT_LT(saw.highest_harmonic(i) * f_end, 22050.0) << "at sample " << t;
    if (first < 0) first = i;
    last = i;
  }
  EXPECT_EQ(last, first);  // back at 3 V, back at the same table
}

// ---- process functions and host calls ------------------------------------------------

// The same static values sent as streams take the streaming renderers; the output is the
// same sample for sample.
TEST(OscillatorRenderers, StreamingInputsHoldingStillMatchStaticOnes) {
  struct Combo {
    int16_t wave;
    bool pitch, width, pm;
  };
  for (const Combo c : {Combo{Osc::kSaw, true, false, false}, Combo{Osc::kPulse, false, true, false},
                        Combo{Osc::kPulse, true, true, true}, Combo{Osc::kRamp, false, false, true},
                        Combo{Osc::kTriangle, true, false, true}}) {
    std::vector<float> out[2];
    for (int streaming = 0; streaming < 2; ++streaming) {
      OscRig r(48000.0f);
      r.osc->waveform = c.wave;
      auto in = [&](int plug, float v, bool s) {
        if (s && streaming) {
          r.InputStream(plug, [v](int64_t) { return v; });
        } else {
          r.Input(plug, v);
        }
      };
      in(Osc::kPitch, P(6.3), c.pitch);
      in(Osc::kPulseWidth, 0.31f, c.width);
      in(Osc::kPhaseMod, 0.125f, c.pm);
      in(Osc::kPmDepth, 0.5f, false);
      out[streaming] = r.Render(3000);
    }
    EXPECT_EQ(out[0], out[1]) << "waveform " << c.wave;
  }
}

TEST(OscillatorRenderers, OutputDoesNotDependOnHowTheHostSplitsItsCalls) {
  auto render = [](const std::vector<int>& calls) {
    OscRig r(44100.0f, 256);
    r.osc->waveform = Osc::kPulse;
    // A glide over four octaves (table switches with fades), a wobbling width, phase
    // modulation and a hard sync from a 150 Hz sine.
    r.InputStream(Osc::kPitch, [](int64_t t) { return P(3.0 + 4.0 * t / 20000.0); });
    r.InputStream(Osc::kPulseWidth, [](int64_t t) { return 0.3f * std::sin(t * 0.001f); });
    r.InputStream(Osc::kPhaseMod, [](int64_t t) { return 0.05f * std::sin(t * 0.03f); });
    r.Input(Osc::kPmDepth, 0.5f);
    r.InputStream(Osc::kSync, [](int64_t t) { return std::sin(2 * 3.14159265f * 150.0f * t / 44100.0f); });
    return r.Render(20000, calls);
  };
  const auto whole = render({256});
  std::mt19937 rng(7);
  std::vector<int> random_calls(64);
  for (int& c : random_calls) c = 1 + static_cast<int>(rng() % 700);
  for (const auto& calls : {std::vector<int>{1}, {7}, {100}, {3 * 128 + 5}, random_calls})
    EXPECT_EQ(render(calls), whole);
}

// Non-finite control signals give a bounded output, never a crash.
TEST(OscillatorRenderers, NonFiniteInputsKeepTheOutputBounded) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
  for (int16_t wave : {Osc::kSine, Osc::kPulse}) {
    OscRig r(48000.0f);
    r.osc->waveform = wave;
    r.InputStream(Osc::kPitch, [=](int64_t t) { return t % 3 == 0 ? nan : t % 3 == 1 ? inf : -inf; });
    r.InputStream(Osc::kPulseWidth, [=](int64_t t) { return t % 2 ? nan : inf; });
    r.InputStream(Osc::kPhaseMod, [=](int64_t t) { return t % 2 ? nan : -inf; });
    r.Input(Osc::kPmDepth, inf);
    r.InputStream(Osc::kSync, [=](int64_t t) { return t % 4 == 0 ? -inf : t % 4 == 1 ? inf : nan; });
    for (float v : r.Render(2048)) ASSERT_LE(std::abs(v), 1.1f);
  }
}

// ---- sync ----------------------------------------------------------------------------

TEST(OscillatorSync, EventSyncRestartsThePhaseOrFadesOverFourSamples) {
  const int t_sync = 1000;
  for (uint8_t fade : {0, 1}) {
    OscRig r(48000.0f);
    r.osc->waveform = Osc::kSine;
    r.osc->sync_xfade = fade;
    r.Pitch(P(5.3));
    Script* sync = r.e.Add<Script>(100);
    sync->steps = {{t_sync, Script::kOut, ST_ONE_OFF, 0.5f}};
    Wire(sync, Script::kOut, r.osc, Osc::kSync);
    const auto& y = r.Render(1200);
    const uint32_t inc = r.osc->increment();
    const float* sine = OscillatorWavetables::Get().sine.richest().data();
    for (int n = t_sync - 3; n < t_sync + 10; ++n) {
      const float a = ReadWavetable(sine, static_cast<uint32_t>(n * static_cast<uint64_t>(inc)));
      const float b = ReadWavetable(sine, static_cast<uint32_t>((n - t_sync) * static_cast<uint64_t>(inc)));
      float want = n < t_sync ? a : b;
      if (fade && n >= t_sync && n < t_sync + 4) {
        const float x = 0.8f - 0.2f * (n - t_sync);
        want = (1 - x) * b + x * a;
      }
      EXPECT_NEAR(y[n], want, 1e-6) << "fade " << int(fade) << " at " << n;
    }
  }
}

TEST(OscillatorSync, StreamingSyncLocksToTheSyncPeriod) {
  // 200 Hz sync at 48 kHz: a period of exactly 240 samples; the slave runs at 330 Hz.
  OscRig r(48000.0f);
  r.osc->waveform = Osc::kSaw;
  r.Pitch(P(5.0 + std::log2(330.0 / 440.0)));
  r.InputStream(Osc::kSync, [](int64_t t) {
    return static_cast<float>(std::sin(2 * std::numbers::pi * (t % 240) / 240.0 + 0.1));
  });
  const auto& y = r.Render(4800);
  for (int n = 480; n + 240 < 4800; ++n) ASSERT_EQ(y[n], y[n + 240]) << n;
}

// ---- phase modulation ----------------------------------------------------------------

TEST(OscillatorPhaseMod, AnEventMovesThePhaseByTheOffsetChange) {
  OscRig r(48000.0f);
  r.osc->waveform = Osc::kSine;
  r.Pitch(P(5.0));
  Script* pm = r.e.Add<Script>(100);
  pm->steps = {{600, Script::kOut, ST_ONE_OFF, 0.25f}};  // 2.5 V
  Wire(pm, Script::kOut, r.osc, Osc::kPhaseMod);
  r.Input(Osc::kPmDepth, 1.0f);  // offset 0.25 x 1.0 x 2^32: a quarter cycle
  const auto& y = r.Render(1000);
  const uint32_t inc = r.osc->increment();
  for (int n = 590; n < 700; ++n) {
    const double x = Phase(n, inc) - (n >= 600 ? 0.25 : 0.0);
    EXPECT_NEAR(y[n], 0.5 * std::sin(2 * std::numbers::pi * x), 2e-5) << n;
  }
}

// ---- noise ---------------------------------------------------------------------------

TEST(OscillatorNoise, WhiteNoiseIsTheEngineSequenceAndUniform) {
  OscRig r(44100.0f);
  r.osc->waveform = Osc::kWhiteNoise;
  const auto& y = r.Render(1 << 18);
  uint32_t s = 0xE60EE9B4u;
  for (int i = 0; i < 1000; ++i) {
    s = s * 1664525u + 1013904223u;
    ASSERT_EQ(y[i], static_cast<float>((s & 0x7FFFFF) / 8388608.0 - 0.5)) << i;
  }
  double mean = 0, var = 0;
  for (float v : y) mean += v;
  mean /= y.size();
  for (float v : y) var += (v - mean) * (v - mean);
  var /= y.size();
  EXPECT_NEAR(mean, 0.0, 0.003);
  EXPECT_NEAR(var, 1.0 / 12.0, 0.001);
  EXPECT_GE(*std::min_element(y.begin(), y.end()), -0.5f);
  EXPECT_LT(*std::max_element(y.begin(), y.end()), 0.5f);
}

TEST(OscillatorNoise, EachEngineHasItsOwnSequenceSharedByItsOscillators) {
  auto two = [](std::vector<float>* a, std::vector<float>* b) {
    Engine e(128, 44100.0f);
    Osc* o1 = e.Add<Osc>(10);
    Osc* o2 = e.Add<Osc>(10);
    o1->waveform = o2->waveform = Osc::kWhiteNoise;
    Recorder* r1 = e.Add<Recorder>(0);
    Recorder* r2 = e.Add<Recorder>(0);
    Wire(o1, Osc::kAudioOut, r1, 0);
    Wire(o2, Osc::kAudioOut, r2, 0);
    e.Start();
    e.master.Run(128);
    *a = r1->samples;
    *b = r2->samples;
  };
  std::vector<float> a1, b1, a2, b2;
  two(&a1, &b1);
  two(&a2, &b2);
  EXPECT_EQ(a1, a2);  // a second engine starts from the seed again
  EXPECT_EQ(b1, b2);
  // Within one engine the oscillators draw consecutive values of one sequence.
  uint32_t s = 0xE60EE9B4u;
  std::vector<float> seq(256);
  for (float& v : seq) {
    s = s * 1664525u + 1013904223u;
    v = static_cast<float>((s & 0x7FFFFF) / 8388608.0 - 0.5);
  }
  EXPECT_TRUE((a1 == std::vector<float>(seq.begin(), seq.begin() + 128) &&
               b1 == std::vector<float>(seq.begin() + 128, seq.end())) ||
              (b1 == std::vector<float>(seq.begin(), seq.begin() + 128) &&
               a1 == std::vector<float>(seq.begin() + 128, seq.end())));
}

// Welch periodogram against the filter bank's analytic response |sum g/(1 - a z^-1)|^2/12,
// averaged in third-octave bands from 50 Hz to 10 kHz.
TEST(OscillatorNoise, PinkNoiseFollowsItsFilterBank) {
  const double sr = 44100.0;
  OscRig r(static_cast<float>(sr));
  r.osc->waveform = Osc::kPinkNoise;
  const std::size_t total = 1 << 20, seg = 8192;
  const auto& y = r.Render(total);
  std::vector<double> psd(seg / 2 + 1, 0.0);
  double wpow = 0.0;
  for (std::size_t i = 0; i < seg; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / seg);
    wpow += w * w;
  }
  int segments = 0;
  for (std::size_t start = 0; start + seg <= total; start += seg / 2, ++segments) {
    std::vector<std::complex<double>> a(seg);
    for (std::size_t i = 0; i < seg; ++i)
      a[i] = y[start + i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / seg));
    Fft(a);
    for (std::size_t b = 0; b <= seg / 2; ++b) psd[b] += std::norm(a[b]) / wpow;
  }
  const double g[6] = {0.029591, 0.032534, 0.048056, 0.090579, 0.10899, 0.255784};
  const double fb[6] = {0.997, 0.985, 0.95, 0.85, 0.62, 0.25};
  auto model = [&](double f) {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / sr);
    std::complex<double> h = 0.0;
    for (int i = 0; i < 6; ++i) h += g[i] / (1.0 - fb[i] * z1);
    return std::norm(h) / 12.0;
  };
  for (double lo = 50.0; lo < 10000.0; lo *= std::exp2(1.0 / 3.0)) {
    const double hi = lo * std::exp2(1.0 / 3.0);
    double got = 0, want = 0;
    int bins = 0;
    for (std::size_t b = 1; b <= seg / 2; ++b) {
      const double f = b * sr / seg;
      if (f < lo || f >= hi) continue;
      got += psd[b] / segments;
      want += model(f);
      ++bins;
    }
    ASSERT_GT(bins, 0);
    EXPECT_NEAR(10 * std::log10(got / want), 0.0, 1.0) << lo << " Hz band";
  }
}

}  // namespace
}  // namespace kv::test
