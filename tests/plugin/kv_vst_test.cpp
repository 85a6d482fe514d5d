// The plug-in object through its host record: parameters, programs, chunks, MIDI and the
// host call orders real hosts use.
#include "plugin/kv_vst.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_service.h"
#include "tests/plugin/fake_kv_vst_app.h"
#include "tests/plugin/recording_host.h"

namespace kv {
namespace {

using test::FakeKvVstApp;
using test::RecordingHost;

class KvVstTest : public ::testing::Test {
 protected:
  KvVstTest() { messages.setLogToStderr(false); }

  // A plug-in over a fresh fake application; `app` stays reachable for checks.
  vst::AEffect* open(const std::vector<std::string>& sliders = {"Cutoff", "Attack", "Volume"},
                     FakeKvVstApp** appOut = nullptr, bool* failed = nullptr) {
    auto app = std::make_unique<FakeKvVstApp>(sliders);
    FakeKvVstApp* raw = app.get();
    if (appOut) *appOut = raw;
    bool loadFailed = false;
    auto* effect = new KvVst(&RecordingHost::callback, std::move(app), &loadFailed);
    if (failed) *failed = loadFailed;
    effects.push_back(effect);
    return effect->getAeffect();
  }
  ~KvVstTest() override {
    for (KvVst* e : effects) delete e;
  }

  static intptr_t dispatch(vst::AEffect* e, int32_t op, int32_t index = 0, intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, op, index, value, ptr, opt);
  }
  static std::string text(vst::AEffect* e, int32_t op, int32_t index = 0) {
    char buf[256];
    std::memset(buf, 'X', sizeof buf);
    dispatch(e, op, index, 0, buf);
    return buf;
  }
  static std::vector<uint8_t> chunk(vst::AEffect* e, bool preset) {
    void* data = nullptr;
    const intptr_t size = dispatch(e, vst::effGetChunk, preset ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* p = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(p, p + size);
  }
  static void setChunk(vst::AEffect* e, std::vector<uint8_t> bytes, bool preset) {
    dispatch(e, vst::effSetChunk, preset ? 1 : 0, static_cast<intptr_t>(bytes.size()), bytes.data());
  }
  // One replacing call on two output channels pre-filled with `fill`.
  static std::vector<float> run(vst::AEffect* e, int frames, float fill = 7.0f) {
    std::vector<float> left(static_cast<size_t>(std::max(frames, 1)), fill), right = left;
    float* outs[2] = {left.data(), right.data()};
    float* ins[2] = {left.data(), right.data()};
    e->processReplacing(e, ins, outs, frames);
    return left;
  }

  RecordingHost host;
  MessageService messages;
  MessageServiceScope scope{messages};
  std::vector<KvVst*> effects;
};

TEST_F(KvVstTest, PublishesThePatchToTheHost) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff", "Attack", "Volume"}, &app);
  EXPECT_EQ(e->numParams, 3);
  EXPECT_EQ(e->numPrograms, 1);  // no "Patch Select": one program whatever the header says
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->numInputs, 0);
  EXPECT_EQ(e->uniqueID, 0x4B764678);
  EXPECT_NE(e->flags & vst::effFlagsProgramChunks, 0);
  EXPECT_NE(e->flags & vst::effFlagsCanReplacing, 0);
  EXPECT_EQ(app->wired, 1);
  // Gathered order: by name.
  EXPECT_EQ(text(e, vst::effGetParamName, 0), "Attack");
  EXPECT_EQ(text(e, vst::effGetParamName, 1), "Cutoff");
  EXPECT_EQ(text(e, vst::effGetParamName, 2), "Volume");
  EXPECT_EQ(text(e, vst::effGetParamName, 3), "");  // out of range: empty
  EXPECT_EQ(text(e, vst::effGetEffectName), "Fake Patch");
  EXPECT_EQ(text(e, vst::effGetVendorString), "Korvane");
  EXPECT_EQ(text(e, vst::effGetProductString), "Fake Product");
  EXPECT_EQ(dispatch(e, vst::effGetVendorVersion), 1);
  char bypass[] = "bypass";
  char midiIn[] = "receiveVstMidiEvent";
  EXPECT_EQ(dispatch(e, vst::effCanDo, 0, 0, bypass), 0);
  EXPECT_EQ(dispatch(e, vst::effCanDo, 0, 0, midiIn), -1);  // no MIDI input plug
}

