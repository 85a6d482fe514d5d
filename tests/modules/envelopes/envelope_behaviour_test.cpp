// Behaviour all envelopes share: output independent of how the host splits its calls and
// of the engine block size, streaming inputs rendered like the same values sent as static
// changes, long decays free of subnormals, and sleep once static.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <typeinfo>

#include "modules/envelopes/adsr.h"
#include "modules/envelopes/eight_stage_envelope.h"
#include "modules/envelopes/multistage_envelope.h"
#include "tests/modules/envelopes/envelope_rig.h"

namespace kv::test {
namespace {

// Which inputs stream in a render.
enum Streaming { kNone = 0, kGateStreams = 1, kRatesStream = 2, kLevelsStream = 4, kOverallStreams = 8 };

// A piecewise-constant control as static one-offs or streamed until `stop`, then held.
ug_base* Control(Engine& e, bool streaming, std::vector<std::pair<int64_t, float>> pieces,
                 int64_t stop = -1) {
  if (!streaming) {
    const float first = pieces[0].second;
    pieces.erase(pieces.begin());
    return AddSteps(e, first, pieces);
  }
  return AddClip(e, [pieces](int64_t t) {
    float v = pieces[0].second;
    for (const auto& [at, value] : pieces)
      if (t >= at) v = value;
    return v;
  }, stop);
}

// Gate edges with a retrigger during the release, a release during the attack and notes
// shorter than a block; rates, levels and overall change while segments run.
const std::vector<std::pair<int64_t, float>> kGate = {
    {0, 0.0f},     {100, 1.0f},   {9000, 0.0f},   {13000, 1.0f}, {13400, 0.0f},
    {30000, 1.0f}, {30050, 0.0f}, {30070, 1.0f},  {60000, 0.0f}, {61000, 1.0f},
    {61001, 0.0f}, {90000, 1.0f}, {100000, 0.0f}};
constexpr int64_t kLength = 120000;

struct Kind {
  const char* name;
  // Builds the envelope with its inputs; answers the module and its output plug.
  std::function<std::pair<ug_base*, int>(Engine&, int streaming)> build;
};

std::pair<ug_base*, int> BuildAdsr(Engine& e, int m) {
  auto* f = e.Add<ug_adsr>(10);
  Wire(Control(e, m & kGateStreams, kGate, 105000), 0, f, ug_adsr::kGate);
  Wire(Control(e, m & kRatesStream, {{0, V(0.5)}, {13200, V(1.0)}}), 0, f, ug_adsr::kAttack);
  Wire(Control(e, m & kRatesStream, {{0, V(4.0)}, {31000, V(3.0)}}), 0, f, ug_adsr::kDecay);
  Wire(Control(e, m & kLevelsStream, {{0, V(6.0)}, {5000, V(4.0)}, {45000, V(8.0)}}), 0, f,
       ug_adsr::kSustain);
  Wire(Control(e, m & kRatesStream, {{0, V(3.0)}, {60500, V(2.0)}}), 0, f, ug_adsr::kRelease);
  Wire(Control(e, m & kOverallStreams, {{0, V(10.0)}, {20000, V(7.0)}}), 0, f,
       ug_adsr::kOverallLevel);
  return {f, ug_adsr::kSignalOut};
}

std::pair<ug_base*, int> BuildEightStage(Engine& e, int m) {
  auto* f = e.Add<ug_8_stage>(10);
  f->sus_seg = 3;
  f->end_seg = 5;
  Wire(Control(e, m & kGateStreams, kGate, 105000), 0, f, ug_8_stage::kGate);
  const double rates[8] = {0.5, 2, 1, 3, 1.5, 2.5, 0, 0};
  const double levels[8] = {10, 2, 9, 5, 3, 1, 0, 0};
  for (int i = 0; i < 8; ++i) {
    Wire(Control(e, m & kRatesStream, {{0, V(rates[i])}, {40000, V(rates[i] * 0.5)}}), 0, f,
         ug_8_stage::RatePlug(i));
    Wire(Control(e, m & kLevelsStream, {{0, V(levels[i])}, {35000 + 100 * i, V(levels[i] * 0.8)}}), 0,
         f, ug_8_stage::LevelPlug(i));
  }
  Wire(Control(e, m & kOverallStreams, {{0, V(8.0)}, {20000, V(10.0)}}), 0, f,
       ug_8_stage::kOverallLevel);
  return {f, ug_8_stage::kSignalOut};
}

// A drawing that reaches its sustain point after 80 ms.
EnvSegmentStore& SharedStore() {
  static EnvSegmentStore store;
  static const bool drawn = [] {
    store.Publish(MakeEnvSegmentRecords({{0.02f, 1.0f}, {0.08f, 0.6f}, {0.3f, 0.0f}}, 1));
    return true;
  }();
  (void)drawn;
  return store;
}

std::pair<ug_base*, int> BuildMultistage(Engine& e, int m) {
  auto* f = e.Add<ug_envelope_ms>(10);
  f->segment_store = &SharedStore();
  Wire(Control(e, m & kGateStreams, kGate, 105000), 0, f, ug_envelope_ms::kGate);
  Wire(Control(e, m & kOverallStreams, {{0, V(10.0)}, {20000, V(6.0)}}), 0, f,
       ug_envelope_ms::kOverallLevel);
  return {f, ug_envelope_ms::kSignalOut};
}

const Kind kKinds[] = {
    {"adsr", BuildAdsr}, {"eight_stage", BuildEightStage}, {"multistage", BuildMultistage}};

struct Rendered {
  std::vector<float> out;
  bool sleeping;
};

Rendered Render(const Kind& k, int streaming, const std::vector<int>& calls, int host_block = 512,
                int64_t length = kLength) {
  Engine e(host_block, 48000);
  auto [f, plug] = k.build(e, streaming);
  Recorder* r = e.Add<Recorder>(0);
  Wire(f, plug, r, 0);
  e.Start();
  RunCalls(e, length, calls);
  return {r->samples, f->sleeping != 0};
}

std::vector<int> RandomCalls() {
  std::mt19937 rng(20261210);
  std::uniform_int_distribution<int> size(1, 1500);
  std::vector<int> calls(400);
  for (int& c : calls) c = size(rng);
  return calls;
}

class EnvelopeBehaviour : public ::testing::TestWithParam<Kind> {};

// Bit-identical output for host calls of 1, 7, 64, 441, 512, 4096 and a seeded random
// sequence (engine block 128), and for engine blocks of 1, 7, 64, 63 and 100 samples (host
// blocks 1, 7, 64, 441, 1000): segment boundaries and gate edges fall on the same samples
// however the run is cut.
TEST_P(EnvelopeBehaviour, OutputIndependentOfHostCallsAndBlockSize) {
  const Kind k = GetParam();
  for (int m : {0, kGateStreams | kRatesStream | kLevelsStream | kOverallStreams}) {
    const auto whole = Render(k, m, {512});
    ASSERT_EQ(whole.out.size(), static_cast<std::size_t>(kLength));
    for (const auto& calls : {std::vector<int>{1}, {7}, {64}, {441}, {4096}, RandomCalls()}) {
      const auto split = Render(k, m, calls);
      EXPECT_EQ(MaxAbsDiff(whole.out, split.out), 0.0) << k.name << " mask " << m << " calls " << calls[0];
    }
    for (int host_block : {1, 7, 64, 441, 1000}) {
      const auto other = Render(k, m, {host_block}, host_block);
      EXPECT_EQ(MaxAbsDiff(whole.out, other.out), 0.0) << k.name << " mask " << m << " block " << host_block;
    }
  }
}

// The largest difference between a[i] and the nearest of b[i - 1], b[i], b[i + 1].
double MaxShiftedDiff(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return std::numeric_limits<double>::infinity();
  double worst = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    double best = std::fabs(double(a[i]) - b[i]);
    if (i > 0) best = std::min(best, std::fabs(double(a[i]) - b[i - 1]));
    if (i + 1 < b.size()) best = std::min(best, std::fabs(double(a[i]) - b[i + 1]));
    worst = std::max(worst, best);
  }
  return worst;
}

// Every mask of streaming inputs against the same values sent as static changes. A
// streaming rate or level is applied sample by sample, so a ramp may end one sample
// earlier or later than the planned one; otherwise the outputs agree.
TEST_P(EnvelopeBehaviour, StreamingInputsMatchStaticChanges) {
  const Kind k = GetParam();
  const auto fixed = Render(k, kNone, {512});
  for (int m = 1; m < 16; ++m) {
    const auto streamed = Render(k, m, {512});
    EXPECT_LT(MaxShiftedDiff(fixed.out, streamed.out), 1e-4) << k.name << " mask " << m;
  }
}

// A release of about 10 seconds from full level and the silence after it: no subnormal
// sample, the output ends at exactly 0 and the module sleeps.
TEST(EnvelopeDecay, LongDecaysStayNormalAndEndAsleep) {
  const float sr = 44100;
  EnvSegmentStore store;
  store.Publish({{1.0f, 100.0f, kEnvSegOrdinary}, {0.0f, 0.1f, kEnvSegEnd}});
  const std::function<std::pair<ug_base*, int>(Engine&)> builds[] = {
      [](Engine& e) -> std::pair<ug_base*, int> {
        auto* f = e.Add<ug_adsr>(10);
        Wire(Control(e, false, {{0, 1.0f}, {1000, 0.0f}}), 0, f, ug_adsr::kGate);
        Wire(Constant(e, V(0)), 0, f, ug_adsr::kAttack);
        Wire(Constant(e, V(10)), 0, f, ug_adsr::kDecay);
        Wire(Constant(e, V(10)), 0, f, ug_adsr::kSustain);
        Wire(Constant(e, V(10)), 0, f, ug_adsr::kRelease);
        Wire(Constant(e, V(10)), 0, f, ug_adsr::kOverallLevel);
        return {f, ug_adsr::kSignalOut};
      },
      [](Engine& e) -> std::pair<ug_base*, int> {
        auto* f = e.Add<ug_8_stage>(10);
        f->sus_seg = ug_8_stage::kNoSustain;
        f->end_seg = 1;
        Wire(Constant(e, 1.0f), 0, f, ug_8_stage::kGate);
        Wire(Constant(e, V(0)), 0, f, ug_8_stage::RatePlug(0));
        Wire(Constant(e, V(10)), 0, f, ug_8_stage::LevelPlug(0));
        Wire(Constant(e, V(10)), 0, f, ug_8_stage::RatePlug(1));
        Wire(Constant(e, V(10)), 0, f, ug_8_stage::kOverallLevel);
        return {f, ug_8_stage::kSignalOut};
      },
      [&store](Engine& e) -> std::pair<ug_base*, int> {
        auto* f = e.Add<ug_envelope_ms>(10);
        f->segment_store = &store;
        Wire(Constant(e, 1.0f), 0, f, ug_envelope_ms::kGate);
        Wire(Constant(e, V(10)), 0, f, ug_envelope_ms::kOverallLevel);
        return {f, ug_envelope_ms::kSignalOut};
      }};
  for (const auto& build : builds) {
    Engine e(512, sr);
    auto [f, plug] = build(e);
    Recorder* r = e.Add<Recorder>(0);
    Wire(f, plug, r, 0);
    e.Start();
    RunCalls(e, static_cast<int64_t>(12 * sr), {512});
    const auto& out = r->samples;
    SCOPED_TRACE(typeid(*f).name());
    EXPECT_GT(out[static_cast<std::size_t>(9 * sr)], 0.0f);  // still decaying after 9 s
    EXPECT_FALSE(AnySubnormal(out));
    EXPECT_TRUE(AllFinite(out));
    EXPECT_EQ(out.back(), 0.0f);
    EXPECT_TRUE(f->sleeping);
  }
}

// While it sustains with static inputs the envelope is out of the run list; a streaming
// gate keeps it awake but its output stays the same constant.
TEST_P(EnvelopeBehaviour, SleepsWhileSustainingStatically) {
  const Kind k = GetParam();
  const auto stepped = Render(k, kNone, {512}, 512, 8500);
  EXPECT_TRUE(stepped.sleeping) << k.name;
  const auto scanned = Render(k, kGateStreams, {512}, 512, 8500);
  EXPECT_FALSE(scanned.sleeping) << k.name;
  EXPECT_EQ(MaxAbsDiff(stepped.out, scanned.out), 0.0) << k.name;
}

INSTANTIATE_TEST_SUITE_P(Envelopes, EnvelopeBehaviour, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv::test
