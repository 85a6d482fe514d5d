// Logic gates, the NOT gate, the one-in one-out modules, Clipper and Comparator through the
// engine, against small reference models written from the modules' rules: random inputs
// that cross the logic thresholds slowly, within one sample and not at all, streaming and
// static sources, NaN and infinite samples, and the sample at which each output change is
// sent downstream.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/event.h"
#include "modules/logic/clipper.h"
#include "modules/logic/comparator.h"
#include "modules/logic/generic_1_1.h"
#include "modules/logic/logic_gates.h"
#include "tests/modules/filters/dsp_rig.h"

namespace kv::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Equal samples: the same bits, or both NaN.
bool Same(float a, float b) {
  return (std::isnan(a) && std::isnan(b)) || std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

// First sample where the recorded output differs from the model, or -1.
int64_t FirstDifference(const std::vector<float>& got, const std::vector<float>& want) {
  for (std::size_t t = 0; t < want.size(); ++t)
    if (t >= got.size() || !Same(got[t], want[t])) return static_cast<int64_t>(t);
  return got.size() == want.size() ? -1 : static_cast<int64_t>(want.size());
}

// An input of the test: a stream of given samples (which may stop streaming and hold its
// value), or a static value changed by one-offs at given times. `At` gives the value an
// input reads at sample t in either case.
struct Input {
  bool streaming = true;
  std::vector<float> samples;                      // streaming: one per sample
  int64_t stop_at = -1;                            // streaming: holds samples[stop_at] from then on
  float initial = 0.0f;                            // static
  std::vector<std::pair<int64_t, float>> changes;  // static, in time order
  float At(int64_t t) const {
    if (streaming) return samples[stop_at >= 0 && t > stop_at ? stop_at : t];
    float v = initial;
    for (const auto& [time, value] : changes)
      if (time <= t) v = value;
    return v;
  }
};

ug_base* AddInput(Engine& e, const Input& in) {
  if (!in.streaming) return AddSteps(e, in.initial, in.changes);
  std::vector<float> s = in.samples;
  return AddClip(e, [s](int64_t t) { return s[static_cast<std::size_t>(t)]; }, in.stop_at);
}

// Samples that exercise the logic thresholds: holds, slow ramps, jumps within one sample,
// chatter between the thresholds, the thresholds themselves and their neighbours, NaN and
// infinities.
std::vector<float> LogicWave(std::mt19937& rng, int n) {
  std::uniform_real_distribution<float> any(-1.0f, 1.0f), between(1.0f / 6.0f, 1.0f / 3.0f);
  const float special[] = {1.0f / 3.0f, std::nextafter(1.0f / 3.0f, 1.0f), 1.0f / 6.0f,
                           std::nextafter(1.0f / 6.0f, 0.0f), kNaN, kInf, -kInf, 0.5f, 0.0f};
  std::vector<float> x;
  float v = 0.0f;
  while (static_cast<int>(x.size()) < n) {
    const int len = 1 + static_cast<int>(rng() % 200);
    switch (rng() % 5) {
      case 0:  // hold
        x.insert(x.end(), len, v);
        break;
      case 1: {  // ramp to a new level
        const float to = any(rng) * 0.6f + 0.25f, from = std::isfinite(v) ? v : 0.0f;
        for (int i = 1; i <= len; ++i) x.push_back(v = from + (to - from) * i / len);
        break;
      }
      case 2:  // jump
        x.push_back(v = any(rng));
        break;
      case 3:  // between the thresholds: never changes a logic state
        for (int i = 0; i < len; ++i) x.push_back(v = between(rng));
        break;
      default:
        x.push_back(v = special[rng() % std::size(special)]);
        break;
    }
  }
  x.resize(n);
  return x;
}

Input RandomLogicInput(std::mt19937& rng, int n, bool streaming) {
  Input in;
  in.streaming = streaming;
  if (streaming) {
    in.samples = LogicWave(rng, n);
    if (rng() % 3 == 0) in.stop_at = rng() % n;  // stops streaming somewhere
    return in;
  }
  const std::vector<float> levels = LogicWave(rng, 64);
  in.initial = levels[0];
  int64_t t = 0;
  for (std::size_t i = 1; i < levels.size(); ++i) {
    t += 1 + rng() % 600;
    if (t >= n) break;
    in.changes.push_back({t, levels[i]});
  }
  return in;
}

// The logic trigger, written out: high above 1/3, low below 1/6, otherwise unchanged.
struct ModelTrigger {
  bool high = false;
  bool Read(float x) {
    const bool was = high;
    if (x > 1.0f / 3.0f) high = true;
    if (x < 1.0f / 6.0f) high = false;
    return high != was;
  }
};

enum class GateKind { kAnd, kOr, kXor, kNand, kNor };

bool ModelGate(GateKind kind, const std::vector<ModelTrigger>& in) {
  int high = 0;
  for (const ModelTrigger& t : in) high += t.high;
  const int n = static_cast<int>(in.size());
  if (n == 0) return false;  // no connected input: 0 V whatever the gate
  switch (kind) {
    case GateKind::kAnd: return high == n;
    case GateKind::kOr: return high > 0;
    case GateKind::kXor: return high == 1;
    case GateKind::kNand: return high != n;
    case GateKind::kNor: return high == 0;
  }
  return false;
}

struct LogicResult {
  std::vector<float> out;
  std::vector<int64_t> changes;  // samples where the output took a new value (after open)
};

LogicResult ModelGateRun(GateKind kind, const std::vector<Input>& inputs, int n) {
  std::vector<ModelTrigger> trig(inputs.size());
  LogicResult r;
  float value = ModelGate(kind, trig) ? 0.5f : 0.0f;
  for (int t = 0; t < n; ++t) {
    bool changed = false;
    for (std::size_t k = 0; k < inputs.size(); ++k) changed |= trig[k].Read(inputs[k].At(t));
    if (changed) {
      const float v = ModelGate(kind, trig) ? 0.5f : 0.0f;
      if (v != value) r.changes.push_back(t);
      value = v;
    }
    r.out.push_back(value);
  }
  return r;
}

LogicResult ModelNotRun(const Input& input, int n) {
  ModelTrigger trig;
  LogicResult r;
  for (int t = 0; t < n; ++t) {
    if (trig.Read(input.At(t))) r.changes.push_back(t);
    r.out.push_back(trig.high ? 0.0f : 0.5f);
  }
  return r;
}

// Output samples and the times of the one-offs a module downstream received after open.
struct Watch {
  Recorder* samples;
  Probe* probe;
  std::vector<int64_t> OneOffs() const {
    std::vector<int64_t> times;
    for (const Handled& h : probe->handled)
      if (h.type == UET_STAT_CHANGE && h.arg1 == ST_ONE_OFF && h.at > 0) times.push_back(h.at);
    return times;
  }
  bool AnyRunState() const {
    for (const Handled& h : probe->handled)
      if (h.type == UET_STAT_CHANGE && h.arg1 == ST_RUN) return true;
    return false;
  }
};

Watch WatchOutput(Engine& e, ug_base* u, int plug) {
  Recorder* r = e.Add<Recorder>(0);
  Probe* p = e.Add<Probe>(0);
  Wire(u, plug, r, 0);
  Wire(u, plug, p, Probe::kIn);
  return {r, p};
}

std::vector<int64_t> WithoutZero(std::vector<int64_t> times) {
  std::erase(times, 0);
  return times;
}

template <typename Gate>
Gate* AddGate(Engine& e, int inputs) {
  auto* g = e.Add<Gate>(10);
  // The document gives the engine one plug per connected input.
  for (int k = 0; k < inputs; ++k) g->AddPlug(new UPlug(g, DR_IN, dt_volts));
  g->SetupPlugs();
  return g;
}

ug_logic_gate* AddGateOfKind(Engine& e, GateKind kind, int inputs) {
  switch (kind) {
    case GateKind::kAnd: return AddGate<ug_logic_AND>(e, inputs);
    case GateKind::kOr: return AddGate<ug_logic_OR>(e, inputs);
    case GateKind::kXor: return AddGate<ug_logic_XOR>(e, inputs);
    case GateKind::kNand: return AddGate<ug_logic_NAND>(e, inputs);
    case GateKind::kNor: return AddGate<ug_logic_NOR>(e, inputs);
  }
  return nullptr;
}

const char* GateName(GateKind k) {
  static const char* names[] = {"AND", "OR", "XOR", "NAND", "NOR"};
  return names[static_cast<int>(k)];
}

// ---- gates -------------------------------------------------------------------------------

// Every gate with one to four inputs, each input streaming, stopping or static, on random
// inputs in irregular host calls: every output sample and every change time as the model
// says.
TEST(LogicGate, RandomInputsMatchTheModelSampleAndChangeTimes) {
  constexpr int kSamples = 6000;
  std::mt19937 rng(20261211);
  for (GateKind kind : {GateKind::kAnd, GateKind::kOr, GateKind::kXor, GateKind::kNand, GateKind::kNor}) {
    for (int inputs = 1; inputs <= 4; ++inputs) {
      for (int mix = 0; mix < 4; ++mix) {  // 0 all static, 3 all streaming, else random
        std::vector<Input> in;
        for (int k = 0; k < inputs; ++k)
          in.push_back(RandomLogicInput(rng, kSamples, mix == 3 || (mix != 0 && rng() % 2 == 0)));
        Engine e(256, 44100);
        ug_logic_gate* g = AddGateOfKind(e, kind, inputs);
        for (int k = 0; k < inputs; ++k) Wire(AddInput(e, in[k]), 0, g, ug_logic_gate::kFirstInput + k);
        const Watch w = WatchOutput(e, g, ug_logic_gate::kOutput);
        e.Start();
        RunCalls(e, kSamples, {256, 100, 1, 411, 37});

        const LogicResult want = ModelGateRun(kind, in, kSamples);
        const std::string what = std::string(GateName(kind)) + " inputs " + std::to_string(inputs) + " mix " +
                                 std::to_string(mix);
        EXPECT_EQ(FirstDifference(w.samples->samples, want.out), -1) << what;
        EXPECT_EQ(w.OneOffs(), WithoutZero(want.changes)) << what;
        EXPECT_FALSE(w.AnyRunState()) << what << ": the output only ever holds a value";
        if (mix == 0) {  // a block after the last change the gate sleeps
          RunCalls(e, 256, {256});
          EXPECT_TRUE(g->sleeping) << what;
        }
      }
    }
  }
}

// The thresholds on a slow ramp up and down, one-sample crossings and a signal between
// them, checked by hand: the exact samples where a one-input OR gate follows its input.
TEST(LogicGate, ThresholdsOnRampsJumpsAndChatter) {
  struct Case {
    const char* name;
    std::function<float(int64_t)> fn;
    std::vector<int64_t> changes;
  } cases[] = {
      // 0 V up by 0.01 V a sample: above 3.333 V from 3.34 V (sample 334); down from 10 V
      // (sample 1000) below 1.667 V at 1.66 V (sample 1834).
      {"ramp", [](int64_t t) { return (t <= 1000 ? t : 2000 - t) * 0.001f; }, {334, 1834}},
      {"between_2V_and_3V", [](int64_t t) { return t % 2 ? V(2) : V(3); }, {}},
      {"one_sample_pulses", [](int64_t t) { return t == 100 ? V(5) : (t == 101 ? V(0) : V(2)); }, {100, 101}},
      {"just_at_the_thresholds", [](int64_t t) { return t < 50 ? 1.0f / 3.0f : (t < 60 ? 0.5f : 1.0f / 6.0f); },
       {50}},
  };
  for (const Case& c : cases) {
    Engine e(128, 48000);
    auto* g = AddGate<ug_logic_OR>(e, 1);
    Wire(AddClip(e, c.fn), 0, g, ug_logic_gate::kFirstInput);
    const Watch w = WatchOutput(e, g, ug_logic_gate::kOutput);
    e.Start();
    RunCalls(e, 2100, {128});
    EXPECT_EQ(w.OneOffs(), c.changes) << c.name;
  }
}

// With no connected input every gate, NAND and NOR included, gives 0 V and sleeps.
TEST(LogicGate, NoInputsGiveZero) {
  for (GateKind kind : {GateKind::kAnd, GateKind::kOr, GateKind::kXor, GateKind::kNand, GateKind::kNor}) {
    Engine e(128, 44100);
    ug_logic_gate* g = AddGateOfKind(e, kind, 0);
    const Watch w = WatchOutput(e, g, ug_logic_gate::kOutput);
    e.Start();
    RunCalls(e, 1000, {128});
    for (float s : w.samples->samples) ASSERT_EQ(s, 0.0f) << GateName(kind);
    EXPECT_TRUE(g->sleeping) << GateName(kind);
  }
}

// ---- NOT ---------------------------------------------------------------------------------

TEST(LogicNot, RandomInputsMatchTheModelSampleAndChangeTimes) {
  constexpr int kSamples = 8000;
  std::mt19937 rng(7);
  for (int trial = 0; trial < 12; ++trial) {
    const Input in = RandomLogicInput(rng, kSamples, trial % 3 != 0);
    Engine e(trial % 2 ? 64 : 512, 44100);
    auto* n = e.Add<ug_logic_not>(10);
    Wire(AddInput(e, in), 0, n, ug_logic_not::kInput);
    const Watch w = WatchOutput(e, n, ug_logic_not::kOutput);
    e.Start();
    RunCalls(e, kSamples, {100, 1, 333, 64});
    const LogicResult want = ModelNotRun(in, kSamples);
    EXPECT_EQ(FirstDifference(w.samples->samples, want.out), -1) << "trial " << trial;
    EXPECT_EQ(w.OneOffs(), WithoutZero(want.changes)) << "trial " << trial;
    EXPECT_FALSE(w.AnyRunState()) << "trial " << trial;
    if (!in.streaming || in.stop_at >= 0) {  // a block after the last change NOT sleeps
      RunCalls(e, 512, {512});
      EXPECT_TRUE(n->sleeping) << "trial " << trial;
    }
  }
}

TEST(LogicNot, UnconnectedInputGivesFiveVolts) {
  Engine e(128, 44100);
  auto* n = e.Add<ug_logic_not>(10);
  const Watch w = WatchOutput(e, n, ug_logic_not::kOutput);
  e.Start();
  RunCalls(e, 500, {128});
  for (float s : w.samples->samples) ASSERT_EQ(s, 0.5f);
  EXPECT_TRUE(n->sleeping);
}

// ---- one-in one-out modules ----------------------------------------------------------------

struct OneToOne {
  const char* name;
  std::unique_ptr<ug_generic_1_1> (*make)();
  float (*model)(float);
};

template <typename T>
std::unique_ptr<ug_generic_1_1> Make() {
  return std::make_unique<T>();
}

bool Denormal(float x) { return std::fpclassify(x) == FP_SUBNORMAL; }

const OneToOne kOneToOne[] = {
    {"Rectifier", Make<ug_rectifier>, [](float x) { return std::fabs(x); }},
    {"Inverter", Make<ug_inverter>, [](float x) { return -x; }},
    {"Denormal Cleaner", Make<ug_denormal_stop>, [](float x) { return Denormal(x) ? 0.0f : x; }},
    {"Denormal Detector", Make<ug_denormal_detect>, [](float x) { return Denormal(x) ? 5.0f : 0.0f; }},
};

std::vector<float> AnySamples(std::mt19937& rng, int n) {
  std::vector<float> x(n);
  std::uniform_real_distribution<float> volts(-2.0f, 2.0f);
  for (float& s : x) {
    switch (rng() % 6) {
      case 0:  // any bit pattern: denormals, NaNs, infinities, negative zero
        s = std::bit_cast<float>(static_cast<uint32_t>(rng()));
        break;
      case 1:  // a denormal of either sign
        s = std::bit_cast<float>(static_cast<uint32_t>(rng() & 0x807FFFFFu) | 1u);
        break;
      case 2:
        s = rng() % 2 ? 0.0f : -0.0f;
        break;
      default:
        s = volts(rng);
        break;
    }
  }
  return x;
}

// Each module on random samples of every kind, streaming and as static values, in
// irregular host calls: the output is the model's, bit for bit; it streams with a
// streaming input, and a static one lets the module sleep.
TEST(OneInOneOut, RandomSamplesMatchTheModel) {
  constexpr int kSamples = 3000;
  std::mt19937 rng(99);
  for (const OneToOne& m : kOneToOne) {
    for (bool streaming : {true, false}) {
      Input in;
      in.streaming = streaming;
      if (streaming) {
        in.samples = AnySamples(rng, kSamples);
      } else {
        const std::vector<float> levels = AnySamples(rng, 20);
        in.initial = levels[0];
        for (int i = 1; i < 20; ++i) in.changes.push_back({i * 140 + static_cast<int64_t>(rng() % 100), levels[i]});
      }
      Engine e(128, 44100);
      std::unique_ptr<ug_generic_1_1> owned = m.make();
      ug_generic_1_1* u = owned.get();
      u->master = &e.master;
      u->sort_order = 10;
      u->BuildPlugsFromDeclarations();
      e.top.members.push_back(u);
      e.owned.push_back(std::move(owned));
      Wire(AddInput(e, in), 0, u, ug_generic_1_1::kInput);
      const Watch w = WatchOutput(e, u, ug_generic_1_1::kOutput);
      e.Start();
      RunCalls(e, kSamples, {128, 3, 77});
      std::vector<float> want;
      for (int t = 0; t < kSamples; ++t) want.push_back(m.model(in.At(t)));
      const std::string what = std::string(m.name) + (streaming ? " streaming" : " static");
      EXPECT_EQ(FirstDifference(w.samples->samples, want), -1) << what;
      EXPECT_EQ(w.AnyRunState(), streaming) << what;
      EXPECT_EQ(u->sleeping, !streaming) << what;
    }
  }
}

// Rounding to whole volts: every whole-volt input from -1000 V to 1000 V maps to itself,
// and other inputs go down (Floor) or up (Ceil) to the next whole volt (compared as values:
// Ceil may give -0 V).
TEST(OneInOneOut, FloorAndCeilRoundToWholeVolts) {
  struct Case {
    double volts, floor_volts, ceil_volts;
  } cases[] = {{-0.5, -1, 0}, {0.1, 0, 1}, {2.5, 2, 3}, {-2.5, -3, -2}, {9.99, 9, 10}, {-0.01, -1, 0}};
  std::vector<float> in, want_floor, want_ceil;
  for (const Case& c : cases) {
    in.push_back(V(c.volts));
    want_floor.push_back(V(c.floor_volts));
    want_ceil.push_back(V(c.ceil_volts));
  }
  for (int v = -1000; v <= 1000; ++v) {
    in.push_back(V(v));
    want_floor.push_back(V(v));
    want_ceil.push_back(V(v));
  }
  for (bool ceil : {false, true}) {
    Engine e(128, 44100);
    ug_base* u = ceil ? static_cast<ug_base*>(e.Add<ug_math_ceil>(10)) : e.Add<ug_math_floor>(10);
    Wire(AddClip(e, [&in](int64_t t) { return in[t]; }), 0, u, ug_generic_1_1::kInput);
    Recorder* r = WatchOutput(e, u, ug_generic_1_1::kOutput).samples;
    e.Start();
    RunCalls(e, static_cast<int64_t>(in.size()), {128});
    const std::vector<float>& want = ceil ? want_ceil : want_floor;
    int64_t bad = -1;
    for (std::size_t t = 0; t < want.size() && bad < 0; ++t)
      if (!(r->samples.at(t) == want[t])) bad = static_cast<int64_t>(t);
    EXPECT_EQ(bad, -1) << (ceil ? "Ceil" : "Floor") << " at input " << (bad >= 0 ? in[bad] * 10.0 : 0.0)
                       << " V gives " << (bad >= 0 ? r->samples[bad] * 10.0 : 0.0) << " V";
  }
}

// ---- Clipper -----------------------------------------------------------------------------

float ModelClip(float x, float hi, float lo) {
  if (x > hi) return hi;  // the upper test first
  if (x < lo) return lo;
  return x;
}

// Random signals and limits, each streaming or static, Lo above Hi included: the model's
// output for every sample, streaming while an input streams.
TEST(Clipper, RandomInputsAndLimitsMatchTheModel) {
  constexpr int kSamples = 2000;
  std::mt19937 rng(5);
  for (int mask = 0; mask < 8; ++mask) {  // which of signal, hi, lo stream
    for (bool crossed : {false, true}) {  // limits the wrong way round
      Input in[3];
      for (int k = 0; k < 3; ++k) {
        const bool streams = mask & (1 << k);
        in[k].streaming = streams;
        std::vector<float> x = AnySamples(rng, streams ? kSamples : 10);
        if (k > 0)  // limits mostly ordinary volts, Lo above Hi when crossed
          for (float& s : x)
            if (rng() % 4) s = (k == 1) == crossed ? V(-3) + s * 0.01f : V(4) + s * 0.01f;
        if (streams) {
          in[k].samples = x;
        } else {
          in[k].initial = x[0];
          for (int i = 1; i < 10; ++i) in[k].changes.push_back({i * 190 + k * 7, x[i]});
        }
      }
      Engine e(128, 44100);
      auto* c = e.Add<ug_clipper>(10);
      for (int k = 0; k < 3; ++k) Wire(AddInput(e, in[k]), 0, c, k);
      const Watch w = WatchOutput(e, c, ug_clipper::kOutput);
      e.Start();
      RunCalls(e, kSamples, {128, 50});
      std::vector<float> want;
      for (int t = 0; t < kSamples; ++t) want.push_back(ModelClip(in[0].At(t), in[1].At(t), in[2].At(t)));
      const std::string what = "streaming mask " + std::to_string(mask) + (crossed ? " crossed" : "");
      EXPECT_EQ(FirstDifference(w.samples->samples, want), -1) << what;
      EXPECT_EQ(w.AnyRunState(), mask != 0) << what;
      EXPECT_EQ(c->sleeping, mask == 0) << what;
    }
  }
}

TEST(Clipper, LoAboveHiGivesHiAboveHiAndLoOtherwise) {
  // Hi 1 V, Lo 3 V.
  const struct {
    double in, out;
  } cases[] = {{5, 1}, {1.5, 1}, {1, 3}, {0, 3}, {-4, 3}};
  for (const auto& c : cases) {
    Engine e(128, 44100);
    auto* clip = e.Add<ug_clipper>(10);
    Wire(AddSteps(e, V(c.in)), 0, clip, ug_clipper::kSignal);
    Wire(AddSteps(e, V(1)), 0, clip, ug_clipper::kHiLimit);
    Wire(AddSteps(e, V(3)), 0, clip, ug_clipper::kLoLimit);
    Recorder* r = WatchOutput(e, clip, ug_clipper::kOutput).samples;
    e.Start();
    RunCalls(e, 300, {128});
    EXPECT_EQ(r->samples.back(), V(c.out)) << c.in << " V";
  }
}

// ---- Comparator --------------------------------------------------------------------------

// Each of the four renderers (A, B streaming or static) on random inputs with NaN and
// infinities, and the output values as settings: Hi Out Val while A > B, else Lo Out Val.
TEST(Comparator, FourRenderersMatchTheModel) {
  constexpr int kSamples = 2500;
  std::mt19937 rng(11);
  for (int mask = 0; mask < 4; ++mask) {
    Input in[2];
    for (int k = 0; k < 2; ++k) {
      const bool streams = mask & (1 << k);
      in[k].streaming = streams;
      const std::vector<float> x = AnySamples(rng, streams ? kSamples : 12);
      if (streams) {
        in[k].samples = x;
      } else {
        in[k].initial = x[0];
        for (int i = 1; i < 12; ++i) in[k].changes.push_back({i * 180 + k * 31, x[i]});
      }
    }
    Engine e(128, 44100);
    auto* c = e.Add<ug_comparator>(10);
    c->hi_out_val = 7.5;
    c->lo_out_val = -2.0;
    for (int k = 0; k < 2; ++k) Wire(AddInput(e, in[k]), 0, c, k);
    const Watch w = WatchOutput(e, c, ug_comparator::kOutput);
    e.Start();
    RunCalls(e, kSamples, {128, 9, 200});
    std::vector<float> want;
    for (int t = 0; t < kSamples; ++t)
      want.push_back(in[0].At(t) > in[1].At(t) ? static_cast<float>(7.5 * 0.1) : static_cast<float>(-2.0 * 0.1));
    EXPECT_EQ(FirstDifference(w.samples->samples, want), -1) << "streaming mask " << mask;
    EXPECT_EQ(w.AnyRunState(), mask != 0) << "streaming mask " << mask;
    EXPECT_EQ(c->sleeping, mask == 0) << "streaming mask " << mask;
  }
}

}  // namespace
}  // namespace kv::test