TEST_F(KvVstTest, AFailedLoadReportsIt) {
  auto app = std::make_unique<FakeKvVstApp>(std::vector<std::string>{"A"});
  app->load_ok = false;
  bool failed = false;
  KvVst effect(&RecordingHost::callback, std::move(app), &failed);
  EXPECT_TRUE(failed);
  EXPECT_EQ(effect.getAeffect()->numParams, 0);
  // Everything still answers safely.
  effect.resume();
  float left[4] = {1, 1, 1, 1}, right[4] = {1, 1, 1, 1};
  float* outs[2] = {left, right};
  effect.processReplacing(outs, outs, 4);
  EXPECT_EQ(left[0], 0.0f);
  effect.suspend();
}

TEST_F(KvVstTest, HostValuesGoToTheControlWhileSuspended) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff"}, &app);
  CControl* cutoff = app->controls[0];
  const double before = cutoff->GetValue();
  e->setParameter(e, 0, 0.5f);
  EXPECT_FLOAT_EQ(e->getParameter(e, 0), 0.5f);
  EXPECT_NE(cutoff->GetValue(), before);
  EXPECT_FLOAT_EQ(static_cast<float>(cutoff->getNormalised()), 0.5f);
  // Unsafe values: NaN is ignored, others are clamped.
  e->setParameter(e, 0, std::nanf(""));
  EXPECT_FLOAT_EQ(e->getParameter(e, 0), 0.5f);
  e->setParameter(e, 0, 3.0f);
  EXPECT_FLOAT_EQ(e->getParameter(e, 0), 1.0f);
  e->setParameter(e, 7, 0.5f);  // out of range: nothing
  EXPECT_EQ(e->getParameter(e, 7), 0.0f);
  EXPECT_TRUE(host.callsOf(vst::audioMasterAutomate).empty());  // no echo to the host
}

TEST_F(KvVstTest, HostValuesReachTheEngineAtTheNextCall) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff", "Volume"}, &app);
  dispatch(e, vst::effMainsChanged, 0, 1);
  run(e, 64);
  const double stored = app->controls[1]->GetValue();
  e->setParameter(e, 1, 0.25f);
  e->setParameter(e, 1, 0.25f);  // the cached value: nothing more
  EXPECT_TRUE(app->sent.empty());
  EXPECT_EQ(app->controls[1]->GetValue(), stored);  // the control waits for the engine
  run(e, 64);
  ASSERT_EQ(app->sent.size(), 1u);
  EXPECT_EQ(app->sent[0].first, static_cast<generic_parameter*>(app->controls[1]));
  EXPECT_FLOAT_EQ(app->sent[0].second, 0.25f);
  run(e, 64);
  EXPECT_EQ(app->sent.size(), 1u);
}

TEST_F(KvVstTest, ValuesSetOffTheUserInterfaceThreadWaitForIdle) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff"}, &app);
  std::thread([&] { e->setParameter(e, 0, 0.75f); }).join();
  EXPECT_FLOAT_EQ(e->getParameter(e, 0), 0.75f);
  EXPECT_NE(static_cast<float>(app->controls[0]->getNormalised()), 0.75f);
  dispatch(e, vst::effIdle);
  EXPECT_FLOAT_EQ(static_cast<float>(app->controls[0]->getNormalised()), 0.75f);
}

TEST_F(KvVstTest, ChunksMoveBetweenInstancesByteForByte) {
  FakeKvVstApp* a = nullptr;
  FakeKvVstApp* b = nullptr;
  vst::AEffect* first = open({"Cutoff", "Attack", "Volume"}, &a);
  vst::AEffect* second = open({"Cutoff", "Attack", "Volume"}, &b);
  for (int i = 0; i < 3; ++i) first->setParameter(first, i, 0.1f + 0.3f * static_cast<float>(i));
  a->patch->setProgramName(0, "Warm");
  a->controls[0]->SetValue(5, 4.5);  // another program of the bank

  for (bool preset : {false, true}) {
    const std::vector<uint8_t> bytes = chunk(first, preset);
    ASSERT_FALSE(bytes.empty());
    setChunk(second, bytes, preset);
    EXPECT_EQ(chunk(second, preset), bytes) << preset;
    EXPECT_EQ(chunk(first, preset), bytes) << preset;
  }
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(second->getParameter(second, i), first->getParameter(first, i));
  EXPECT_EQ(b->controls[0]->GetValue(5), 4.5);
  EXPECT_EQ(b->patch->programName(0), "Warm");
  EXPECT_TRUE(messages.shownTexts().empty());
}

