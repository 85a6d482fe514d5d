// Behaviour every filter shares, checked on each of them: specialised process functions
// against the general per-sample path, output independent of the host's call sizes,
// settling to sleep without denormals, and recovery from a non-finite input.
#include <gtest/gtest.h>

#include "modules/filters/allpass_filter.h"
#include "modules/filters/moog_filter.h"
#include "modules/filters/one_pole_filter.h"
#include "modules/filters/parametric_eq.h"
#include "modules/filters/state_variable_filter.h"
#include "tests/modules/filters/filter_rig.h"

namespace kv::test {
namespace {

struct Kind {
  const char* name;
  std::function<ug_base*(Engine&)> add;
  int signal, pitch, resonance, output;  // resonance -1: none
};

template <typename F>
ug_base* AddFilter(Engine& e) {
  return e.Add<F>(10);
}

const Kind kKinds[] = {
    {"one_pole_lp", AddFilter<ug_filter_1pole>, 0, 1, -1, ug_filter_1pole::kOutput},
    {"one_pole_hp", AddFilter<ug_filter_1pole_hp>, 0, 1, -1, ug_filter_1pole::kOutput},
    {"sv_low_only", AddFilter<ug_filter_sv>, 0, 1, 2, ug_filter_sv::kLowPass},
    {"sv_band", AddFilter<ug_filter_sv>, 0, 1, 2, ug_filter_sv::kBandPass},
    {"moog", AddFilter<ug_filter_biquad>, 0, 1, 2, ug_filter_biquad::kOutput},
    {"allpass", AddFilter<ug_filter_allpass>, 0, 1, 2, ug_filter_allpass::kOutput},
    {"parametric_eq", AddFilter<ug_filter_eq_parametric>, 0, 1, 2, ug_filter_eq_parametric::kOutput},
};

class FilterBehaviour : public ::testing::TestWithParam<Kind> {};

// A piecewise-constant control as static one-offs or as a stream of the same values.
ug_base* Control(Engine& e, bool streaming, std::vector<std::pair<int64_t, float>> pieces) {
  if (!streaming) {
    std::vector<std::pair<int64_t, float>> rest(pieces.begin() + 1, pieces.end());
    return AddSteps(e, pieces[0].second, rest);
  }
  return AddClip(e, [pieces](int64_t t) {
    float v = pieces[0].second;
    for (const auto& [at, value] : pieces)
      if (t >= at) v = value;
    return v;
  });
}

enum Streaming { kNone = 0, kPitchStreams = 1, kResonanceStreams = 2 };

std::vector<float> Render(const Kind& k, int streaming, const std::vector<int>& calls, int64_t n,
                          std::function<float(int64_t)> signal, int64_t signal_stop,
                          float rate = 44100, int host_block = 512) {
  Engine e(host_block, rate);
  ug_base* f = k.add(e);
  Wire(AddClip(e, std::move(signal), signal_stop), 0, f, k.signal);
  Wire(Control(e, streaming & kPitchStreams, {{0, V(5.0)}, {701, V(7.3)}, {1555, V(2.1)}}), 0, f,
       k.pitch);
  if (k.resonance >= 0)
    Wire(Control(e, streaming & kResonanceStreams, {{0, V(3.0)}, {1200, V(6.5)}}), 0, f,
         k.resonance);
  Recorder* r = e.Add<Recorder>(0);
  Wire(f, k.output, r, 0);
  e.Start();
  RunCalls(e, n, calls);
  return r->samples;
}

float Noise(int64_t t) {
  uint32_t x = static_cast<uint32_t>(t) * 2654435761u;
  x ^= x >> 13;
  return (static_cast<float>(x & 0xFFFF) / 65536.0f - 0.5f) * 0.4f;
}

// Every mask of streaming controls, at three engine block sizes and rates, against the
// process functions for static controls.
TEST_P(FilterBehaviour, SpecialisedPathsMatchPerSampleCoefficients) {
  const Kind k = GetParam();
  const std::pair<float, int> setups[] = {{44100, 512}, {48000, 96}, {96000, 100}};
  for (const auto& [rate, host_block] : setups) {
    const auto fixed = Render(k, kNone, {host_block}, 4000, Noise, -1, rate, host_block);
    for (int mask : {1, 2, 3}) {  // pitch, resonance, both
      if (k.resonance < 0 && (mask & kResonanceStreams)) continue;
      const auto streamed = Render(k, mask, {host_block}, 4000, Noise, -1, rate, host_block);
      EXPECT_LT(MaxAbsDiff(fixed, streamed), 1e-6) << k.name << " mask " << mask << " at " << rate;
    }
  }
}

TEST_P(FilterBehaviour, OutputIndependentOfHostCallSizes) {
  const Kind k = GetParam();
  auto sig = [](int64_t t) { return Noise(t) + 0.1f; };  // then holds its last value
  for (int mask : {0, 1}) {
    const auto whole = Render(k, mask, {512}, 3 * 44100, sig, 3000);
    const auto split = Render(k, mask, {1, 7, 100, 333, 64}, 3 * 44100, sig, 3000);
    EXPECT_EQ(MaxAbsDiff(whole, split), 0.0) << k.name << " mask " << mask;
  }
}

// An impulse, then a static 0 for ten seconds: no subnormal sample ever, the output ends
// at exactly 0 and the filter sleeps.
TEST_P(FilterBehaviour, DecaysWithoutDenormalsAndSleeps) {
  const Kind k = GetParam();
  Engine e(512, 44100);
  ug_base* f = k.add(e);
  Wire(AddClip(e, [](int64_t t) { return t == 0 ? 0.5f : 0.0f; }, 1), 0, f, k.signal);
  Wire(AddSteps(e, V(6.0)), 0, f, k.pitch);
  if (k.resonance >= 0) Wire(AddSteps(e, V(9.0)), 0, f, k.resonance);
  Recorder* r = e.Add<Recorder>(0);
  Wire(f, k.output, r, 0);
  e.Start();
  RunCalls(e, 10 * 44100, {512});
  EXPECT_FALSE(AnySubnormal(r->samples)) << k.name;
  EXPECT_EQ(r->samples.back(), 0.0f) << k.name;
  EXPECT_TRUE(f->sleeping) << k.name;
}

// A NaN reaching the Signal is cleared by the next settle check.
TEST_P(FilterBehaviour, RecoversFromNonFiniteInput) {
  const Kind k = GetParam();
  Engine e(512, 44100);
  ug_base* f = k.add(e);
  Wire(AddClip(e, [](int64_t t) { return t == 10 ? std::nanf("") : 0.0f; }, 11), 0, f, k.signal);
  Wire(AddSteps(e, V(5.0)), 0, f, k.pitch);
  Recorder* r = e.Add<Recorder>(0);
  Wire(f, k.output, r, 0);
  e.Start();
  RunCalls(e, 3 * 44100, {512});
  EXPECT_EQ(r->samples.back(), 0.0f) << k.name;
  EXPECT_TRUE(f->sleeping) << k.name;
}

INSTANTIATE_TEST_SUITE_P(Filters, FilterBehaviour, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::test
