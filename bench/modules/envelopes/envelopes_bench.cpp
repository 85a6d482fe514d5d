// Cost of the envelopes per output sample, driven through the engine (48 kHz, host calls
// of 512 samples, engine blocks of 128), in their common states: in a stage (a ramp so slow
// it lasts the whole measurement) with static inputs, with a streaming rate, level, overall
// level or gate, and sustaining. Streaming inputs come from the test Signal source, whose
// own cost BM_SourceOnly measures.
#include <benchmark/benchmark.h>

#include <cmath>

#include "modules/envelopes/adsr.h"
#include "modules/envelopes/eight_stage_envelope.h"
#include "modules/envelopes/multistage_envelope.h"
#include "tests/support/signal_rig.h"

namespace kv {
namespace {

using test::Constant;
using test::Engine;
using test::Stream;
using test::Wire;

void Run(benchmark::State& state, Engine& e, ug_base* envelope) {
  e.Start();
  for (int i = 0; i < 20; ++i) e.master.Run(512);
  int64_t samples = 0;
  for (auto _ : state) {
    e.master.Run(512);
    samples += 512;
  }
  state.counters["ns/sample"] = benchmark::Counter(
      static_cast<double>(samples) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["asleep"] = envelope->sleeping ? 1 : 0;
}

// A rate of 30 V: a full-scale change takes 2^23 s, so the ramp never ends here.
constexpr float kEndless = 3.0f;

ug_base* Input(Engine& e, bool streaming, float value) {
  if (!streaming) return Constant(e, value);
  return Stream(e, [value](int64_t t) { return value + 0.01f * std::sin(0.001f * static_cast<float>(t % 6283)); });
}

enum AdsrCase { kStage, kStageRateStreams, kStageOverallStreams, kStageGateStreams, kSustain, kSustainGateStreams };

void BM_Adsr(benchmark::State& state) {
  const auto c = static_cast<AdsrCase>(state.range(0));
  Engine e(512, 48000.0f);
  auto* f = e.Add<ug_adsr>(10);
  const bool sustain = c == kSustain || c == kSustainGateStreams;
  const bool gate_streams = c == kStageGateStreams || c == kSustainGateStreams;
  Wire(gate_streams ? Stream(e, [](int64_t) { return 1.0f; }) : Constant(e, 1.0f), 0, f, ug_adsr::kGate);
  Wire(Input(e, c == kStageRateStreams, sustain ? 0.0f : kEndless), 0, f, ug_adsr::kAttack);
  Wire(Constant(e, 0.0f), 0, f, ug_adsr::kDecay);
  Wire(Constant(e, 0.7f), 0, f, ug_adsr::kSustain);
  Wire(Constant(e, 0.4f), 0, f, ug_adsr::kRelease);
  Wire(Input(e, c == kStageOverallStreams, 0.8f), 0, f, ug_adsr::kOverallLevel);
  Run(state, e, f);
}
BENCHMARK(BM_Adsr)
    ->Arg(kStage)->Arg(kStageRateStreams)->Arg(kStageOverallStreams)->Arg(kStageGateStreams)
    ->Arg(kSustain)->Arg(kSustainGateStreams)->ArgName("case");

// 8 Stage Env in segment 0 with static inputs, or with its level streaming (a ramp towards
// a moving target).
void BM_EightStage(benchmark::State& state) {
  const bool level_streams = state.range(0) != 0;
  Engine e(512, 48000.0f);
  auto* f = e.Add<ug_8_stage>(10);
  Wire(Constant(e, 1.0f), 0, f, ug_8_stage::kGate);
  for (int i = 0; i < 8; ++i) {
    Wire(Constant(e, kEndless), 0, f, ug_8_stage::RatePlug(i));
    Wire(i == 0 ? Input(e, level_streams, 1.0f) : Constant(e, 0.5f), 0, f, ug_8_stage::LevelPlug(i));
  }
  Wire(Constant(e, 0.8f), 0, f, ug_8_stage::kOverallLevel);
  Run(state, e, f);
}
BENCHMARK(BM_EightStage)->Arg(0)->Arg(1)->ArgName("level_streams");

// Multistage Env in a stage of slope 1e-6 per second.
void BM_Multistage(benchmark::State& state) {
  EnvSegmentStore store;
  store.Publish({{1.0f, 1e-6f, kEnvSegOrdinary}, {0.0f, 10.0f, kEnvSegEnd}});
  Engine e(512, 48000.0f);
  auto* f = e.Add<ug_envelope_ms>(10);
  f->segment_store = &store;
  Wire(Constant(e, 1.0f), 0, f, ug_envelope_ms::kGate);
  Wire(Constant(e, 0.8f), 0, f, ug_envelope_ms::kOverallLevel);
  Run(state, e, f);
}
BENCHMARK(BM_Multistage);

// One streaming source alone, to subtract from the cases that have one: range(0) 0 the
// wobbling control (rates, levels, overall level), 1 the constant streaming gate.
void BM_SourceOnly(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* s = state.range(0) ? Stream(e, [](int64_t) { return 1.0f; }) : Input(e, true, 0.5f);
  Run(state, e, s);
}
BENCHMARK(BM_SourceOnly)->Arg(0)->Arg(1)->ArgName("gate");

}  // namespace
}  // namespace kv
