// Cost of "Midi to CV" per voice, in a polyphonic container whose four outputs are summed
// where they leave it (as in a patch).
//   BM_MidiToCvHeld/N     N held notes with a pitch bend every block: every voice's pitch
//                         glides all the time (the streaming path); per voice-sample.
//   BM_MidiToCvStatic/N   N held notes, nothing moving: the voices sleep; per voice-sample.
//   BM_MidiToCvNotes/N    per engine block 4 new notes and 4 note-offs spread over N
//                         voices (allocation, stealing, gate and velocity changes).
#include <benchmark/benchmark.h>

#include "tests/modules/midi/midi_rig.h"

namespace kv::test {
namespace {

constexpr int kBlockSamples = 128;
constexpr int kBlocks = 100000;  // MIDI for every iteration the benchmark may run

void PerVoiceSample(benchmark::State& state, int voices) {
  state.counters["ns/voice-sample"] = benchmark::Counter(
      static_cast<double>(voices) * kBlockSamples,
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_MidiToCvHeld(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  ToCvPatch p(voices, 0);
  for (int v = 0; v < voices; ++v) p.feed->records.push_back({10 + v, MidiEvent::Pack(0x90, 40 + v, 100)});
  for (int b = 0; b < kBlocks; ++b) {
    const int value = (b * 977) % 16384;
    p.feed->records.push_back({1024 + int64_t{b} * kBlockSamples, MidiEvent::Pack(0xE0, value & 0x7F, value >> 7)});
  }
  p.Start();
  p.master.Run(1024);
  for (auto _ : state) p.master.Run(kBlockSamples);
  PerVoiceSample(state, voices);
}
BENCHMARK(BM_MidiToCvHeld)->Arg(1)->Arg(8)->Arg(32);

void BM_MidiToCvStatic(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  ToCvPatch p(voices, 0);
  for (int v = 0; v < voices; ++v) p.feed->records.push_back({10 + v, MidiEvent::Pack(0x90, 40 + v, 100)});
  p.Start();
  p.master.Run(2048);
  for (auto _ : state) p.master.Run(kBlockSamples);
  PerVoiceSample(state, voices);
}
BENCHMARK(BM_MidiToCvStatic)->Arg(8)->Arg(32);

void BM_MidiToCvNotes(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  ToCvPatch p(voices, 0);
  p.feed->records.reserve(kBlocks * 8);
  for (int b = 0; b < kBlocks; ++b) {
    for (int k = 0; k < 4; ++k) {
      const int64_t t = 1024 + int64_t{b} * kBlockSamples + 30 * k;
      const int key = 20 + (b * 4 + k) % 80;
      p.feed->records.push_back({t, MidiEvent::Pack(0x90, key, 1 + (b + k) % 127)});
      p.feed->records.push_back({t + 20, MidiEvent::Pack(0x80, key, 0)});
    }
  }
  p.Start();
  p.master.Run(1024);
  for (auto _ : state) p.master.Run(kBlockSamples);
  PerVoiceSample(state, voices);
}
BENCHMARK(BM_MidiToCvNotes)->Arg(8)->Arg(32);

}  // namespace
}  // namespace kv::test