// Stored values just below a change in the number of decimals (0.9996 prints as 1.00): a
// chunk given back to the same instance must come back byte for byte.
TEST_F(KvVstTest, AChunkGivenBackComesBackTheSame) {
  FakeKvVstApp* a = nullptr;
  vst::AEffect* e = open({"Cutoff", "Attack", "Volume"}, &a);
  a->controls[0]->SetValue(-1, 0.9996);
  a->controls[1]->SetValue(-1, 99.996);
  a->controls[2]->SetValue(3, 0.99951);  // another program of the bank
  for (bool preset : {false, true}) {
    const std::vector<uint8_t> bytes = chunk(e, preset);
    ASSERT_FALSE(bytes.empty());
    setChunk(e, bytes, preset);
    EXPECT_EQ(chunk(e, preset), bytes) << preset;
  }
}

TEST_F(KvVstTest, DamagedChunksChangeNothingAndReportOnce) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff", "Volume"}, &app);
  e->setParameter(e, 0, 0.3f);
  const std::vector<uint8_t> good = chunk(e, false);

  std::vector<uint8_t> cut(good.begin(), good.end() - 3);
  setChunk(e, cut, false);
  std::vector<uint8_t> lying = good;
  lying[4] = 0x7F;  // the parameter count claims far more than the block holds
  setChunk(e, lying, false);
  std::vector<uint8_t> foreign = good;
  foreign[0] ^= 1;  // unknown marker: ignored silently
  setChunk(e, foreign, false);
  dispatch(e, vst::effSetChunk, 0, 0, nullptr);  // null block

  EXPECT_EQ(chunk(e, false), good);
  EXPECT_FLOAT_EQ(e->getParameter(e, 0), 0.3f);
  // Reported at idle, not inside the host call: one text per damaged chunk.
  EXPECT_TRUE(messages.shownTexts().empty());
  dispatch(e, vst::effIdle);
  EXPECT_EQ(messages.shownTexts().size(), 2u);
}

TEST_F(KvVstTest, ChunkEntriesWithoutAParameterAreReported) {
  vst::AEffect* wide = open({"Cutoff", "Extra", "Volume"});
  vst::AEffect* narrow = open({"Cutoff", "Volume"});
  wide->setParameter(wide, 0, 0.9f);  // "Cutoff" (gathered first)
  setChunk(narrow, chunk(wide, true), true);
  dispatch(narrow, vst::effIdle);
  ASSERT_EQ(messages.shownTexts().size(), 1u);
  EXPECT_EQ(messages.shownTexts()[0], "Some parameters could not be loaded");
}

// Call orders hosts really use: none may crash, hang or lose state.
TEST_F(KvVstTest, OddHostCallOrders) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff"}, &app);
  // Process before any resume: silence, nothing run.
  std::vector<float> out = run(e, 32);
  EXPECT_EQ(out[0], 0.0f);
  EXPECT_EQ(app->starts, 0);
  // Rate and block size 0 during creation: the engine gets usable values.
  dispatch(e, vst::effSetSampleRate, 0, 0, nullptr, 0.0f);
  dispatch(e, vst::effSetBlockSize, 0, 0);
  dispatch(e, vst::effMainsChanged, 0, 1);
  EXPECT_EQ(app->last_rate, 44100.0f);
  EXPECT_EQ(app->last_block, 1024);
  // Resume twice in a row: one engine, rebuilt.
  dispatch(e, vst::effMainsChanged, 0, 1);
  EXPECT_EQ(app->starts, 2);
  ASSERT_NE(app->master, nullptr);
  // Empty and negative calls do nothing; a call longer than announced runs.
  const sample_clock clock = app->master->clock;
  run(e, 0);
  run(e, -5);
  EXPECT_EQ(app->master->clock, clock);
  run(e, 5000);
  EXPECT_EQ(app->master->clock, clock + 5000);
  // A rate change while running rebuilds at the new rate.
  dispatch(e, vst::effSetSampleRate, 0, 0, nullptr, 96000.0f);
  EXPECT_EQ(app->last_rate, 96000.0f);
  EXPECT_EQ(app->starts, 3);
  // A failed engine build leaves silence, not stale data.
  app->fail_build = true;
  dispatch(e, vst::effMainsChanged, 0, 1);
  EXPECT_EQ(run(e, 16)[0], 0.0f);
  // Suspend twice, then close without resuming (the fixture deletes the object).
  dispatch(e, vst::effMainsChanged, 0, 0);
  dispatch(e, vst::effMainsChanged, 0, 0);
  EXPECT_EQ(app->master, nullptr);
}

