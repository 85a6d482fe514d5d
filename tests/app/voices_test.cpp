// Polyphony through the document: the patch container holds a note source, so it plays
// voices; the host's MIDI arrives through "VST Input" and the voices' sum leaves through
// "VST Output".
#include <gtest/gtest.h>

#include "engine/event.h"
#include "engine/ug_container.h"
#include "engine/voice.h"
#include "tests/support/offline_render.h"
#include "tests/support/patch_builder.h"
#include "tests/support/probe_modules.h"

namespace kv::test {
namespace {

constexpr int kHostBlock = 512;  // engine block 128

struct PolyDoc {
  std::unique_ptr<Document> doc;
  CContainer* patch;
};

PolyDoc MakePolyPatch(const std::string& polyphony) {
  PatchBuilder b;
  CContainer* p = b.patch();
  CUG* notes = b.Add("Test Notes", "Notes");
  CUG* env = b.Add("Test Env", "Env");
  EXPECT_TRUE(PatchBuilder::Connect(notes, "Gate", env, "Gate"));
  EXPECT_NE(PatchBuilder::ExportInput(p, notes, "MIDI In"), nullptr);
  EXPECT_NE(PatchBuilder::ExportOutput(p, env, "Out"), nullptr);
  p->findPlug("Polyphony")->setValueText(polyphony);
  return {b.Take(), p};
}

TimedMidi On(int64_t t, int note) { return {t, 0x90, static_cast<uint8_t>(note), 100}; }
TimedMidi Off(int64_t t, int note) { return {t, 0x80, static_cast<uint8_t>(note), 0}; }

struct Played {
  VoiceLog log;
  std::vector<std::vector<float>> out;
  int voice_count = 0;
  std::vector<bool> suspended;

  // Voices of the events of one type in time order (a resumed voice may handle its note-on
  // after a later one of a voice that was playing).
  std::vector<int> Of(int type) const {
    VoiceLog sorted = log;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const VoiceEvent& a, const VoiceEvent& b) { return a.time < b.time; });
    std::vector<int> v;
    for (const VoiceEvent& e : sorted)
      if (e.type == type) v.push_back(e.voice);
    return v;
  }
};

Played Play(const std::string& polyphony, const std::vector<TimedMidi>& midi, int64_t length,
            std::vector<int> calls = {kHostBlock}) {
  Played result;
  SetVoiceLog(&result.log);
  PolyDoc d = MakePolyPatch(polyphony);
  OfflineRender r(std::move(d.doc), 44100.0f, kHostBlock);
  EXPECT_TRUE(r.started());
  result.out = r.Render(length, calls, midi);
  auto* box = dynamic_cast<ug_container*>(d.patch->unitGenerator());
  EXPECT_NE(box, nullptr);
  if (box) {
    result.voice_count = box->VoiceCount();
    for (Voice* v : box->voices) result.suspended.push_back(v->suspended);
  }
  SetVoiceLog(nullptr);
  return result;
}

TEST(DocumentVoices, PolyphonyPlugDecidesTheVoicesAllocationAndStealing) {
  const Played p = Play("4", {On(1000, 60), On(1010, 61), On(1020, 62), On(1030, 63), On(1040, 64)}, 3000);
  EXPECT_EQ(p.voice_count, 4);
  // Fresh start: 0, 3, 2, 1; the fifth held note steals the earliest started.
  EXPECT_EQ(p.Of(UET_NOTE_ON), (std::vector<int>{0, 3, 2, 1, 0}));
  // Four voices sound at once: the sum reaches the host.
  EXPECT_GT(p.out[0][1500], 4 * 0.0125f);
  EXPECT_EQ(p.out[0][999], 0.0f);

  const Played three = Play("3", {On(100, 60)}, 600);
  EXPECT_EQ(three.voice_count, 3);
}

