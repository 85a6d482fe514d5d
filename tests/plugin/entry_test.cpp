// The entry point's work (openEffect) and the plug-in object the library hands out.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "doc/model/container.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"

#include "plugin/effect_entry.h"
#include "plugin/placeholder_effect.h"
#include "recording_host.h"
#include "test_effect.h"

namespace kv::test {
namespace {

using namespace vst;

Log entryLog;
int factoryCalls = 0;
bool failNextLoad = false;
bool throwInFactory = false;

AudioEffect* testFactory(audioMasterCallback cb, bool* loadFailed) {
  ++factoryCalls;
  if (throwInFactory) throw std::runtime_error("construction failed");
  auto* fx = new TestEffect(cb, entryLog);
  if (failNextLoad) *loadFailed = true;
  return fx;
}

struct EntryTest : ::testing::Test {
  void SetUp() override {
    entryLog.clear();
    factoryCalls = 0;
    failNextLoad = false;
    throwInFactory = false;
  }
  static intptr_t close(AEffect* e) { return e->dispatcher(e, effClose, 0, 0, nullptr, 0); }
  RecordingHost host;
};

TEST_F(EntryTest, HostAnsweringVersionZeroGetsNothing) {
  host.answers[audioMasterVersion] = 0;
  EXPECT_EQ(openEffect(&RecordingHost::callback, &testFactory), nullptr);
  EXPECT_EQ(factoryCalls, 0);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].effect, nullptr);
  EXPECT_EQ(host.calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(openEffect(nullptr, &testFactory), nullptr);
}

TEST_F(EntryTest, AnsweringHostGetsTheObjectsRecord) {
  AEffect* e = openEffect(&RecordingHost::callback, &testFactory);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(static_cast<AudioEffect*>(e->object)->getAeffect(), e);
  EXPECT_EQ(close(e), 1);
  EXPECT_EQ(entryLog, (Log{"close", "destroyed"}));
}

TEST_F(EntryTest, FailedLoadDestroysOnlyThatInstance) {
  failNextLoad = true;
  EXPECT_EQ(openEffect(&RecordingHost::callback, &testFactory), nullptr);
  EXPECT_EQ(entryLog, (Log{"destroyed"}));
  // The flag belonged to that construction: the next instance loads.
  failNextLoad = false;
  AEffect* e = openEffect(&RecordingHost::callback, &testFactory);
  ASSERT_NE(e, nullptr);
  close(e);
}

// A plug-in file of our own making: "synth.so" does not exist, its patch lies beside it in
// "synth.dat" (a root holding the patch container "Test Synth", unique id "abcd").
struct PatchBeside {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("kv_entry_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::string module = (dir / "synth.so").string();
  PatchBeside() {
    std::filesystem::create_directories(dir);
    CKorvaneDocVST doc;
    doc.OnNewDocument();
    auto* synth = dynamic_cast<CContainer*>(GetModuleRegistry().CreateModule("Container"));
    synth->setTitleQuiet("Test Synth");
    doc.root()->adopt(synth);
    doc.header().unique_id_text = "abcd";
    doc.header().product_text = "Test Product";
    const std::vector<uint8_t> bytes = doc.SavePatch();
    std::ofstream((dir / "synth.dat"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~PatchBeside() { std::filesystem::remove_all(dir); }
};

std::string patchModule;

AudioEffect* patchFactory(audioMasterCallback cb, bool* loadFailed) {
  auto* effect = new PlaceholderEffect(cb, patchModule);
  if (!effect->hasPatch()) *loadFailed = true;
  return effect;
}

TEST_F(EntryTest, LibraryEffectWithoutPatchGivesNullAndSaysWhy) {
  MessageService messages;
  messages.setLogToStderr(false);
  MessageServiceScope scope(messages);
  patchModule = "/nonexistent/folder/synth.so";
  EXPECT_EQ(openEffect(&RecordingHost::callback, &patchFactory), nullptr);
  EXPECT_EQ(messages.shownTexts(),
            (std::vector<std::string>{"synth: Can't find plugin data file. (/nonexistent/folder/synth.dat)"}));
}

TEST_F(EntryTest, ConstructionExceptionGivesNull) {
  throwInFactory = true;
  EXPECT_EQ(openEffect(&RecordingHost::callback, &testFactory), nullptr);
  EXPECT_EQ(factoryCalls, 1);
}

// The stand-in effect the library offers until the patch engine is wired: it loads the patch
// and shows its names and id, and plays silence.
TEST_F(EntryTest, LibraryEffectIsASilentStereoEffect) {
  PatchBeside patch;
  patchModule = patch.module;
  AEffect* e = openEffect(&RecordingHost::callback, &patchFactory);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->numInputs, 1);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->uniqueID, 0x61626364);
  EXPECT_TRUE(e->flags & effFlagsCanReplacing);

  auto text = [&](int32_t opcode) {
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(e->dispatcher(e, opcode, 0, 0, buffer, 0), 1);
    return std::string(buffer);
  };
  EXPECT_EQ(text(effGetEffectName), "Test Synth");
  EXPECT_EQ(text(effGetVendorString), "Korvane");
  EXPECT_EQ(text(effGetProductString), "Test Product");
  EXPECT_EQ(e->dispatcher(e, effGetVendorVersion, 0, 0, nullptr, 0), 1);

  const std::pair<const char*, intptr_t> words[] = {
      {"receiveVstMidiEvent", -1}, {"sendVstMidiEvent", -1}, {"bypass", 0},
      {"receivevstmidievent", 0},  {"sendVstMidiEvents", 0}, {"", 0}};
  for (auto [word, answer] : words) {
    char buffer[64];
    std::strcpy(buffer, word);
    EXPECT_EQ(e->dispatcher(e, effCanDo, 0, 0, buffer, 0), answer) << word;
  }

  float left[8], right[8], in[8];
  float* outs[2] = {left, right};
  float* ins[1] = {in};
  std::fill_n(left, 8, 7.0f);
  std::fill_n(right, 8, -3.0f);
  e->process(e, ins, outs, 8);  // adds nothing
  EXPECT_EQ(left[7], 7.0f);
  EXPECT_EQ(right[0], -3.0f);
  e->processReplacing(e, ins, outs, 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(left[i], 0.0f);
    EXPECT_EQ(right[i], 0.0f);
  }
  EXPECT_EQ(close(e), 1);
}

// Resume builds an audio master for the host's block size; every process call advances
// its clock by the call's length, cut into engine blocks; suspend deletes it.
TEST_F(EntryTest, LibraryEffectRunsTheEngineClockWhileResumed) {
  PatchBeside patch;
  patchModule = patch.module;
  AEffect* e = openEffect(&RecordingHost::callback, &patchFactory);
  ASSERT_NE(e, nullptr);
  auto* effect = static_cast<PlaceholderEffect*>(e->object);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  e->dispatcher(e, effSetBlockSize, 0, 512, nullptr, 0);
  float left[300], right[300];
  float* outs[2] = {left, right};
  e->processReplacing(e, nullptr, outs, 300);  // before resume: silence, no engine
  EXPECT_EQ(effect->master(), nullptr);

  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
  ASSERT_NE(effect->master(), nullptr);
  EXPECT_EQ(effect->master()->block_size(), 128);
  e->processReplacing(e, nullptr, outs, 300);
  e->process(e, nullptr, outs, 100);
  EXPECT_EQ(effect->master()->clock, 400);
  EXPECT_EQ(effect->master()->block_start(), 384);

  e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0);
  EXPECT_EQ(effect->master(), nullptr);
  EXPECT_EQ(close(e), 1);
}

}  // namespace
}  // namespace kv::test