TEST_F(KvVstTest, MidiFromTheHostIsStampedAndMidiToTheHostPacked) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff"}, &app);
  dispatch(e, vst::effMainsChanged, 0, 1);
  run(e, 100);
  const sample_clock start = app->master->clock;

  vst::VstMidiEvent events[3] = {};
  auto midi = [](vst::VstMidiEvent& m, int32_t delta, uint8_t a, uint8_t b, uint8_t c) {
    m.type = vst::kVstMidiType;
    m.byteSize = 24;
    m.deltaFrames = delta;
    m.midiData[0] = static_cast<char>(a);
    m.midiData[1] = static_cast<char>(b);
    m.midiData[2] = static_cast<char>(c);
  };
  midi(events[0], 10, 0xC5, 0x07, 0x00);
  midi(events[1], -4, 0x90, 0x3C, 0x64);   // negative: the start of the call
  midi(events[2], 1000, 0x80, 0x3C, 0x00);  // beyond the call: its last frame
  struct {
    int32_t numEvents;
    intptr_t reserved;
    vst::VstEvent* events[3];
  } block{3, 0, {reinterpret_cast<vst::VstEvent*>(&events[0]), reinterpret_cast<vst::VstEvent*>(&events[1]),
                 reinterpret_cast<vst::VstEvent*>(&events[2])}};
  host.calls.clear();
  dispatch(e, vst::effProcessEvents, 0, 0, &block);
  run(e, 64);

  // The fake patch echoes what arrived; the host gets it back as VstMidiEvents.
  const auto sends = host.callsOf(vst::audioMasterProcessEvents);
  ASSERT_EQ(sends.size(), 1u);
  auto* sent = static_cast<vst::VstEvents*>(sends[0].ptr);
  ASSERT_EQ(sent->numEvents, 3);
  // The pointer array starts at byte 16 and is as long as the count.
  auto** records = reinterpret_cast<vst::VstMidiEvent**>(reinterpret_cast<char*>(sent) + 16);
  vst::VstMidiEvent* first = records[0];
  EXPECT_EQ(first->deltaFrames, 10);
  EXPECT_EQ(static_cast<uint8_t>(first->midiData[0]), 0xC5);
  EXPECT_EQ(static_cast<uint8_t>(first->midiData[1]), 0x07);
  EXPECT_EQ(static_cast<uint8_t>(first->midiData[2]), 0xFF);
  EXPECT_EQ(records[1]->deltaFrames, 0);
  EXPECT_EQ(records[2]->deltaFrames, 63);
  EXPECT_EQ(app->master->clock, start + 64);
  // The events were for one call only.
  host.calls.clear();
  run(e, 64);
  EXPECT_TRUE(host.callsOf(vst::audioMasterProcessEvents).empty());
}

// The host's events belong to the audio call that follows them: several blocks sent before
// one call all play in it, and events sent before a resume (the engine restarted) never
// reach the new engine, while those sent after it do.
TEST_F(KvVstTest, HostEventsBelongToTheNextCallAfterTheLatestResume) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff"}, &app);
  dispatch(e, vst::effMainsChanged, 0, 1);
  vst::VstMidiEvent notes[2] = {};
  for (int i = 0; i < 2; ++i) {
    notes[i].type = vst::kVstMidiType;
    notes[i].deltaFrames = 5 * i;
    notes[i].midiData[0] = static_cast<char>(0x90);
    notes[i].midiData[1] = static_cast<char>(60 + i);
    notes[i].midiData[2] = 100;
  }
  struct {
    int32_t numEvents;
    intptr_t reserved;
    vst::VstEvent* events[1];
  } first{1, 0, {reinterpret_cast<vst::VstEvent*>(&notes[0])}},
      second{1, 0, {reinterpret_cast<vst::VstEvent*>(&notes[1])}};
  // Notes handed back to the host by the next call (the fake patch echoes them).
  auto echoed = [&] {
    host.calls.clear();
    run(e, 32);
    std::vector<int> got;
    for (const auto& call : host.callsOf(vst::audioMasterProcessEvents)) {
      auto* block = static_cast<vst::VstEvents*>(call.ptr);
      auto** records = reinterpret_cast<vst::VstMidiEvent**>(reinterpret_cast<char*>(block) + 16);
      for (int32_t i = 0; i < block->numEvents; ++i) got.push_back(records[i]->midiData[1]);
    }
    return got;
  };

  dispatch(e, vst::effProcessEvents, 0, 0, &first);
  dispatch(e, vst::effProcessEvents, 0, 0, &second);
  EXPECT_EQ(echoed(), (std::vector<int>{60, 61}));
  EXPECT_EQ(echoed(), std::vector<int>{});

  dispatch(e, vst::effProcessEvents, 0, 0, &first);
  dispatch(e, vst::effMainsChanged, 0, 1);
  dispatch(e, vst::effProcessEvents, 0, 0, &second);
  EXPECT_EQ(echoed(), std::vector<int>{61});

  // Kept while suspended, then dropped by the resume.
  dispatch(e, vst::effMainsChanged, 0, 0);
  dispatch(e, vst::effProcessEvents, 0, 0, &first);
  dispatch(e, vst::effMainsChanged, 0, 1);
  EXPECT_EQ(echoed(), std::vector<int>{});
}

