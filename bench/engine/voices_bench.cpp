// Cost of the voice machinery and of building a large graph.
//   BM_VoicesHeld/N      N voices held and streaming (note source -> envelope, summed by
//                        the voice sum, watched by one monitor each); per engine block.
//   BM_VoicesSuspended/N N voices, all suspended (no note playing); per engine block.
//   BM_NoteTraffic/N     per engine block: 4 short notes (on, off a sample later, 40
//                        samples of release) in N voices: voices resume, play, release and
//                        are suspended again by their monitors.
//   BM_Build1000         building 1000 unit generators (sort, voices) and opening them.
#include <benchmark/benchmark.h>

#include <random>

#include "tests/support/engine_rig.h"
#include "tests/support/voice_rig.h"

namespace kv::test {
namespace {

constexpr int kBlockSamples = 128;

void BM_VoicesHeld(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  PolyPatch p(voices);
  for (int v = 0; v < voices; ++v) p.feed->Note(10 + v, -1, 40 + v);
  p.Start();
  p.master.Run(512);
  for (auto _ : state) p.master.Run(kBlockSamples);
  state.counters["ns/voice-sample"] = benchmark::Counter(
      static_cast<double>(voices) * kBlockSamples,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_VoicesHeld)->Arg(1)->Arg(8)->Arg(32)->Arg(128);

void BM_VoicesSuspended(benchmark::State& state) {
  PolyPatch p(static_cast<int>(state.range(0)));
  p.Start();
  p.master.Run(1024);
  for (auto _ : state) p.master.Run(kBlockSamples);
}
BENCHMARK(BM_VoicesSuspended)->Arg(1)->Arg(32)->Arg(200);

void BM_NoteTraffic(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  PolyPatch p(voices, 0, -1, 40);
  // Enough MIDI for every iteration the benchmark may run.
  constexpr int kBlocks = 200000;
  p.feed->records.reserve(kBlocks * 8);
  for (int b = 0; b < kBlocks; ++b) {
    for (int k = 0; k < 4; ++k) {
      const int64_t t = 1024 + int64_t{b} * kBlockSamples + 30 * k;
      const int key = 20 + (b * 4 + k) % 80;
      p.feed->records.push_back({t, MidiEvent::Pack(0x90, key, 100)});
      p.feed->records.push_back({t + 1, MidiEvent::Pack(0x80, key, 0)});
    }
  }
  p.Start();
  p.master.Run(1024);
  for (auto _ : state) p.master.Run(kBlockSamples);
  state.counters["notes/block"] = 4;
}
BENCHMARK(BM_NoteTraffic)->Arg(4)->Arg(16)->Arg(64);

void BM_Build1000(benchmark::State& state) {
  for (auto _ : state) {
    KvAudioMaster master(nullptr, 512, 48000.0f);
    std::unique_ptr<ug_container> root;
    {
      GraphBuilder b(master);
      std::mt19937 rng(5);
      std::vector<Probe*> u;
      ug_container* box = b.root();
      for (int i = 0; i < 1000; ++i) {
        if (i % 100 == 0) box = b.AddContainer(b.root(), false);  // flattened groups
        u.push_back(b.Add<Probe>(box));
      }
      // Feed-forward: each module feeds one or two later ones (several sources meeting one
      // input get summing modules).
      for (int i = 0; i < 999; ++i) {
        const int span = 1 + static_cast<int>(rng() % 20);
        b.Connect(u[i]->plugs[Probe::kOut], u[std::min(999, i + span)]->plugs[Probe::kIn]);
        if (i % 3 == 0)
          b.Connect(u[i]->plugs[Probe::kOut], u[std::min(999, i + 1 + span)]->plugs[Probe::kIn]);
      }
      b.Build();
      root = b.TakeRoot();
    }
    master.Start(root.get());
    benchmark::DoNotOptimize(root.get());
    state.PauseTiming();
    root.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Build1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kv::test
