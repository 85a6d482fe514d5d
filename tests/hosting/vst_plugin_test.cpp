#include "hosting/vst_plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "hosting/vst_event_buffer.h"
#include "hosting/vst_host.h"
#include "tests/hosting/fixture_protocol.h"

namespace kv {
namespace {

using namespace vst;

std::unique_ptr<VstPlugin> mustLoad(const char* path, VstHost& host) {
  VstLoadFailure failure;
  auto plugin = VstPlugin::load(path, host, failure);
  EXPECT_NE(plugin, nullptr) << failure.message;
  return plugin;
}

intptr_t callHostFromPlugin(VstPlugin& plugin, int32_t opcode, int32_t index = 0,
                            intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
  ProbeCall call{opcode, index, value, ptr, opt};
  return plugin.dispatch(effVendorSpecific, kProbeCallHost, 0, &call);
}

TEST(VstPluginLoad, FailuresAreReportedByKindWithTheFileName) {
  const auto textFile = std::filesystem::temp_directory_path() /
                        ("kv-not-a-plugin-" + std::to_string(std::random_device{}()) + ".so");
  std::ofstream(textFile) << "just text\n";
  struct Case {
    std::string path;
    VstLoadError kind;
    const char* words;
  };
  const Case cases[] = {
      {"/nonexistent/plugin.so", VstLoadError::FileNotFound, "file not found"},
      {textFile.string(), VstLoadError::NotLoadable, "not a VST 2 plug-in"},
      {KV_FIXTURE_NOENTRY, VstLoadError::NoEntryPoint, "exports neither VSTPluginMain nor main"},
      {KV_FIXTURE_NULL, VstLoadError::EntryReturnedNull, "refused to load"},
      {KV_FIXTURE_BADMAGIC, VstLoadError::BadRecord, "not a VST 2 plug-in"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    VstHost host;
    VstLoadFailure failure;
    EXPECT_EQ(VstPlugin::load(c.path, host, failure), nullptr);
    EXPECT_EQ(failure.kind, c.kind);
    EXPECT_NE(failure.message.find(c.path), std::string::npos) << failure.message;
    EXPECT_NE(failure.message.find(c.words), std::string::npos) << failure.message;
    EXPECT_EQ(failure.message.find('\n'), std::string::npos);
  }
  std::filesystem::remove(textFile);
}

TEST(VstPluginLoad, EitherEntryNameLoadsAndCallbacksDuringTheEntryReachTheHost) {
  for (const char* path : {KV_FIXTURE_MAIN, KV_FIXTURE_VSTPLUGINMAIN}) {
    SCOPED_TRACE(path);
    VstHostIdentity identity;
    identity.vstVersion = 2200;
    VstHost host(identity);
    auto plugin = mustLoad(path, host);
    ASSERT_NE(plugin, nullptr);
    // The null-record call and the call with the record not yet returned both reach
    // this plug-in's host.
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, kProbeVersionDuringEntry), 2200);
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, kProbeBlockSizeDuringEntry), 1024);
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, kProbeOpenCalls), 1);
    EXPECT_EQ(plugin->effectName(), "Fixture");
    EXPECT_EQ(fourCharacterText(plugin->uniqueId()), "KvFx");
  }
}

// A host that records what the plug-in reports.
class RecordingHost : public VstHost {
 public:
  using VstHost::VstHost;
  std::vector<std::pair<int32_t, float>> automated;
  int idleRequests = 0;

 protected:
  void automate(VstPlugin&, int32_t index, float value) override { automated.emplace_back(index, value); }
  void idleRequested(VstPlugin&) override { ++idleRequests; }
};

