// Amplifiers, panning, cross-fading, multiplication and summing through the engine: gain
// and fade laws at their table points, static results that sleep, summing order, voice
// activity and independence of the host's call sizes.
#include <gtest/gtest.h>

#include "modules/amplifiers/voice_combiner.h"
#include "modules/amplifiers/block_ops.h"
#include "modules/amplifiers/multiplier.h"
#include "modules/amplifiers/pan.h"
#include "modules/amplifiers/vca.h"
#include "tests/modules/filters/filter_rig.h"

namespace kv::test {
namespace {

// A constant (one-off) or a stream holding the same value.
ug_base* Source(Engine& e, float value, bool streaming) {
  if (!streaming) return AddSteps(e, value);
  return AddClip(e, [value](int64_t) { return value; });
}

Recorder* RecordPlug(Engine& e, ug_base* u, int plug) {
  Recorder* r = e.Add<Recorder>(0);
  Wire(u, plug, r, 0);
  return r;
}

// ---- VCA ---------------------------------------------------------------------------------

struct VcaCase {
  const char* name;
  int16_t curve;
  double volts;
  bool streaming;  // Volume streams (tables up to 10 V, formula above)
  double gain;
  double tolerance;  // relative
};

class VcaLaw : public ::testing::TestWithParam<VcaCase> {};

TEST_P(VcaLaw, GainAtTablePoint) {
  const VcaCase c = GetParam();
  Engine e(512, 44100);
  auto* vca = e.Add<ug_vca>(10);
  vca->response_curve = c.curve;
  Wire(AddClip(e, [](int64_t) { return 0.5f; }), 0, vca, ug_vca::kSignal);
  Wire(Source(e, V(c.volts), c.streaming), 0, vca, ug_vca::kVolume);
  Recorder* r = RecordPlug(e, vca, ug_vca::kOutput);
  e.Start();
  RunCalls(e, 1024, {512});
  const double got = r->samples.back() / 0.5;
  if (c.gain == 0.0)
    EXPECT_EQ(got, 0.0) << c.name;
  else
    EXPECT_NEAR(got / c.gain, 1.0, c.tolerance) << c.name << ": " << got;
}

const double kExp5 = 1.0 - (1.0 - std::exp(-1.5)) / (1.0 - std::exp(-3.0));
const double kExp12 = 1.0 - (1.0 - std::exp(0.6)) / (1.0 - std::exp(-3.0));

INSTANTIATE_TEST_SUITE_P(
    Laws, VcaLaw,
    ::testing::Values(VcaCase{"db_10V", 0, 10, false, 1.0, 1e-6},
                      VcaCase{"db_5V", 0, 5, false, std::pow(10.0, -2.5), 1e-5},
                      VcaCase{"db_2V", 0, 2, false, 1e-4, 1e-5},
                      VcaCase{"db_0V_static_is_silent", 0, 0, false, 0.0, 0},
                      VcaCase{"db_0V_streaming", 0, 0, true, 1e-7, 1e-5},
                      // Linear interpolation between table entries: 6e-5 above 2 V, 6e-4
                      // below; the curve's bend at 2 V lies between entries 102 and 103.
                      VcaCase{"db_6V_streaming_table", 0, 6, true, std::pow(10.0, -2.0), 1e-4},
                      VcaCase{"db_1V_streaming_table", 0, 1, true, std::pow(10.0, -5.5), 6e-4},
                      VcaCase{"db_2V_streaming_at_the_bend", 0, 2, true, 1e-4, 1.1e-2},
                      VcaCase{"db_12V_streaming_formula", 0, 12, true, 10.0, 1e-5},
                      VcaCase{"exp_10V", 1, 10, false, 1.0, 1e-6},
                      VcaCase{"exp_5V", 1, 5, false, kExp5, 1e-6},
                      VcaCase{"exp_5V_streaming_table", 1, 5, true, kExp5, 1e-4},
                      VcaCase{"exp_12V_streaming_amplifies", 1, 12, true, kExp12, 1e-5},
                      VcaCase{"linear_5V", 2, 5, false, 0.5, 1e-7},
                      VcaCase{"linear_7V_streaming", 2, 7, true, 0.7, 1e-7},
                      VcaCase{"linear_negative_streaming", 2, -3, true, 0.0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Static inputs give a constant output and the VCA sleeps; a static zero on either input
// does so even while the other input streams.
TEST(Vca, StaticResultsSleep) {
  struct Case {
    bool signal_streams;
    float signal;
    bool volume_streams;
    float volume;
    float want;
  } cases[] = {{false, 0.5f, false, V(10), 0.5f},
               {false, 0.0f, true, V(7), 0.0f},
               {true, 0.3f, false, 0.0f, 0.0f}};
  for (const Case& c : cases) {
    Engine e(512, 44100);
    auto* vca = e.Add<ug_vca>(10);
    vca->response_curve = 2;
    Wire(Source(e, c.signal, c.signal_streams), 0, vca, ug_vca::kSignal);
    Wire(Source(e, c.volume, c.volume_streams), 0, vca, ug_vca::kVolume);
    Recorder* r = RecordPlug(e, vca, ug_vca::kOutput);
    e.Start();
    RunCalls(e, 2048, {100});
    EXPECT_EQ(r->samples.back(), c.want);
    EXPECT_TRUE(vca->sleeping);
    EXPECT_NE(vca->plugs[ug_vca::kOutput]->state, ST_RUN);
  }
}

// ---- Pan and X-Mix -----------------------------------------------------------------------

struct PanCase {
  const char* name;
  int16_t law;
  double pan_volts;
  double left, right;
};

class PanLaw : public ::testing::TestWithParam<PanCase> {};

TEST_P(PanLaw, GainsAtTablePointsStaticAndStreaming) {
  const PanCase c = GetParam();
  for (bool streaming : {false, true}) {
    Engine e(512, 44100);
    auto* pan = e.Add<ug_pan>(10);
    pan->fade_law = c.law;
    Wire(AddClip(e, [](int64_t) { return 0.5f; }), 0, pan, ug_pan::kInput);
    Wire(Source(e, V(c.pan_volts), streaming), 0, pan, ug_pan::kPan);
    Wire(AddSteps(e, V(10)), 0, pan, ug_pan::kVolume);
    Recorder* l = RecordPlug(e, pan, ug_pan::kLeftOut);
    Recorder* r = RecordPlug(e, pan, ug_pan::kRightOut);
    e.Start();
    RunCalls(e, 600, {512});
    EXPECT_NEAR(l->samples.back() / 0.5, c.left, 1e-6) << c.name << (streaming ? " streaming" : "");
    EXPECT_NEAR(r->samples.back() / 0.5, c.right, 1e-6) << c.name << (streaming ? " streaming" : "");
  }
}

const double kHalfPower = std::sqrt(0.5);

INSTANTIATE_TEST_SUITE_P(
    Laws, PanLaw,
    ::testing::Values(PanCase{"power_centre", 1, 0, kHalfPower, kHalfPower},
                      PanCase{"power_left", 1, -5, 1, 0}, PanCase{"power_right", 1, 5, 0, 1},
                      PanCase{"power_beyond_left", 1, -8, 1, 0},
                      PanCase{"intensity_centre", 0, 0, 0.5, 0.5},
                      PanCase{"intensity_quarter", 0, 2.5, 0.25, 0.75},
                      PanCase{"sqrt_centre", 2, 0, kHalfPower, kHalfPower},
                      PanCase{"sqrt_quarter", 2, -2.5, std::sqrt(0.75), 0.5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Pan, VolumeFollowsDecibelCurve) {
  struct Case {
    double volts;
    bool streaming;
    double gain;
    double tolerance;
  } cases[] = {{10, false, 1.0, 1e-6}, {2, false, 1e-4, 1.1e-2}, {6, true, 1e-2, 1e-4},
               {12, true, 10.0, 1e-5}, {0, false, 0.0, 0.0}};
  for (const Case& c : cases) {
    Engine e(512, 44100);
    auto* pan = e.Add<ug_pan>(10);
    pan->fade_law = 0;
    Wire(AddClip(e, [](int64_t) { return 0.5f; }), 0, pan, ug_pan::kInput);
    Wire(Source(e, V(c.volts), c.streaming), 0, pan, ug_pan::kVolume);
    Recorder* l = RecordPlug(e, pan, ug_pan::kLeftOut);
    e.Start();
    RunCalls(e, 600, {512});
    const double got = l->samples.back() / 0.25;  // Input 0.5 x Equal Intensity 0.5
    if (c.gain == 0.0)
      EXPECT_EQ(got, 0.0) << c.volts;
    else
      EXPECT_NEAR(got / c.gain, 1.0, c.tolerance) << c.volts << (c.streaming ? " streaming" : "");
  }
}

TEST(CrossFade, EndsPassOneInputExactly) {
  auto a = [](int64_t t) { return 0.3f * std::sin(t * 0.01f); };
  auto b = [](int64_t t) { return 0.2f * std::cos(t * 0.037f) + 0.01f; };
  for (int16_t law : {0, 1, 2}) {
    for (bool streaming : {false, true}) {
      for (double mix : {5.0, -5.0}) {
        Engine e(512, 44100);
        auto* x = e.Add<ug_cross_fade>(10);
        x->fade_law = law;
        Wire(AddClip(e, a), 0, x, ug_cross_fade::kInputA);
        Wire(AddClip(e, b), 0, x, ug_cross_fade::kInputB);
        Wire(Source(e, V(mix), streaming), 0, x, ug_cross_fade::kMix);
        Recorder* r = RecordPlug(e, x, ug_cross_fade::kSignalOut);
        e.Start();
        RunCalls(e, 1000, {512});
        for (int64_t t = 0; t < 1000; ++t)
          ASSERT_EQ(r->samples[t], mix > 0 ? a(t) : b(t)) << law << " " << streaming << " " << t;
      }
    }
  }
}

TEST(CrossFade, CentreUsesFadeLaw) {
  for (auto [law, g] : {std::pair<int16_t, double>{0, 0.5}, {1, kHalfPower}, {2, kHalfPower}}) {
    Engine e(512, 44100);
    auto* x = e.Add<ug_cross_fade>(10);
    x->fade_law = law;
    Wire(AddSteps(e, 0.4f), 0, x, ug_cross_fade::kInputA);
    Wire(AddSteps(e, 0.1f), 0, x, ug_cross_fade::kInputB);
    Wire(AddSteps(e, 0.0f), 0, x, ug_cross_fade::kMix);
    Recorder* r = RecordPlug(e, x, ug_cross_fade::kSignalOut);
    e.Start();
    RunCalls(e, 1024, {512});
    EXPECT_NEAR(r->samples.back(), 0.5 * g, 1e-7) << law;
    EXPECT_TRUE(x->sleeping);
  }
}

// ---- multiplier --------------------------------------------------------------------------

TEST(Multiplier, ProductOfNormalisedSamples) {
  for (bool s1 : {false, true}) {
    for (bool s2 : {false, true}) {
      Engine e(512, 44100);
      auto* m = e.Add<ug_multiplier>(10);
      Wire(Source(e, V(5), s1), 0, m, ug_multiplier::kInput1);
      Wire(Source(e, V(2), s2), 0, m, ug_multiplier::kInput2);
      Recorder* r = RecordPlug(e, m, ug_multiplier::kOutput);
      e.Start();
      RunCalls(e, 1024, {512});
      EXPECT_FLOAT_EQ(r->samples.back(), V(1));  // 5 V x 2 V = 1 V
      EXPECT_EQ(m->plugs[ug_multiplier::kOutput]->state == ST_RUN, s1 || s2);
      EXPECT_EQ(m->sleeping, !(s1 || s2));
    }
  }
}

TEST(Multiplier, StaticZeroOnEitherInputSleepsWhileTheOtherStreams) {
  for (int zero_plug : {ug_multiplier::kInput1, ug_multiplier::kInput2}) {
    Engine e(512, 44100);
    auto* m = e.Add<ug_multiplier>(10);
    const int other = zero_plug == ug_multiplier::kInput1 ? ug_multiplier::kInput2 : ug_multiplier::kInput1;
    Wire(AddSteps(e, 0.0f), 0, m, zero_plug);
    Wire(AddClip(e, [](int64_t t) { return 0.4f * std::sin(t * 0.1f); }), 0, m, other);
    Recorder* r = RecordPlug(e, m, ug_multiplier::kOutput);
    e.Start();
    RunCalls(e, 2048, {512});
    EXPECT_TRUE(std::all_of(r->samples.begin(), r->samples.end(), [](float v) { return v == 0.0f; }));
    EXPECT_TRUE(m->sleeping);
  }
}

// ---- Float Adder (the engine's summing module) and voice combiner ------------------------------------------------------------

// Streams are summed from the last connected source to the first: with 1e8, -1e8 and 1
// connected as 1, 1e8, -1e8 the float sum is (-1e8 + 1e8) + 1 = 1, where the other order
// would lose the 1.
TEST(Adder, SummationOrderIsLastSourceFirst) {
  Engine e(512, 44100);
  auto* add = e.Add<ug_adder>(10);
  for (float v : {1.0f, 1e8f, -1e8f}) Wire(AddClip(e, [v](int64_t) { return v; }), 0, add, ug_adder::kIn);
  Recorder* r = RecordPlug(e, add, ug_adder::kOut);
  e.Start();
  RunCalls(e, 256, {256});
  EXPECT_EQ(r->samples.back(), 1.0f);
}

TEST(Adder, RemovedSourceLeavesTheSum) {
  Engine e(512, 44100);
  auto* add = e.Add<ug_adder>(10);
  std::vector<ug_base*> src;
  for (double v : {1.0, 2.0, 4.0}) {
    src.push_back(AddSteps(e, V(v)));
    Wire(src.back(), 0, add, ug_adder::kIn);
  }
  UPlug::Disconnect(src[1]->plugs[0]->connections.front());
  ASSERT_EQ(add->inputs().sources.size(), 2u);
  Recorder* r = RecordPlug(e, add, ug_adder::kOut);
  e.Start();
  RunCalls(e, 512, {512});
  EXPECT_FLOAT_EQ(r->samples.back(), V(5));
}

TEST(VoiceCombiner, SumsLikeAnAdderAndIsNeverVoiceDependent) {
  Engine e(512, 44100);
  auto* vc = e.Add<ug_voice_combiner>(10);
  EXPECT_TRUE(vc->flags & UGF_NEVER_VOICE);
  EXPECT_TRUE(vc->plugs[ug_adder::kIn]->flags & UPLUG_COLLECTOR);
  EXPECT_FALSE(vc->plugs[ug_adder::kIn]->flags & UPLUG_VOICE_SENSITIVE);
  Wire(AddClip(e, [](int64_t t) { return 0.001f * t; }), 0, vc, ug_adder::kIn);
  Wire(AddClip(e, [](int64_t) { return 0.25f; }), 0, vc, ug_adder::kIn);
  Recorder* r = RecordPlug(e, vc, ug_adder::kOut);
  e.Start();
  RunCalls(e, 300, {300});
  EXPECT_EQ(r->samples[200], 0.25f + 0.2f);
}

// ---- four-lane loops ----------------------------------------------------------------------

// Equal to the scalar arithmetic bit for bit at every start offset and length, including
// NaN handling of the clamped volume.
TEST(BlockOps, EqualScalarLoopsAtAnyOffsetAndLength) {
  std::vector<float> a(64), b(64);
  for (int i = 0; i < 64; ++i) {
    a[i] = std::sin(i * 0.7f) * 3.1f;
    b[i] = std::cos(i * 1.3f) - 0.2f;
  }
  b[9] = std::nanf("");
  for (int off = 0; off < 4; ++off) {
    for (int n = 0; n < 13; ++n) {
      std::vector<float> o(64, 7.0f), w(64, 7.0f);
      block_ops::Mix(o.data() + off, a.data() + off, 0.3f, b.data() + off, -1.7f, n);
      for (int i = off; i < off + n; ++i) w[i] = a[i] * 0.3f + b[i] * -1.7f;
      block_ops::ScaleByPositive(o.data() + 20 + off, a.data() + off, b.data() + off, n);
      for (int i = off; i < off + n; ++i) w[20 + i] = a[i] * (b[i] > 0.0f ? b[i] : 0.0f);
      block_ops::AddConstant(o.data() + 40 + off, a.data() + off, 0.1f, n);
      block_ops::Accumulate(o.data() + 40 + off, b.data() + 2, n);
      for (int i = off; i < off + n; ++i) w[40 + i] = (a[i] + 0.1f) + b[i - off + 2];
      for (int i = 0; i < 64; ++i)
        ASSERT_TRUE(o[i] == w[i] || (std::isnan(o[i]) && std::isnan(w[i]))) << off << " " << n << " " << i;
    }
  }
}

// ---- voice activity and host calls -------------------------------------------------------

TEST(TwoInputModules, VoiceActiveOnlyWithTheInputsTheyNeed) {
  Engine e(512, 44100);
  auto* vca = e.Add<ug_vca>(10);
  auto* mul = e.Add<ug_multiplier>(10);
  auto* pan = e.Add<ug_pan>(10);
  auto fed = [](ug_base* u, std::initializer_list<int> plugs) {
    for (UPlug* p : u->plugs) p->flags &= ~UPLUG_VOICE_FED;
    for (int p : plugs) u->plugs[p]->flags |= UPLUG_VOICE_FED;
    return u->IsVoiceInputActive();
  };
  EXPECT_FALSE(fed(vca, {ug_vca::kSignal}));
  EXPECT_FALSE(fed(vca, {ug_vca::kVolume}));
  EXPECT_TRUE(fed(vca, {ug_vca::kSignal, ug_vca::kVolume}));
  EXPECT_FALSE(fed(mul, {ug_multiplier::kInput2}));
  EXPECT_TRUE(fed(mul, {ug_multiplier::kInput1, ug_multiplier::kInput2}));
  EXPECT_FALSE(fed(pan, {ug_pan::kInput}));
  EXPECT_FALSE(fed(pan, {ug_pan::kPan, ug_pan::kVolume}));
  EXPECT_TRUE(fed(pan, {ug_pan::kInput, ug_pan::kVolume}));
  EXPECT_TRUE(fed(pan, {ug_pan::kInput, ug_pan::kPan}));
}

// A VCA and a Pan with volume steps, a streaming pan that stops, and a static signal
// phase: the same output whatever the host's call sizes.
TEST(TwoInputModules, OutputIndependentOfHostCallSizes) {
  auto render = [](const std::vector<int>& calls) {
    Engine e(512, 44100);
    auto* vca = e.Add<ug_vca>(20);
    auto* pan = e.Add<ug_pan>(10);
    vca->response_curve = 0;
    Wire(AddClip(e, [](int64_t t) { return 0.4f * std::sin(t * 0.02f); }, 5000), 0, vca, ug_vca::kSignal);
    Wire(AddSteps(e, V(8), {{333, V(4)}, {2000, V(10)}, {7000, 0.0f}}), 0, vca, ug_vca::kVolume);
    Wire(vca, ug_vca::kOutput, pan, ug_pan::kInput);
    Wire(AddClip(e, [](int64_t t) { return 0.4f * std::sin(t * 0.001f); }, 4000), 0, pan, ug_pan::kPan);
    Recorder* l = RecordPlug(e, pan, ug_pan::kLeftOut);
    e.Start();
    RunCalls(e, 10000, calls);
    return l->samples;
  };
  EXPECT_EQ(MaxAbsDiff(render({512}), render({1, 7, 100, 333, 64})), 0.0);
}

}  // namespace
}  // namespace kv::test
