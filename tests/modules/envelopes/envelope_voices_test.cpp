// Envelopes in the voices of a polyphonic container: each voice's envelope takes the quick
// release of its own note source, and playing notes, stealing voices and editing the
// Multistage Env's list allocates nothing on the audio thread.
#include <gtest/gtest.h>

#include <random>

#include "modules/envelopes/adsr.h"
#include "modules/envelopes/eight_stage_envelope.h"
#include "modules/envelopes/multistage_envelope.h"
#include "tests/engine/alloc_counter.h"
#include "tests/support/voice_rig.h"

namespace kv::test {
namespace {

// MIDI feed -> [container: note source -> ADSR, 8 Stage Env, Multistage Env] -> recorders.
struct EnvelopePatch {
  explicit EnvelopePatch(int voices) : master(&host, 512, 48000.0f) {
    feed = b.Add<MidiFeed>(b.root());
    box = b.AddContainer(b.root(), true);
    box->plugs[ug_container::kPolyphony]->SetValueFromText(std::to_string(voices));
    ns = static_cast<NoteProbe*>(b.Add(box, new NoteProbe()));
    adsr = b.Add<ug_adsr>(box);
    stage = b.Add<ug_8_stage>(box);
    ms = b.Add<ug_envelope_ms>(box);
    ms->segment_store = &store;
    // Unconnected inputs take their values the document's way, through parameters.
    const char* adsr_values[] = {nullptr, "0", "3", "7", "2", "10"};
    for (int p = ug_adsr::kAttack; p <= ug_adsr::kOverallLevel; ++p)
      adsr->plugs[p]->SetValueFromText(adsr_values[p]);
    for (int i = 0; i < 8; ++i) {
      stage->plugs[ug_8_stage::RatePlug(i)]->SetValueFromText("2");
      stage->plugs[ug_8_stage::LevelPlug(i)]->SetValueFromText(std::to_string(9 - i));
    }
    stage->plugs[ug_8_stage::kOverallLevel]->SetValueFromText("10");
    ms->plugs[ug_envelope_ms::kOverallLevel]->SetValueFromText("10");
    auto [midi_outer, midi_inner] = b.AddContainerIo(box, dt_midi);
    b.Connect(feed->plugs[0], midi_outer);
    b.Connect(midi_inner, ns->plugs[NoteProbe::kMidiIn]);
    ug_base* envs[] = {adsr, stage, ms};
    const int outs[] = {ug_adsr::kSignalOut, ug_8_stage::kSignalOut, ug_envelope_ms::kSignalOut};
    const int gates[] = {ug_adsr::kGate, ug_8_stage::kGate, ug_envelope_ms::kGate};
    for (int k = 0; k < 3; ++k) {
      b.Connect(ns->plugs[NoteProbe::kGate], envs[k]->plugs[gates[k]]);
      auto [outer, inner] = b.AddContainerIo(box, dt_volts);
      b.Connect(envs[k]->plugs[outs[k]], inner);
      rec[k] = static_cast<Recorder*>(b.Add(b.root(), new Recorder(70000)));
      b.Connect(outer, rec[k]->plugs[0]);
    }
  }
  void Start() {
    feed->Sort();
    b.Build();
    root = b.TakeRoot();
    master.Start(root.get());
    master.SetRunning(true);
  }
  template <typename T>
  T* In(int voice) {
    for (ug_base* u : box->voices[voice]->ugs)
      if (auto* t = dynamic_cast<T*>(u)) return t;
    return nullptr;
  }
  void RunTo(int64_t t) {
    while (master.clock < t) master.Run(static_cast<int>(std::min<int64_t>(512, t - master.clock)));
  }

  EnvSegmentStore store;
  MessageHost host;
  KvAudioMaster master;
  GraphBuilder b{master};
  std::unique_ptr<ug_container> root;
  ug_container* box;
  MidiFeed* feed;
  NoteProbe* ns;
  ug_adsr* adsr;
  ug_8_stage* stage;
  ug_envelope_ms* ms;
  Recorder* rec[3];
};

// The note source of a voice passes its quick release (event 9, as the container sends it
// when it steals the voice) to the envelopes of that voice only: they ramp to 0 although
// the gate stays high, while the other voice sustains.
TEST(EnvelopeVoices, QuickReleaseReachesTheEnvelopesOfItsVoice) {
  EnvelopePatch p(4);
  p.feed->Note(1000, -1, 60);
  p.feed->Note(1000, -1, 64);
  p.Start();
  p.RunTo(20000);
  ug_base* source0 = p.box->voices[0]->note_source;
  ASSERT_NE(source0, nullptr);
  source0->AddEvent(p.master.clock, UET_QUICK_RELEASE, 0, 60, nullptr, 64);
  p.RunTo(40000);
  int cut = 0, sustaining = 0;
  for (int v = 0; v < 4; ++v) {
    auto* a = p.In<ug_adsr>(v);
    auto* s8 = p.In<ug_8_stage>(v);
    auto* m = p.In<ug_envelope_ms>(v);
    ASSERT_TRUE(a && s8 && m) << v;
    if (v == 0) {
      EXPECT_EQ(a->level(), 0.0f);
      EXPECT_EQ(s8->level(), 0.0f);
      EXPECT_EQ(m->level(), 0.0f);
      EXPECT_TRUE(a->released() && s8->released() && m->released());
      ++cut;
    } else if (a->level() == 0.7f) {
      EXPECT_EQ(m->level(), 0.8f);
      EXPECT_FALSE(a->released());
      ++sustaining;
    }
  }
  EXPECT_EQ(cut, 1);
  EXPECT_EQ(sustaining, 1);
}

TEST(EnvelopeVoices, PlayingAndEditingAllocatesNothingOnTheAudioThread) {
  EnvelopePatch p(4);
  std::mt19937 rng(7);
  for (int i = 0; i < 300; ++i) {
    const int64_t t = 200 + 211 * i;
    const int key = 48 + static_cast<int>(rng() % 8);  // repeats: quick releases and steals
    p.feed->Note(t, t + 50 + static_cast<int64_t>(rng() % 3000), key, 1 + static_cast<int>(rng() % 127));
  }
  p.Start();
  long allocations = 0;
  int call = 0;
  while (p.master.clock < 200 + 211 * 300 + 5000) {
    if (call % 40 == 39) {  // an edit on the user-interface thread, then its panel message
      p.store.Publish(MakeEnvSegmentRecords({{0.01f, 1.0f}, {0.02f, 0.1f * (call % 9)}, {0.05f, 0.0f}}, 1));
      for (int v = 0; v < 4; ++v)
        if (auto* m = p.In<ug_envelope_ms>(v))
          m->AddEvent(p.master.clock, UET_UI_NOTIFY, ug_envelope_ms::kListChanged, 0);
    }
    StartCountingAllocations();
    p.master.Run(1 + (call++ * 131) % 700);
    allocations += StopCountingAllocations();
  }
  EXPECT_EQ(allocations, 0);
  EXPECT_LE(p.store.KeptCount(), 6u);
  for (int k = 0; k < 3; ++k) {
    bool moved = false;
    for (float s : p.rec[k]->samples) moved |= s != 0.0f;
    EXPECT_TRUE(moved) << k;
  }
}

}  // namespace
}  // namespace kv::test