TEST(VstHostCallback, AnswersWhatPlugInsAsk) {
  RecordingHost host;
  auto plugin = mustLoad(KV_FIXTURE_MAIN, host);
  ASSERT_NE(plugin, nullptr);
  plugin->setSampleRate(44100.0f);
  plugin->setBlockSize(96);
  host.transport().setTempo(90.0);

  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterVersion), 2400);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterGetSampleRate), 44100);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterGetBlockSize), 96);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterCurrentId), plugin->uniqueId());
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterWantMidi, 0, 1), 1);
  EXPECT_TRUE(host.plugInWantsMidi());
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterNeedIdle), 1);
  EXPECT_TRUE(host.plugInNeedsIdle());
  EXPECT_EQ(host.idleRequests, 1);

  char text[256];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterGetVendorString, 0, 0, text), 1);
  EXPECT_STREQ(text, "Ostrana");
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterGetProductString, 0, 0, text), 1);
  EXPECT_STREQ(text, "Korvane");

  char yes[] = "sendVstMidiEvent", no[] = "sendVstMidiEventX", prefix[] = "sendVst";
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterCanDo, 0, 0, yes), 1);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterCanDo, 0, 0, no), 0);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterCanDo, 0, 0, prefix), 0);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterCanDo, 0, 0, nullptr), 0);

  // Pins: 0 means connected.
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterPinConnected, 0, 0), 0);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterPinConnected, 1, 0), 1);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterPinConnected, 1, 1), 0);

  // Automation only for real parameters.
  callHostFromPlugin(*plugin, audioMasterAutomate, 1, 0, nullptr, 0.75f);
  callHostFromPlugin(*plugin, audioMasterAutomate, 2, 0, nullptr, 0.5f);
  callHostFromPlugin(*plugin, audioMasterAutomate, -1, 0, nullptr, 0.5f);
  ASSERT_EQ(host.automated.size(), 1u);
  EXPECT_EQ(host.automated[0], std::make_pair(1, 0.75f));

  const auto* time = reinterpret_cast<const VstTimeInfo*>(callHostFromPlugin(*plugin, audioMasterGetTime));
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->tempo, 90.0);
  EXPECT_TRUE(time->flags & kVstTempoValid);

  // Not offered or unknown: 0. The file selector's record holds pointers never filled.
  char selector[512] = {};
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterOpenFileSelector, 0, 0, selector), 0);
  EXPECT_EQ(callHostFromPlugin(*plugin, audioMasterSizeWindow, 100, 100), 0);
  EXPECT_EQ(callHostFromPlugin(*plugin, 77), 0);
  EXPECT_EQ(callHostFromPlugin(*plugin, -5), 0);
}

TEST(VstHostCallback, TwoPlugInsReachTheirOwnHosts) {
  VstHostIdentity a, b;
  a.vstVersion = 2400;
  b.vstVersion = 2200;
  VstHost hostA(a), hostB(b);
  auto first = mustLoad(KV_FIXTURE_MAIN, hostA);
  auto second = mustLoad(KV_FIXTURE_VSTPLUGINMAIN, hostB);
  ASSERT_TRUE(first && second);
  first->setBlockSize(64);
  second->setBlockSize(100);
  EXPECT_EQ(callHostFromPlugin(*first, audioMasterVersion), 2400);
  EXPECT_EQ(callHostFromPlugin(*second, audioMasterVersion), 2200);
  EXPECT_EQ(callHostFromPlugin(*first, audioMasterGetBlockSize), 64);
  EXPECT_EQ(callHostFromPlugin(*second, audioMasterGetBlockSize), 100);
}

