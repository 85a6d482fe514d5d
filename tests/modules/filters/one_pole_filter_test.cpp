// "1 Pole LP" and "1 Pole HP" through the engine: against sox and the analytic response,
// settling to a static input, and the coefficient at the ends of the pitch range.
#include <gtest/gtest.h>

#include "engine/lookup_catalogue.h"
#include "modules/filters/one_pole_filter.h"
#include "tests/modules/filters/filter_rig.h"

namespace kv::test {
namespace {

using LP = ug_filter_1pole;
using HP = ug_filter_1pole_hp;

template <typename F>
std::vector<float> ImpulseResponse(float sr, float pitch, int16_t scale, float amp, int n) {
  FilterRig<F> r(sr);
  r.f->freq_scale = scale;
  r.Feed(LP::kSignal, AddClip(r.e, [amp](int64_t t) { return t == 0 ? amp : 0.0f; }));
  r.Static(LP::kPitch, pitch);
  Recorder* out = r.Record(LP::kOutput);
  r.Run(n);
  return out->samples;
}

TEST(OnePoleFilter, LowPassMatchesSoxOnePoleLowpass) {
  KV_REQUIRE_SOX();
  const int n = 4096;
  const auto ours = ImpulseResponse<LP>(44100, 0.1f, 1, 0.5f, n);  // 1 V/kHz: 1000 Hz
  std::vector<float> imp(n, 0.0f);
  imp[0] = 0.5f;
  const auto sox = RunSox(imp, 44100, "lowpass -1 1000");
  ASSERT_EQ(sox.size(), ours.size());
  EXPECT_LT(MaxAbsDiff(ours, sox), 1e-7);
}

struct OnePoleCase {
  const char* name;
  bool lowpass;
  float sr;
  float pitch;
  int16_t scale;
};

class OnePoleResponse : public ::testing::TestWithParam<OnePoleCase> {};

// a from the formula in double; the table path is exact at whole table entries (i/512).
TEST_P(OnePoleResponse, MatchesAnalyticTransferFunction) {
  const OnePoleCase c = GetParam();
  const float amp = 0.25f;
  const auto h = c.lowpass ? ImpulseResponse<LP>(c.sr, c.pitch, c.scale, amp, 1 << 15)
                           : ImpulseResponse<HP>(c.sr, c.pitch, c.scale, amp, 1 << 15);
  const double fc = c.scale == 1 ? c.pitch * 10000.0 : 440.0 * std::exp2(10.0 * c.pitch - 5.0);
  const double a = std::exp(-2.0 * std::numbers::pi * std::min(fc, 0.495 * c.sr) / c.sr);
  auto H = [&](double hz) {
    const auto z1 = ZInv(hz, c.sr);
    return c.lowpass ? (1.0 - a) / (1.0 - a * z1) : a * (1.0 - z1) / (1.0 - a * z1);
  };
  EXPECT_LT(WorstDbError(h, amp, c.sr, H), 0.001) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OnePoleResponse,
    ::testing::Values(OnePoleCase{"lp_table_5V", true, 44100, 256 / 512.0f, 0},
                      OnePoleCase{"lp_table_8V", true, 48000, 410 / 512.0f, 0},
                      OnePoleCase{"lp_negative_pitch", true, 48000, -0.1f, 0},
                      OnePoleCase{"lp_khz", true, 96000, 0.25f, 1},
                      OnePoleCase{"hp_table_3V", false, 44100, 154 / 512.0f, 0},
                      OnePoleCase{"hp_khz", false, 48000, 0.05f, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OnePoleFilter, CoefficientAtRangeEnds) {
  Engine e(512, 44100);
  auto* f = e.Add<LP>(10);
  e.Start();
  const ULookup* t = OnePoleLookup(e.master.lookup_tables(), 44100);
  EXPECT_EQ(f->Coefficient(1.5f), t->GetValue(512));  // above 10 V: the top entry
  EXPECT_EQ(f->Coefficient(0.0f), t->GetValue(0));
  f->freq_scale = 1;
  EXPECT_EQ(f->Coefficient(-0.3f), 1.0f);  // negative kHz cutoff counts as 0 Hz
  EXPECT_EQ(f->Coefficient(std::nanf("")), 1.0f);
}

// After the Signal stops changing, the filter reaches it within 1e-6, reports a static
// output (low-pass: the input, high-pass: 0) and sleeps.
TEST(OnePoleFilter, SettlesToStaticInputAndSleeps) {
  for (bool lowpass : {true, false}) {
    FilterRig<LP> rl(48000);
    FilterRig<HP> rh(48000);
    ug_base* f = lowpass ? static_cast<ug_base*>(rl.f) : rh.f;
    Engine& e = lowpass ? rl.e : rh.e;
    Clip* sig = AddClip(e, [](int64_t t) { return t < 1000 ? 0.3f * std::sin(t * 0.05f) + 0.3f : 0.3f; }, 1000);
    Wire(sig, 0, f, LP::kSignal);
    Wire(AddSteps(e, V(4.0)), 0, f, LP::kPitch);
    Recorder* out = e.Add<Recorder>(0);
    Wire(f, LP::kOutput, out, 0);
    e.Start();
    RunCalls(e, 3 * 48000, {256});
    const float want = lowpass ? 0.3f : 0.0f;
    EXPECT_NEAR(out->samples.back(), want, 1e-6f);
    EXPECT_TRUE(f->sleeping) << (lowpass ? "LP" : "HP");
    EXPECT_NE(f->plugs[LP::kOutput]->state, ST_RUN);
  }
}

}  // namespace
}  // namespace kv::test