TEST_F(KvVstTest, ProgramsAndTheirNames) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff"}, &app);
  dispatch(e, vst::effSetProgram, 0, 5);  // only one program: ignored
  EXPECT_EQ(dispatch(e, vst::effGetProgram), 0);
  char name[] = "A name that is much longer than a host's program name buffer";
  dispatch(e, vst::effSetProgramName, 0, 0, name);
  EXPECT_EQ(text(e, vst::effGetProgramName), std::string(name).substr(0, 23));
  EXPECT_EQ(app->patch->programName(0), name);
  EXPECT_EQ(dispatch(e, vst::effGetProgramNameIndexed, 3, 0, name), 1);
  EXPECT_EQ(std::string(name), app->patch->programName(3));
  EXPECT_EQ(dispatch(e, vst::effGetProgramNameIndexed, 128, 0, name), 0);
  EXPECT_EQ(std::string(name), "");
  // A program change made inside the patch reaches the host's display.
  host.calls.clear();
  app->patch->findParameter("Program")->setValueText("0");
  EXPECT_TRUE(host.callsOf(vst::audioMasterUpdateDisplay).empty());  // unchanged
  app->patch->setProgram(3);
  EXPECT_EQ(host.callsOf(vst::audioMasterUpdateDisplay).size(), 1u);
}

// Parameter writes and host events from the audio thread while another thread suspends and
// resumes.
TEST_F(KvVstTest, ParameterWritesFromTheAudioThreadDuringSuspendAndResume) {
  FakeKvVstApp* app = nullptr;
  vst::AEffect* e = open({"Cutoff", "Volume"}, &app);
  dispatch(e, vst::effMainsChanged, 0, 1);
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    AudioThreadScope audioThread;
    std::vector<float> l(256), r(256);
    float* outs[2] = {l.data(), r.data()};
    int n = 0;
    vst::VstMidiEvent note{};
    note.type = vst::kVstMidiType;
    note.midiData[0] = static_cast<char>(0x90);
    struct {
      int32_t numEvents;
      intptr_t reserved;
      vst::VstEvent* events[1];
    } block{1, 0, {reinterpret_cast<vst::VstEvent*>(&note)}};
    while (!stop.load()) {
      e->setParameter(e, n % 2, static_cast<float>(n % 100) / 100.0f);
      e->dispatcher(e, vst::effProcessEvents, 0, 0, &block, 0.0f);
      e->processReplacing(e, outs, outs, 1 + n % 256);
      ++n;
    }
  });
  for (int i = 0; i < 200; ++i) {
    dispatch(e, vst::effMainsChanged, 0, i % 3 == 0 ? 0 : 1);
    std::vector<uint8_t> bytes = chunk(e, false);
    setChunk(e, bytes, false);
  }
  stop.store(true);
  audio.join();
  dispatch(e, vst::effMainsChanged, 0, 0);
  dispatch(e, vst::effIdle);
  // The last values written by the audio thread are what the host reads back.
  const float last0 = e->getParameter(e, 0);
  EXPECT_GE(last0, 0.0f);
  EXPECT_TRUE(messages.shownTexts().empty());
}

}  // namespace
}  // namespace kv
