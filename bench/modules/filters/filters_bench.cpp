// Cost of the filters, amplifiers, panners, mixers and summing per output sample, driven
// through the engine (48 kHz, host calls of 512 samples, engine blocks of 128), at static
// and streaming controls; and of voices "Oscillator -> Moog Filter -> VCA" at 1, 16 and 64
// voices. Sources of streaming inputs copy a precomputed signal, so their own cost is
// small (BM_SourceOnly measures it).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/ug_adder.h"
#include "modules/envelopes/adsr.h"
#include "modules/amplifiers/multiplier.h"
#include "modules/amplifiers/pan.h"
#include "modules/amplifiers/vca.h"
#include "modules/filters/allpass_filter.h"
#include "modules/filters/filter_support.h"
#include "modules/filters/moog_filter.h"
#include "modules/filters/one_pole_filter.h"
#include "modules/filters/parametric_eq.h"
#include "modules/filters/state_variable_filter.h"
#include "modules/oscillators/oscillator.h"
#include "bench/support/loop_source.h"
#include "tests/support/engine_rig.h"

namespace kv {
namespace {

using test::Engine;

using bench::Loop;
using bench::Source;

std::vector<float> Wave(float hz, float amplitude, float dc = 0.0f) {
  std::vector<float> v(48000);
  for (std::size_t i = 0; i < v.size(); ++i)
    v[i] = dc + amplitude * std::sin(2.0f * 3.14159265f * hz * i / 48000.0f);
  return v;
}

std::vector<float> Noise() {
  std::vector<float> v(48000);
  uint32_t x = 1;
  for (float& s : v) {
    x = x * 1664525u + 1013904223u;
    s = (static_cast<float>(x >> 8) / 16777216.0f - 0.5f) * 0.5f;
  }
  return v;
}

void Run(benchmark::State& state, Engine& e, int per = 1) {
  e.Start();
  for (int i = 0; i < 20; ++i) e.master.Run(512);
  int64_t samples = 0;
  for (auto _ : state) {
    e.master.Run(512);
    samples += 512;
  }
  state.counters["ns/sample"] = benchmark::Counter(
      static_cast<double>(samples) * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  if (per > 1)
    state.counters["ns/voice-sample"] = benchmark::Counter(
        static_cast<double>(samples) * per * 1e-9,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A filter with a streaming noise Signal; range(0): 0 static controls, 1 Pitch streams,
// 2 Resonance streams (filters that have one).
template <typename F>
void BM_Filter(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* f = e.Add<F>(10);
  Source(e, f, 0, true, Noise());
  const int streaming = static_cast<int>(state.range(0));
  Source(e, f, 1, streaming == 1, streaming == 1 ? Wave(0.5f, 0.2f, 0.6f) : std::vector<float>{0.6f});
  if constexpr (!std::is_base_of_v<ug_filter_1pole, F>)
    Source(e, f, 2, streaming == 2, streaming == 2 ? Wave(0.3f, 0.3f, 0.5f) : std::vector<float>{0.5f});
  Run(state, e);
}
BENCHMARK(BM_Filter<ug_filter_1pole>)->Arg(0)->Arg(1)->ArgName("streaming");
BENCHMARK(BM_Filter<ug_filter_1pole_hp>)->Arg(0)->Arg(1)->ArgName("streaming");
BENCHMARK(BM_Filter<ug_filter_biquad>)->Arg(0)->Arg(1)->Arg(2)->ArgName("streaming");
BENCHMARK(BM_Filter<ug_filter_allpass>)->Arg(0)->Arg(1)->ArgName("streaming");
BENCHMARK(BM_Filter<ug_filter_eq_parametric>)->Arg(0)->Arg(1)->ArgName("streaming");

// The Moog Filter as a synthesizer voice drives it: 1 V/kHz, cutoff 200 + 4000 x env Hz
// with env an attack-decay-release shape (5 ms linear attack, then exponential decay to
// 0.3 and release to 0, about 0.3 s per loop), static Resonance 3 V, a streaming Signal.
void BM_MoogSweep(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* f = e.Add<ug_filter_biquad>(10);
  f->freq_scale = filters::kVoltPerKhz;
  Source(e, f, ug_filter_biquad::kSignal, true, Noise());
  std::vector<float> cutoff;
  float env = 0.0f;
  for (int i = 0; i < 240; ++i) cutoff.push_back(0.02f + 0.4f * (env = (i + 1) / 240.0f));
  for (int i = 0; i < 9600; ++i) cutoff.push_back(0.02f + 0.4f * (env = 0.3f + (env - 0.3f) * 0.9995f));
  for (int i = 0; i < 4800; ++i) cutoff.push_back(0.02f + 0.4f * (env *= 0.999f));
  Source(e, f, ug_filter_biquad::kPitch, true, cutoff);
  Source(e, f, ug_filter_biquad::kResonance, false, {0.3f});
  Run(state, e);
}
BENCHMARK(BM_MoogSweep);

// The state-variable filter by connected outputs: range(1) 0 all four, 1 Low Pass only.
void BM_SvFilter(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* f = e.Add<ug_filter_sv>(10);
  Source(e, f, ug_filter_sv::kSignal, true, Noise());
  const int streaming = static_cast<int>(state.range(0));
  Source(e, f, ug_filter_sv::kPitch, streaming == 1,
         streaming == 1 ? Wave(0.5f, 0.2f, 0.6f) : std::vector<float>{0.6f});
  Source(e, f, ug_filter_sv::kResonance, streaming == 2,
         streaming == 2 ? Wave(0.3f, 0.3f, 0.5f) : std::vector<float>{0.5f});
  std::vector<std::unique_ptr<test::Probe>> sinks;
  const bool low_only = state.range(1) != 0;
  for (int o : {ug_filter_sv::kLowPass, ug_filter_sv::kHiPass, ug_filter_sv::kBandPass,
                ug_filter_sv::kBandReject}) {
    if (low_only && o != ug_filter_sv::kLowPass) continue;
    auto* p = e.Add<test::Probe>(0);
    p->calls.clear();
    p->SetProcessFunction(&ug_base::sub_process_nothing);
    UPlug::Connect(f->plugs[o], p->plugs[test::Probe::kIn]);
  }
  Run(state, e);
}
BENCHMARK(BM_SvFilter)
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->Args({2, 0})
    ->ArgNames({"streaming", "low_only"});

// VCA: range(0) 0 static Volume, 1 streaming Volume; range(1) response curve.
void BM_Vca(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* v = e.Add<ug_vca>(10);
  v->response_curve = static_cast<int16_t>(state.range(1));
  Source(e, v, ug_vca::kSignal, true, Noise());
  const bool run = state.range(0) != 0;
  Source(e, v, ug_vca::kVolume, run, run ? Wave(2.0f, 0.4f, 0.5f) : std::vector<float>{0.8f});
  Run(state, e);
}
BENCHMARK(BM_Vca)->Args({0, 1})->Args({1, 0})->Args({1, 1})->Args({1, 2})->ArgNames({"streaming", "curve"});

void BM_Pan(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* p = e.Add<ug_pan>(10);
  Source(e, p, ug_pan::kInput, true, Noise());
  const bool run = state.range(0) != 0;
  Source(e, p, ug_pan::kPan, run, run ? Wave(0.3f, 0.5f) : std::vector<float>{0.1f});
  Source(e, p, ug_pan::kVolume, false, {0.8f});
  Run(state, e);
}
BENCHMARK(BM_Pan)->Arg(0)->Arg(1)->ArgName("pan_streams");

void BM_CrossFade(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* x = e.Add<ug_cross_fade>(10);
  Source(e, x, ug_cross_fade::kInputA, true, Noise());
  Source(e, x, ug_cross_fade::kInputB, true, Wave(300.0f, 0.3f));
  const bool run = state.range(0) != 0;
  Source(e, x, ug_cross_fade::kMix, run, run ? Wave(0.3f, 0.5f) : std::vector<float>{0.1f});
  Run(state, e);
}
BENCHMARK(BM_CrossFade)->Arg(0)->Arg(1)->ArgName("mix_streams");

void BM_Multiplier(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* m = e.Add<ug_multiplier>(10);
  Source(e, m, ug_multiplier::kInput1, true, Noise());
  const bool run = state.range(0) != 0;
  Source(e, m, ug_multiplier::kInput2, run, run ? Wave(300.0f, 0.3f) : std::vector<float>{0.3f});
  Run(state, e);
}
BENCHMARK(BM_Multiplier)->Arg(0)->Arg(1)->ArgName("input2_streams");

void BM_Adder(benchmark::State& state) {
  Engine e(512, 48000.0f);
  auto* a = e.Add<ug_adder>(10);
  for (int i = 0; i < state.range(0); ++i) Source(e, a, ug_adder::kIn, true, Wave(100.0f + 50 * i, 0.1f));
  Source(e, a, ug_adder::kIn, false, {0.1f});
  Run(state, e);
}
BENCHMARK(BM_Adder)->Arg(1)->Arg(4)->ArgName("streams");

// What the figures above include besides the module: n streaming sources.
void BM_SourceOnly(benchmark::State& state) {
  Engine e(512, 48000.0f);
  for (int i = 0; i < state.range(0); ++i) {
    Loop* l = e.Add<Loop>(100);
    l->streaming = true;
    l->data = Noise();
  }
  Run(state, e);
}
BENCHMARK(BM_SourceOnly)->Arg(1)->Arg(2)->Arg(3)->ArgName("streams");

// Voices "Oscillator -> Moog Filter -> VCA" summed by a Float Adder. Each voice has its
// own static pitch; the filter cutoff is static (range(1) = 0) or follows one shared
// streaming sweep (1); the VCA volume follows one shared streaming envelope-like signal.
void BM_Voices(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  const bool cutoff_streams = state.range(1) != 0;
  Engine e(512, 48000.0f);
  auto* sum = e.Add<ug_adder>(5);
  Loop* cutoff = e.Add<Loop>(100);
  cutoff->streaming = cutoff_streams;
  cutoff->data = cutoff_streams ? Wave(0.5f, 0.2f, 0.6f) : std::vector<float>{0.65f};
  Loop* volume = e.Add<Loop>(100);
  volume->streaming = true;
  volume->data = Wave(1.0f, 0.3f, 0.6f);
  for (int v = 0; v < voices; ++v) {
    auto* osc = e.Add<ug_oscillator2>(40);
    auto* moog = e.Add<ug_filter_biquad>(30);
    auto* vca = e.Add<ug_vca>(20);
    osc->waveform = ug_oscillator2::kSaw;
    Source(e, osc, ug_oscillator2::kPitch, false, {0.4f + 0.005f * v});
    UPlug::Connect(osc->plugs[ug_oscillator2::kAudioOut], moog->plugs[ug_filter_biquad::kSignal]);
    UPlug::Connect(cutoff->plugs[0], moog->plugs[ug_filter_biquad::kPitch]);
    Source(e, moog, ug_filter_biquad::kResonance, false, {0.3f});
    UPlug::Connect(moog->plugs[ug_filter_biquad::kOutput], vca->plugs[ug_vca::kSignal]);
    UPlug::Connect(volume->plugs[0], vca->plugs[ug_vca::kVolume]);
    UPlug::Connect(vca->plugs[ug_vca::kOutput], sum->plugs[ug_adder::kIn]);
  }
  Run(state, e, voices);
}
BENCHMARK(BM_Voices)
    ->Args({1, 0})->Args({16, 0})->Args({64, 0})->Args({1, 1})->Args({16, 1})->Args({64, 1})
    ->ArgNames({"voices", "cutoff_streams"});

// Voices as a synthesizer plays them: Oscillator (saw) -> Moog Filter (1 V/kHz, cutoff
// 200 + 4000 x ADSR 1 Hz, Resonance 3 V) -> VCA (Volume from ADSR 2), summed by a Float
// Adder. One gate, 0.4 s on and 0.2 s off, drives both envelopes of every voice: the
// cutoff streams through attack, decay and release and is static while sustaining.
void BM_AdsrVoices(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  Engine e(512, 48000.0f);
  auto* sum = e.Add<ug_adder>(5);
  Loop* gate = e.Add<Loop>(100);
  gate->streaming = true;
  gate->data.assign(28800, 0.0f);
  std::fill(gate->data.begin(), gate->data.begin() + 19200, 1.0f);
  auto adsr = [&](float overall) {
    auto* a = e.Add<ug_adsr>(50);
    UPlug::Connect(gate->plugs[0], a->plugs[ug_adsr::kGate]);
    Source(e, a, ug_adsr::kAttack, false, {0.0f});   // about 10 ms
    Source(e, a, ug_adsr::kDecay, false, {0.3f});    // about 80 ms full scale
    Source(e, a, ug_adsr::kSustain, false, {0.5f});
    Source(e, a, ug_adsr::kRelease, false, {0.4f});  // about 160 ms full scale
    Source(e, a, ug_adsr::kOverallLevel, false, {overall});
    return a;
  };
  for (int v = 0; v < voices; ++v) {
    auto* osc = e.Add<ug_oscillator2>(40);
    auto* cutoff = e.Add<ug_adder>(45);
    auto* moog = e.Add<ug_filter_biquad>(30);
    auto* vca = e.Add<ug_vca>(20);
    osc->waveform = ug_oscillator2::kSaw;
    moog->freq_scale = filters::kVoltPerKhz;
    Source(e, osc, ug_oscillator2::kPitch, false, {0.4f + 0.005f * v});
    UPlug::Connect(adsr(0.4f)->plugs[ug_adsr::kSignalOut], cutoff->plugs[ug_adder::kIn]);
    Source(e, cutoff, ug_adder::kIn, false, {0.02f});
    UPlug::Connect(osc->plugs[ug_oscillator2::kAudioOut], moog->plugs[ug_filter_biquad::kSignal]);
    UPlug::Connect(cutoff->plugs[ug_adder::kOut], moog->plugs[ug_filter_biquad::kPitch]);
    Source(e, moog, ug_filter_biquad::kResonance, false, {0.3f});
    UPlug::Connect(moog->plugs[ug_filter_biquad::kOutput], vca->plugs[ug_vca::kSignal]);
    UPlug::Connect(adsr(1.0f)->plugs[ug_adsr::kSignalOut], vca->plugs[ug_vca::kVolume]);
    UPlug::Connect(vca->plugs[ug_vca::kOutput], sum->plugs[ug_adder::kIn]);
  }
  Run(state, e, voices);
}
BENCHMARK(BM_AdsrVoices)->Arg(1)->Arg(16)->ArgName("voices");

}  // namespace
}  // namespace kv
