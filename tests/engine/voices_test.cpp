// Polyphony: voices built before the start, allocation, stealing, release order, quick
// release, the sustain pedal, the voice monitor, voice summing, drum-style voice tags and
// partition invariance of a polyphonic patch.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "engine/ug_adder.h"
#include "engine/voice_monitor.h"
#include "tests/support/engine_rig.h"
#include "tests/support/voice_rig.h"

namespace kv::test {
namespace {

constexpr int kBlock = 128;  // engine block for the host block 512

TEST(Voices, AllBuiltBeforeTheStartAsCopiesOfVoiceZero) {
  PolyPatch p(4);
  p.Start();
  ASSERT_EQ(p.box->VoiceCount(), 4);
  // Recorder 0, voice sum 4, envelope 8, note source 8 + 204 (note sources sort first).
  EXPECT_EQ(p.ns->sort_order, 212);
  for (int v = 1; v < 4; ++v) {
    const Voice* voice = p.box->voices[v];
    ASSERT_NE(voice->note_source, nullptr);
    EXPECT_TRUE(voice->note_source->flags & UGF_CLONE);
    ASSERT_NE(voice->monitor, nullptr);
    for (ug_base* u : voice->ugs) {
      EXPECT_TRUE(u->flags & UGF_VOICE_DEPENDENT);
      EXPECT_EQ(u->voice_tag, v);
    }
    EXPECT_EQ(voice->ugs.size(), p.box->voices[0]->ugs.size() - 2)
        << "voice 0 also holds the shared IO module and voice sum";
  }
  // The voice sum collects voice 0, 1, 2, 3 in that order.
  ug_adder* sum = nullptr;
  for (ug_base* u : p.box->voices[0]->ugs)
    if (typeid(*u) == typeid(ug_adder)) sum = static_cast<ug_adder*>(u);
  ASSERT_NE(sum, nullptr);
  ASSERT_EQ(sum->inputs().sources.size(), 4u);
  for (int v = 0; v < 4; ++v) EXPECT_EQ(sum->inputs().sources[v].plug->owner->voice_tag, v);
  EXPECT_FALSE(sum->flags & UGF_VOICE_DEPENDENT);
  EXPECT_EQ(p.rec->plugs[0]->connections[0]->source, sum->plugs[ug_adder::kOut]);
}

TEST(Voices, AllocationStealingAndReleaseOrder) {
  struct Case {
    const char* name;
    std::vector<MidiFeed::Record> midi;
    std::vector<int> voices;
  };
  const auto on = [](int64_t t, int note) { return MidiFeed::Record{t, MidiEvent::Pack(0x90, note, 100)}; };
  const auto off = [](int64_t t, int note) { return MidiFeed::Record{t, MidiEvent::Pack(0x80, note, 0)}; };
  const Case cases[] = {
      {"fresh start", {on(1000, 60), on(1010, 61), on(1020, 62), on(1030, 63)}, {0, 3, 2, 1}},
      {"a fifth held note steals the earliest started",
       {on(1000, 60), on(1010, 61), on(1020, 62), on(1030, 63), on(1040, 64), on(1050, 65)},
       {0, 3, 2, 1, 0, 3}},
      {"equal start times: the higher index is stolen",
       {on(1000, 60), on(1000, 61), on(1000, 62), on(1000, 63), on(1040, 64)}, {0, 3, 2, 1, 3}},
      {"released voices reused in release order",
       {on(1000, 60), on(1010, 61), on(1020, 62), on(1030, 63), off(1100, 62), off(1101, 60),
        off(1102, 63), on(1110, 70), on(1111, 71), on(1112, 72)},
       {0, 3, 2, 1, 2, 0, 1}},
      {"a suspended voice before one released earlier that still sounds",
       // Key 100 rings 1000 samples after its release, key 61 stops at once and is
       // suspended a block later; the other voices are playing.
       {on(1000, 100), on(1010, 61), on(1020, 62), on(1030, 63), off(1100, 100), off(1200, 61),
        on(1600, 70)},
       {0, 3, 2, 1, 3}},
      {"note 0 held in voice 0 is not cut by the next note",
       {on(1000, 0), on(1010, 1)}, {0, 3}},
  };
  for (const Case& c : cases) {
    PolyPatch p(4);
    p.feed->records = c.midi;
    p.Start();
    p.RunTo(4000);
    EXPECT_EQ(p.Allocations(), c.voices) << c.name;
    EXPECT_TRUE(p.Of(UET_QUICK_RELEASE).empty()) << c.name;
  }
}

TEST(Voices, RepeatedKeyCutsItsReleasingVoiceShort) {
  PolyPatch p(4, 0, -1, 500);  // 500 samples of release
  p.feed->Note(1000, 1200, 60);
  p.feed->Note(1300, -1, 60);  // voice 0 still releasing
  p.feed->Note(1400, -1, 60);  // voice 3 is held: no quick release
  p.Start();
  p.RunTo(3000);
  EXPECT_EQ(p.Allocations(), (std::vector<int>{0, 3, 2}));
  const auto quick = p.Of(UET_QUICK_RELEASE);
  ASSERT_EQ(quick.size(), 1u);
  EXPECT_EQ(quick[0].voice, 0);
  EXPECT_EQ(quick[0].time, 1300);
  EXPECT_EQ(quick[0].note, 60);
  EXPECT_EQ(quick[0].velocity, 64);
  const auto env_quick = p.Of(-UET_QUICK_RELEASE);
  ASSERT_EQ(env_quick.size(), 1u) << "passed on to the voice's registered envelope";
  EXPECT_EQ(env_quick[0].voice, 0);
  EXPECT_EQ(env_quick[0].time, 1300);
  EXPECT_TRUE(p.box->voices[0]->retriggered);
}

TEST(Voices, SustainPedalAndAllNotesOff) {
  PolyPatch p(4);
  auto& r = p.feed->records;
  r.push_back({1000, MidiEvent::Pack(0x90, 60, 100)});
  r.push_back({1010, MidiEvent::Pack(0x91, 61, 100)});  // channel 2
  r.push_back({1100, MidiEvent::Pack(0xB0, 64, 127)});  // pedal down
  r.push_back({1200, MidiEvent::Pack(0x80, 60, 0)});    // deferred
  r.push_back({1210, MidiEvent::Pack(0x80, 60, 0)});    // ignored while pending
  r.push_back({1300, MidiEvent::Pack(0xB0, 64, 0)});    // pedal up: released now
  r.push_back({1400, MidiEvent::Pack(0x90, 62, 0)});    // velocity 0: a note-off (no voice)
  r.push_back({1500, MidiEvent::Pack(0xB0, 123, 0)});   // all notes off, every channel
  p.Start();
  p.RunTo(3000);
  const auto offs = p.Of(UET_NOTE_OFF);
  ASSERT_GE(offs.size(), 2u);
  EXPECT_EQ(offs[0].voice, 0);
  EXPECT_EQ(offs[0].time, 1300);
  int at_1500 = 0;
  for (const auto& e : offs) at_1500 += e.time == 1500;
  EXPECT_EQ(at_1500, 4) << "every voice, whatever its channel and state";
  EXPECT_FALSE(p.box->voices[3]->held) << "the channel-2 note was released too";
}

TEST(VoiceMonitor, SuspendsIdleVoicesAtOnceAndReleasedOnesABlockAfterTheyFallSilent) {
  struct Case {
    const char* name;
    int decay;    // env goes static this long after the note-on (-1: at the note-off)
    int release;  // ... or this long after the note-off
    int64_t due;  // when voice 0 is suspended (note 1000..2000)
  };
  const Case cases[] = {
      {"static at the note-off", -1, 0, 2000 + kBlock},
      {"static 10 samples after the note-off", -1, 10, 2010 + kBlock},
      {"static long before the note-off: 31 samples after it", 5, 0, 2031},
  };
  for (const Case& c : cases) {
    PolyPatch p(4, 0, c.decay, c.release);
    p.feed->Note(1000, 2000, 60);
    p.Start();
    p.RunTo(2 * kBlock);
    for (Voice* v : p.box->voices) EXPECT_TRUE(v->suspended) << c.name << ": idle voice " << v->index;
    auto sus = p.Of(UET_SUSPEND);
    ASSERT_EQ(sus.size(), 4u);
    for (const auto& e : sus) EXPECT_EQ(e.time, kBlock) << "a block after the start";
    EXPECT_TRUE(p.box->voices[1]->ugs[1]->flags & UGF_SUSPENDED);
    EXPECT_FALSE(p.box->voices[1]->note_source->flags & UGF_SUSPENDED) << "note sources stay";
    p.RunTo(6000);
    sus = p.Of(UET_SUSPEND);
    ASSERT_EQ(sus.size(), 5u) << c.name;
    EXPECT_EQ(sus[4].voice, 0);
    EXPECT_EQ(sus[4].time, c.due) << c.name;
    EXPECT_TRUE(p.box->voices[0]->suspended);
    EXPECT_EQ(p.box->voices[0]->release_time, 0);
    for (int v = 1; v < 4; ++v) EXPECT_TRUE(p.box->voices[v]->suspended);
  }
}

TEST(VoiceMonitor, HeldSilentVoiceIsNeverSuspended) {
  PolyPatch p(2, 0, 5, 0);  // silent 5 samples after the note-on, held for ever
  p.feed->Note(1000, -1, 60);
  p.Start();
  p.RunTo(20000);
  EXPECT_FALSE(p.box->voices[0]->suspended);
  EXPECT_TRUE(p.box->voices[1]->suspended);
}

TEST(VoiceMonitor, OutputsFeedingOnlyDisplaysAreNotWatched) {
  KvAudioMaster master(nullptr, 512, 48000.0f);
  GraphBuilder b(master);
  ug_container* box = b.AddContainer(b.root(), true);
  auto* ns = b.Add<NoteProbe>(box);
  auto* env = b.Add<Env>(box);
  auto [outer, inner] = b.AddContainerIo(box, dt_volts);
  // A meter in the container: display-only and never voice-dependent.
  auto* meter = b.Add<Recorder>(box);
  meter->flags |= UGF_DISPLAY_ONLY | UGF_NEVER_VOICE;
  auto* after = b.Add<Recorder>(b.root());
  b.Connect(ns->plugs[NoteProbe::kGate], env->plugs[Env::kGateIn]);
  b.Connect(env->plugs[Env::kOut], meter->plugs[0]);
  b.Connect(ns->plugs[NoteProbe::kPitch], inner);  // watched
  b.Connect(outer, after->plugs[0]);
  b.Build();
  ASSERT_EQ(box->VoiceCount(), 6);
  for (Voice* v : box->voices) {
    ASSERT_NE(v->monitor, nullptr);
    const auto& watched = v->monitor->inputs().sources;
    ASSERT_EQ(watched.size(), 1u) << "the pitch, not the envelope feeding the meter";
    EXPECT_EQ(watched[0].plug->index(), NoteProbe::kPitch);
  }
  EXPECT_EQ(meter->plugs[0]->connections[0]->source->owner->flags & UGF_DISPLAY_ONLY,
            UGF_DISPLAY_ONLY) << "the voice sum for the meter is display-only too";
}

// A note source that drives voices by number (drum-trigger style): each output's
// downstream becomes the voice of that number; what two outputs reach stays shared.
class DrumProbe : public NoteProbe {
 public:
  ug_base* CreateObject() override { return new DrumProbe; }
  bool IsPolyphonic() const override { return false; }
};

TEST(Voices, NonPolyphonicNoteSourceTagsVoicesByOutput) {
  KvAudioMaster master(nullptr, 512, 48000.0f);
  GraphBuilder b(master);
  ug_container* box = b.AddContainer(b.root(), true);
  auto* drum = b.Add<DrumProbe>(box);
  auto* first = b.Add<Probe>(box);
  auto* second = b.Add<Probe>(box);
  auto* both = b.Add<Probe>(box);
  b.Connect(drum->plugs[NoteProbe::kGate], first->plugs[Probe::kIn]);
  b.Connect(drum->plugs[NoteProbe::kPitch], second->plugs[Probe::kIn]);
  b.Connect(first->plugs[Probe::kOut], both->plugs[Probe::kIn]);
  b.Connect(second->plugs[Probe::kOut], both->plugs[Probe::kValue]);
  b.Build();
  ASSERT_EQ(box->VoiceCount(), 3);
  const auto in = [&](int v, ug_base* u) {
    const auto& l = box->voices[v]->ugs;
    return std::find(l.begin(), l.end(), u) != l.end();
  };
  EXPECT_TRUE(in(1, first));
  EXPECT_TRUE(in(2, second));
  EXPECT_TRUE(in(0, both));
  EXPECT_TRUE(in(0, drum));
  EXPECT_EQ(box->voices[2]->note_source, drum);
  EXPECT_EQ(box->voices[2]->note, 2);
  EXPECT_TRUE(first->flags & UGF_VOICE_DEPENDENT);
  EXPECT_FALSE(both->flags & UGF_VOICE_DEPENDENT);
}

// The same notes give the same samples and the same voices however the host cuts its calls.
TEST(Voices, PartitionInvariance) {
  constexpr int kLength = 30000;
  const auto render = [&](const std::vector<int>& calls, std::vector<int>* voices) {
    PolyPatch p(4, kLength, -1, 200);
    // Overlapping notes, steals, repeats and a long ring; none within a run of a
    // suspension decision.
    const int keys[] = {60, 64, 67, 60, 72, 100, 64, 65, 60, 61, 62, 63, 64};
    for (int i = 0; i < 13; ++i) p.feed->Note(700 + 1700 * i, 700 + 1700 * i + 2900 + 97 * i, keys[i]);
    p.Start();
    for (std::size_t i = 0; p.master.clock < kLength; ++i) {
      const int n = calls[i % calls.size()];
      p.master.Run(static_cast<int>(std::min<int64_t>(n, kLength - p.master.clock)));
    }
    *voices = p.Allocations();
    return p.rec->samples;
  };
  std::vector<int> ref_voices;
  const std::vector<float> ref = render({4096}, &ref_voices);
  int streaming = 0;
  for (float s : ref) streaming += s != 0.0f;
  EXPECT_GT(streaming, kLength / 2) << "the patch plays";
  EXPECT_EQ(ref_voices.size(), 13u);
  std::mt19937 rng(7);
  std::vector<int> random_calls;
  for (int i = 0; i < 200; ++i) random_calls.push_back(1 + static_cast<int>(rng() % 700));
  for (const auto& calls : std::vector<std::vector<int>>{{1}, {7}, {64}, {441}, {512}, random_calls}) {
    std::vector<int> voices;
    EXPECT_EQ(render(calls, &voices), ref) << "host calls of " << calls[0];
    EXPECT_EQ(voices, ref_voices) << "host calls of " << calls[0];
  }
}

TEST(NoteSource, ChannelMessagesReachThePrototypeAndTheCopiesOfTheirChannel) {
  PolyPatch p(3);
  const auto cc = [](int ch, int c, int v) { return MidiEvent::Pack(0xB0 | ch, c, v); };
  p.feed->records = {
      {100, MidiEvent::Pack(0x90, 60, 100)},  // voice 0, channel 1
      {110, MidiEvent::Pack(0x91, 61, 100)},  // voice 2, channel 2
      {200, MidiEvent::Pack(0xE1, 0x00, 0x60)},  // bend on channel 2: +4096
      {210, MidiEvent::Pack(0xD0, 64, 0)},       // pressure on channel 1
      {220, MidiEvent::Pack(0xC0, 5, 0)},        // program 5
      {230, cc(9, 0, 0)},                        // bank 0 on channel 10 counts as 128
      {231, cc(0, 0, 0)},
      {240, cc(1, 101, 0)}, {241, cc(1, 100, 0)}, {242, cc(1, 6, 7)}, {243, cc(1, 38, 64)},
      {250, cc(0, 99, 1)}, {251, cc(0, 6, 9)},   // NRPN selected: no bend range
      {260, MidiEvent::Pack(0xFE, 0, 0)},        // system message: passes, does nothing
  };
  p.Start();
  p.RunTo(1000);
  const auto voices_of = [&](int type) {
    std::vector<std::pair<int, int>> v;
    for (const VoiceEvent& e : p.Of(type)) v.push_back({e.voice, e.note});
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(voices_of(UET_PITCH_BEND), (std::vector<std::pair<int, int>>{{0, 4096}, {2, 4096}}));
  // The copy of voice 1 never played: its current channel is still channel 1.
  EXPECT_EQ(voices_of(UET_AFTERTOUCH), (std::vector<std::pair<int, int>>{{0, 64}, {1, 64}}));
  EXPECT_EQ(voices_of(UET_PROG_CHANGE), (std::vector<std::pair<int, int>>{{0, 5}, {1, 5}, {2, 5}}));
  EXPECT_EQ(voices_of(NoteProbe::kBankEvent), (std::vector<std::pair<int, int>>{{0, 0}, {0, 128}}));
  EXPECT_FLOAT_EQ(p.ns->Channel(1).bend_range, 7.5f);
  EXPECT_FLOAT_EQ(p.ns->Channel(1).bend, 0.5f);
  EXPECT_FLOAT_EQ(p.ns->Channel(0).bend_range, 2.0f);
  EXPECT_EQ(&static_cast<NoteProbe*>(p.box->voices[2]->note_source)->Channel(1), &p.ns->Channel(1))
      << "copies share the prototype's channel table";
}

TEST(NoteSource, ChannelFilterPassesOneChannel) {
  PolyPatch p(2);
  p.ns->channel_filter = 1;
  p.feed->Note(100, 200, 60, 100, 0);
  p.feed->Note(300, 400, 61, 100, 1);
  p.Start();
  p.RunTo(1000);
  const auto ons = p.Of(UET_NOTE_ON);
  ASSERT_EQ(ons.size(), 1u);
  EXPECT_EQ(ons[0].note, 61);
  EXPECT_EQ(ons[0].channel, 1);
}

TEST(Controls, ControllersReachTheControlsFiledUnderThem) {
  KvAudioMaster master(nullptr, 512, 48000.0f);
  GraphBuilder b(master);
  auto* volume = b.Add<Probe>(b.root());
  auto* nrpn = b.Add<Probe>(b.root());
  auto* rpn = b.Add<Probe>(b.root());
  auto* data = b.Add<Probe>(b.root());
  auto* moved = b.Add<Probe>(b.root());
  ug_container* box = b.root();
  box->RegisterControl(volume, 7);
  box->RegisterControl(nrpn, 99, 300);
  box->RegisterControl(rpn, 101, 0);
  box->RegisterControl(data, 6);
  box->RegisterControl(moved, 7);
  box->MoveControl(moved, 10);
  box->RegisterControl(b.Add<Probe>(b.root()), -1);  // not filed
  b.Build();
  std::unique_ptr<ug_container> root = b.TakeRoot();
  master.Start(root.get());
  master.SetRunning(true);
  box->DispatchController(10, 7, 0, 300, 100);
  box->DispatchController(20, 6, 5, 300, 64);  // data entry: NRPN 300 matches, RPN 5 does not
  master.Run(64);
  const auto got = [](Probe* p) {
    std::vector<std::pair<int64_t, int>> v;
    for (const Handled& h : p->handled)
      if (h.type == UET_CONTROLLER) v.push_back({h.at, h.arg2});
    return v;
  };
  EXPECT_EQ(got(volume), (std::vector<std::pair<int64_t, int>>{{10, 100}}));
  EXPECT_TRUE(got(moved).empty());
  EXPECT_EQ(got(nrpn), (std::vector<std::pair<int64_t, int>>{{20, 64}}));
  EXPECT_TRUE(got(rpn).empty());
  EXPECT_EQ(got(data), (std::vector<std::pair<int64_t, int>>{{20, 64}}));
}

// Two engines with different block sizes and sample rates share nothing: rendered at the
// same time on two threads they give what each gives alone.
TEST(Voices, TwoEnginesOnTwoThreadsShareNothing) {
  constexpr int kLength = 20000;
  const auto render = [](int host_block, float rate, int seed) {
    PolyPatch p(3 + seed, kLength, -1, 150 + 50 * seed, host_block, rate);
    for (int i = 0; i < 12; ++i) p.feed->Note(300 + 1500 * i + seed * 7, 2600 + 1500 * i, 50 + 3 * i + seed);
    p.Start();
    std::mt19937 rng(seed);
    while (p.master.clock < kLength)
      p.master.Run(static_cast<int>(std::min<int64_t>(1 + rng() % 900, kLength - p.master.clock)));
    return p.rec->samples;
  };
  const std::vector<float> alone_a = render(512, 48000.0f, 0);
  const std::vector<float> alone_b = render(441, 44100.0f, 1);
  std::vector<float> together_a, together_b;
  std::thread ta([&] { together_a = render(512, 48000.0f, 0); });
  std::thread tb([&] { together_b = render(441, 44100.0f, 1); });
  ta.join();
  tb.join();
  EXPECT_EQ(together_a, alone_a);
  EXPECT_EQ(together_b, alone_b);
  EXPECT_NE(alone_a, alone_b);
}

}  // namespace
}  // namespace kv::test