TEST(VstHostCallback, ACallWithoutAnInstanceGetsOnlyTheHostWideAnswers) {
  EXPECT_EQ(VstPlugin::hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
  EXPECT_EQ(VstPlugin::hostCallback(nullptr, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(VstPlugin::hostCallback(nullptr, audioMasterGetTime, 0, 0, nullptr, 0.0f), 0);
  AEffect stranger{};
  EXPECT_EQ(VstPlugin::hostCallback(&stranger, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f), 0);
}

TEST(VstPluginProcess, EveryProcessPathStartsFromTheInputAndReplacesTheOutput) {
  for (const char* path : {KV_FIXTURE_MAIN, KV_FIXTURE_ACCUMULATE, KV_FIXTURE_NOPROCESS}) {
    SCOPED_TRACE(path);
    VstHost host;
    auto plugin = mustLoad(path, host);
    ASSERT_NE(plugin, nullptr);
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(16);
    plugin->resume();
    std::vector<float> in(16, 0.5f), left(16, 7.0f), right(16, 7.0f);
    float* inputs[] = {in.data()};
    float* outputs[] = {left.data(), right.data()};
    plugin->process(inputs, outputs, 16);
    for (int i = 0; i < 16; ++i) {
      EXPECT_EQ(left[i], 0.75f);
      EXPECT_EQ(right[i], 0.25f);
    }
    // A count of 0 is not passed on: the outputs stay as they are.
    left.assign(16, 7.0f);
    plugin->process(inputs, outputs, 0);
    EXPECT_EQ(left[0], 7.0f);
  }
}

TEST(VstPluginProcess, MidiGoesInWithOffsetsAndMidiFromThePlugInIsCollected) {
  VstHost host;
  auto plugin = mustLoad(KV_FIXTURE_MAIN, host);
  ASSERT_NE(plugin, nullptr);
  plugin->resume();
  VstEventBuffer events(4);
  EXPECT_TRUE(events.addMidi(0, 0x90, 60, 100));
  EXPECT_TRUE(events.addMidi(13, 0x80, 60, 0));
  plugin->processEvents(events.events());
  std::vector<float> in(16), left(16), right(16);
  float* inputs[] = {in.data()};
  float* outputs[] = {left.data(), right.data()};
  plugin->process(inputs, outputs, 16);

  const VstEventBuffer& echoed = host.midiFromPlugin();
  ASSERT_EQ(echoed.size(), 2u);
  EXPECT_EQ(echoed.at(0).deltaFrames, 0);
  EXPECT_EQ(static_cast<uint8_t>(echoed.at(0).midiData[0]), 0x90);
  EXPECT_EQ(echoed.at(0).midiData[1], 60);
  EXPECT_EQ(echoed.at(1).deltaFrames, 13);
  EXPECT_EQ(static_cast<uint8_t>(echoed.at(1).midiData[0]), 0x80);
  host.clearMidiFromPlugin();
  EXPECT_EQ(host.midiFromPlugin().size(), 0u);
}

TEST(VstEventBufferTest, LaysOutTheBlockAsPlugInsReadItAndDropsBeyondCapacity) {
  VstEventBuffer buffer(3);
  for (int i = 0; i < 5; ++i) buffer.addMidi(i, 0xB0, 7, static_cast<uint8_t>(i));
  EXPECT_EQ(buffer.size(), 3u);
  EXPECT_EQ(buffer.dropped(), 2u);
  VstEvents* block = buffer.events();
  const auto* raw = reinterpret_cast<const unsigned char*>(block);
  int32_t count;
  std::memcpy(&count, raw, 4);
  EXPECT_EQ(count, 3);
  for (int i = 0; i < 3; ++i) {
    VstMidiEvent* e;
    std::memcpy(&e, raw + 16 + 8 * i, sizeof e);
    EXPECT_EQ(e->type, kVstMidiType);
    EXPECT_EQ(e->deltaFrames, i);
    EXPECT_EQ(e->midiData[2], i);
  }
  buffer.clear();
  EXPECT_EQ(buffer.events()->numEvents, 0);
}

TEST(VstPluginState, ChunkRoundTripAndIndexChecks) {
  VstHost host;
  auto plugin = mustLoad(KV_FIXTURE_MAIN, host);
  ASSERT_NE(plugin, nullptr);
  EXPECT_TRUE(plugin->setParameter(0, 0.9f));
  const std::vector<uint8_t> chunk = plugin->chunk(false);
  EXPECT_EQ(chunk.size(), 8u);
  plugin->setParameter(0, 0.1f);
  EXPECT_NE(plugin->setChunk(chunk, false), 0);
  EXPECT_EQ(plugin->parameter(0), 0.9f);

  EXPECT_FALSE(plugin->setParameter(2, 0.5f));
  EXPECT_FALSE(plugin->setParameter(-1, 0.5f));
  EXPECT_EQ(plugin->parameter(2), 0.0f);
  EXPECT_EQ(plugin->parameterName(1), "Beta");
  EXPECT_EQ(plugin->parameterName(2), "");
  EXPECT_FALSE(plugin->setProgram(1));
  EXPECT_FALSE(plugin->setProgram(-1));
  EXPECT_TRUE(plugin->setProgram(0));
}

}  // namespace
}  // namespace kv
