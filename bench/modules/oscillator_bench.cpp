// Cost of the oscillators per output sample, driven through the engine (48 kHz, host
// calls of 512 samples, engine blocks of 128), at static and streaming inputs. Sources of
// streaming inputs copy a precomputed signal, so their own cost is small.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "modules/oscillators/oscillator.h"
#include "modules/oscillators/phase_dist_oscillator.h"
#include "modules/oscillators/test_tone.h"
#include "bench/support/loop_source.h"
#include "tests/support/engine_rig.h"

namespace kv {
namespace {

using test::Engine;

using bench::Loop;
using bench::Source;

std::vector<float> Sweep(float lo_volts, float hi_volts) {  // a slow triangle in pitch
  std::vector<float> v(48000);
  for (std::size_t i = 0; i < v.size(); ++i) {
    const float x = static_cast<float>(i) / v.size();
    v[i] = (lo_volts + (hi_volts - lo_volts) * (x < 0.5f ? 2 * x : 2 - 2 * x)) / 10.0f;
  }
  return v;
}

std::vector<float> Sine(float hz, float amplitude, float dc = 0.0f) {
  std::vector<float> v(48000);
  for (std::size_t i = 0; i < v.size(); ++i)
    v[i] = dc + amplitude * std::sin(2.0f * 3.14159265f * hz * i / 48000.0f);
  return v;
}

void Run(benchmark::State& state, Engine& e) {
  e.Start();
  for (int i = 0; i < 50; ++i) e.master.Run(512);  // past start-up fades
  int64_t samples = 0;
  for (auto _ : state) {
    e.master.Run(512);
    samples += 512;
  }
  // seconds / (samples x 1e-9) = nanoseconds per sample
  state.counters["ns/sample"] = benchmark::Counter(
      static_cast<double>(samples) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

enum Input { kStatic = 0, kPitchRuns = 1, kWidthRuns = 2, kPmRuns = 4, kSyncRuns = 8 };

void BM_Oscillator(benchmark::State& state) {
  const auto wave = static_cast<int16_t>(state.range(0));
  const int inputs = static_cast<int>(state.range(1));
  Engine e(512, 48000.0f);
  auto* osc = e.Add<ug_oscillator2>(10);
  osc->waveform = wave;
  Source(e, osc, ug_oscillator2::kPitch, inputs & kPitchRuns,
         inputs & kPitchRuns ? Sweep(3.0f, 7.0f) : std::vector<float>{0.5f});
  if (inputs & kWidthRuns) Source(e, osc, ug_oscillator2::kPulseWidth, true, Sine(0.7f, 0.5f));
  if (inputs & kPmRuns) {
    Source(e, osc, ug_oscillator2::kPhaseMod, true, Sine(440.0f, 0.1f));
    Source(e, osc, ug_oscillator2::kPmDepth, false, {0.5f});
  }
  if (inputs & kSyncRuns) Source(e, osc, ug_oscillator2::kSync, true, Sine(200.0f, 0.5f));
  Run(state, e);
}

void OscillatorArgs(benchmark::internal::Benchmark* b) {
  using O = ug_oscillator2;
  for (int wave : {O::kSine, O::kSaw, O::kRamp, O::kTriangle, O::kPulse})
    for (int in : {kStatic, kPitchRuns}) b->Args({wave, in});
  b->Args({O::kPulse, kWidthRuns});
  b->Args({O::kPulse, kPitchRuns | kWidthRuns});
  b->Args({O::kSaw, kPmRuns});
  b->Args({O::kSaw, kPitchRuns | kPmRuns});
  b->Args({O::kSaw, kSyncRuns});
  b->Args({O::kSaw, kPitchRuns | kSyncRuns});
  b->Args({O::kWhiteNoise, kStatic});
  b->Args({O::kPinkNoise, kStatic});
  b->ArgNames({"wave", "streaming"});
}
BENCHMARK(BM_Oscillator)->Apply(OscillatorArgs);

void BM_PhaseDistOscillator(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* osc = e.Add<ug_oscillator_pd>(10);
  osc->wave1 = static_cast<int16_t>(state.range(0));
  osc->wave2 = ug_oscillator_pd::kNone;
  const bool pitch_runs = state.range(1) != 0;
  Source(e, osc, ug_oscillator_pd::kPitch, pitch_runs,
         pitch_runs ? Sweep(3.0f, 7.0f) : std::vector<float>{0.5f});
  Source(e, osc, ug_oscillator_pd::kModDepth, false, {0.6f});
  Run(state, e);
}
BENCHMARK(BM_PhaseDistOscillator)
    ->Args({ug_oscillator_pd::kSaw, 0})
    ->Args({ug_oscillator_pd::kSaw, 1})
    ->Args({ug_oscillator_pd::kSquare, 0})
    ->Args({ug_oscillator_pd::kReso2, 0})
    ->ArgNames({"wave", "pitch_streams"});

void BM_TestTone(benchmark::State& state) {
  Engine e(512, 48000.0f);
  e.Add<ug_test_tone>(10);
  Run(state, e);
}
BENCHMARK(BM_TestTone);

// The engine with a pitch source only: what the figures above include besides the
// oscillator itself.
void BM_SourceOnly(benchmark::State& state) {
  Engine e(512, 48000.0f);
  Loop* l = e.Add<Loop>(100);
  l->streaming = state.range(0) != 0;
  l->data = l->streaming ? Sweep(3.0f, 7.0f) : std::vector<float>{0.5f};
  Run(state, e);
}
BENCHMARK(BM_SourceOnly)->Arg(0)->Arg(1)->ArgName("streaming");

}  // namespace
}  // namespace kv