TEST(DocumentVoices, RepeatedKeyQuickReleaseAndSuspensionAfterSilence) {
  const Played p = Play("4", {On(1000, 60), Off(1100, 60), On(1150, 60), Off(1400, 60)}, 6000);
  // Voice 0 is still releasing when the key comes again: it is cut short, and the new note
  // takes another voice.
  EXPECT_EQ(p.Of(UET_NOTE_ON), (std::vector<int>{0, 3}));
  EXPECT_EQ(p.Of(UET_QUICK_RELEASE), (std::vector<int>{0}));
  EXPECT_EQ(p.Of(-UET_QUICK_RELEASE), (std::vector<int>{0})) << "the envelope heard the quick release";
  // Every voice ends suspended once silent; the released ones only after their release.
  for (bool s : p.suspended) EXPECT_TRUE(s);
  int64_t last_suspend = 0;
  for (const VoiceEvent& e : p.log)
    if (e.type == UET_SUSPEND && e.voice == 3) last_suspend = e.time;
  EXPECT_GT(last_suspend, 1400 + kEnvRelease);
  EXPECT_LE(last_suspend, 1400 + kEnvRelease + 2 * 128 + 31);
  EXPECT_EQ(p.out[0][5999], 0.0f);
  EXPECT_GT(p.out[0][1050], 0.0f);
}

TEST(DocumentVoices, VoicesDoNotDependOnHostCallLengths) {
  std::vector<TimedMidi> midi;
  const int keys[] = {60, 64, 67, 72, 60, 65, 69, 74};
  for (int i = 0; i < 8; ++i) {
    midi.push_back(On(300 + 900 * i, keys[i]));
    midi.push_back(Off(300 + 900 * i + 1500 + 37 * i, keys[i]));
  }
  std::stable_sort(midi.begin(), midi.end(), [](const TimedMidi& a, const TimedMidi& b) { return a.time < b.time; });
  // Notes and quick releases happen at their samples whatever the calls. The voice monitor
  // counts its silent block per run, so the moment a silent voice is suspended may move
  // within its window; a suspended voice is silent either way, so the audio is the same.
  const auto notes = [](const Played& p) {
    VoiceLog v;
    for (const VoiceEvent& e : p.log)
      if (e.type != UET_SUSPEND) v.push_back(e);
    std::stable_sort(v.begin(), v.end(), [](const VoiceEvent& a, const VoiceEvent& b) { return a.time < b.time; });
    return v;
  };
  const Played ref = Play("4", midi, 12000, {kHostBlock});
  const VoiceLog ref_notes = notes(ref);
  ASSERT_EQ(ref_notes.size(), 16u);
  for (const std::vector<int>& calls : {std::vector<int>{1}, {7}, {64}, {441}, {4096},
                                        RandomCallLengths(99, 300, 600)}) {
    const Played p = Play("4", midi, 12000, calls);
    const VoiceLog got = notes(p);
    ASSERT_EQ(got.size(), ref_notes.size()) << "calls of " << calls[0];
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].voice, ref_notes[i].voice) << i;
      EXPECT_EQ(got[i].type, ref_notes[i].type) << i;
      EXPECT_EQ(got[i].time, ref_notes[i].time) << i;
    }
    for (const VoiceEvent& e : p.log) {
      if (e.type != UET_SUSPEND || e.time < 300) continue;
      // A released voice: more than its release after its note-off, within two blocks.
      int64_t off = -1;
      for (const VoiceEvent& n : got)
        if (n.voice == e.voice && n.type == UET_NOTE_OFF && n.time < e.time) off = n.time;
      ASSERT_GE(off, 0) << "a voice suspended before it was released, at " << e.time;
      EXPECT_GE(e.time, off + kEnvRelease);
      EXPECT_LE(e.time, off + kEnvRelease + 2 * 128 + 31);
    }
    EXPECT_EQ(p.out[0], ref.out[0]) << "calls of " << calls[0];
  }
}

}  // namespace
}  // namespace kv::test
