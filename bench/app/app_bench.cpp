// The application object with patches built from their documents.
//   BM_BuildFromDocument/N  building (and deleting) the engine of a document with N modules:
//                           N/10 chains of "Test Cut" pass-throughs, ten per chain, half of
//                           the chains inside sub-containers, every chain summed into the
//                           patch output. Measures StartEngineVst + StopEngineVst.
//   BM_VoicesFromDocument/N per host call of 512 samples (engine block 128): a polyphonic
//                           patch container (note source -> envelope) with N voices held,
//                           played through ProcessHostCall; the same voice machinery as
//                           the engine benchmark, reached through the host boundary.
//   BM_IdleVoices/N         the same patch with N voices, none playing (all suspended).
#include <benchmark/benchmark.h>

#include "tests/support/offline_render.h"
#include "tests/support/patch_builder.h"

namespace kv::test {
namespace {

std::unique_ptr<Document> ManyModules(int modules) {
  PatchBuilder b;
  CContainer* p = b.patch();
  CUG* mix = b.Add("Test Cut", "Mix");
  int made = 1;
  for (int chain = 0; made < modules; ++chain) {
    CContainer* where = p;
    if (chain % 2) where = b.AddContainer("Sub", p);
    CUG* prev = b.Add("Test Ramp", "Src", where);
    ++made;
    for (int i = 1; i < 10 && made < modules; ++i, ++made) {
      CUG* next = b.Add("Test Cut", "Cut", where);
      PatchBuilder::Connect(prev, "Out", next, "In");
      prev = next;
    }
    if (where == p) {
      PatchBuilder::Connect(prev, "Out", mix, "In");
    } else {
      CPlug2* out = PatchBuilder::ExportOutput(where, prev, "Out");
      out->connect(mix->findPlug("In"));
    }
  }
  PatchBuilder::ExportOutput(p, mix, "Out");
  return b.Take();
}

void BM_BuildFromDocument(benchmark::State& state) {
  const int modules = static_cast<int>(state.range(0));
  OfflineRender r(ManyModules(modules), 48000.0f, 512);
  if (!r.started()) state.SkipWithError("the patch did not start");
  CKorvaneAppVST& app = r.app();
  for (auto _ : state) {
    app.StopEngineVst();
    if (!app.StartEngineVst(app.GetPatchRoot())) state.SkipWithError("build failed");
  }
  state.counters["modules"] = modules;
}
BENCHMARK(BM_BuildFromDocument)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

std::unique_ptr<Document> Poly(int voices) {
  PatchBuilder b;
  CContainer* p = b.patch();
  CUG* notes = b.Add("Test Notes", "Notes");
  CUG* env = b.Add("Test Env", "Env");
  PatchBuilder::Connect(notes, "Gate", env, "Gate");
  PatchBuilder::ExportInput(p, notes, "MIDI In");
  PatchBuilder::ExportOutput(p, env, "Out");
  p->findPlug("Polyphony")->setValueText(std::to_string(voices));
  return b.Take();
}

void RunVoices(benchmark::State& state, bool held) {
  const int voices = static_cast<int>(state.range(0));
  OfflineRender r(Poly(voices), 48000.0f, 512, 0, 2);
  if (!r.started()) state.SkipWithError("the patch did not start");
  std::vector<TimedMidi> midi;
  if (held)
    for (int v = 0; v < voices; ++v) midi.push_back({10 + v, 0x90, static_cast<uint8_t>(20 + v), 100});
  r.Render(2048, {512}, midi);
  float out0[512], out1[512];
  float* outs[2] = {out0, out1};
  for (auto _ : state) r.app().ProcessHostCall(nullptr, 0, outs, 2, 512, true);
  state.counters["ns/voice-sample"] = benchmark::Counter(
      static_cast<double>(voices) * 512, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_VoicesFromDocument(benchmark::State& state) { RunVoices(state, true); }
BENCHMARK(BM_VoicesFromDocument)->Arg(1)->Arg(8)->Arg(32)->Arg(128);

void BM_IdleVoices(benchmark::State& state) { RunVoices(state, false); }
BENCHMARK(BM_IdleVoices)->Arg(1)->Arg(32)->Arg(200);

}  // namespace
}  // namespace kv::test
