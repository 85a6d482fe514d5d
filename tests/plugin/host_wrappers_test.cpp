// The operations that call the host: what they pass and how they read its answer.
#include <gtest/gtest.h>

#include <functional>

#include "recording_host.h"
#include "test_effect.h"

namespace kv::test {
namespace {

using namespace vst;

struct Fixture {
  RecordingHost host;
  Log log;
  TestEffect fx{&RecordingHost::callback, log};
};

TEST(HostWrappers, MasterVersionIsNeverZero) {
  for (auto [answer, expected] : {std::pair<intptr_t, int32_t>{0, 1}, {2400, 2400}, {1, 1}}) {
    Fixture f;
    f.host.answers[audioMasterVersion] = answer;
    EXPECT_EQ(f.fx.getMasterVersion(), expected) << answer;
    ASSERT_EQ(f.host.calls.size(), 1u);
    EXPECT_EQ(f.host.calls[0].effect, f.fx.getAeffect());
  }
}

TEST(HostWrappers, PinConnectedMeansAnswerZero) {
  Fixture f;
  f.host.answers[audioMasterPinConnected] = 0;
  EXPECT_TRUE(f.fx.isInputConnected(3));
  EXPECT_TRUE(f.fx.isOutputConnected(1));
  f.host.answers[audioMasterPinConnected] = 1;
  EXPECT_FALSE(f.fx.isInputConnected(3));
  EXPECT_FALSE(f.fx.isOutputConnected(1));
  const auto calls = f.host.callsOf(audioMasterPinConnected);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].index, 3);
  EXPECT_EQ(calls[0].value, 0);  // input
  EXPECT_EQ(calls[1].index, 1);
  EXPECT_EQ(calls[1].value, 1);  // output
}

TEST(HostWrappers, EventsAreTakenOnlyOnAnswerOne) {
  for (auto [answer, expected] :
       {std::pair<intptr_t, bool>{1, true}, {0, false}, {2, false}, {-1, false}}) {
    Fixture f;
    f.host.answers[audioMasterProcessEvents] = answer;
    VstEvents events{};
    EXPECT_EQ(f.fx.sendVstEventsToHost(&events), expected) << answer;
    ASSERT_EQ(f.host.calls.size(), 1u);
    EXPECT_EQ(f.host.calls[0].ptr, &events);
  }
}

TEST(HostWrappers, OnlyPositiveRateAndBlockSizeReplaceTheStoredOnes) {
  Fixture f;
  f.host.answers[audioMasterGetSampleRate] = 48000;
  f.host.answers[audioMasterGetBlockSize] = 256;
  EXPECT_EQ(f.fx.updateSampleRate(), 48000.0f);
  EXPECT_EQ(f.fx.updateBlockSize(), 256);
  for (intptr_t bad : {intptr_t{0}, intptr_t{-1}}) {
    f.host.answers[audioMasterGetSampleRate] = bad;
    f.host.answers[audioMasterGetBlockSize] = bad;
    EXPECT_EQ(f.fx.updateSampleRate(), 48000.0f);
    EXPECT_EQ(f.fx.updateBlockSize(), 256);
  }
  EXPECT_EQ(f.fx.getSampleRate(), 48000.0f);
  EXPECT_EQ(f.fx.getBlockSize(), 256);
}

TEST(HostWrappers, AutomationSetsTheParameterFirst) {
  Fixture f;
  f.host.answers[audioMasterAutomate] = 7;
  EXPECT_EQ(f.fx.setParameterAutomated(2, 0.75f), 7);
  EXPECT_EQ(f.log, (Log{"setParameter(2,0.750000)"}));
  const auto calls = f.host.callsOf(audioMasterAutomate);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].index, 2);
  EXPECT_EQ(calls[0].opt, 0.75f);
}

// Wrappers whose answer is "host's result != 0", with the arguments they pass.
TEST(HostWrappers, YesNoAnswersAndArguments) {
  char text[64] = "";
  VstFileSelect* select = reinterpret_cast<VstFileSelect*>(text);
  struct Case {
    const char* name;
    int32_t opcode;
    std::function<bool(TestEffect&)> call;
    int32_t index;
    intptr_t value;
    void* ptr;
  };
  const Case cases[] = {
      {"ioChanged", audioMasterIOChanged, [](TestEffect& fx) { return fx.ioChanged(); }, 0, 0,
       nullptr},
      {"needIdle", audioMasterNeedIdle, [](TestEffect& fx) { return fx.needIdle(); }, 0, 0,
       nullptr},
      {"sizeWindow", audioMasterSizeWindow,
       [](TestEffect& fx) { return fx.sizeWindow(640, 480); }, 640, 480, nullptr},
      {"updateDisplay", audioMasterUpdateDisplay,
       [](TestEffect& fx) { return fx.updateDisplay(); }, 0, 0, nullptr},
      {"beginEdit", audioMasterBeginEdit, [](TestEffect& fx) { return fx.beginEdit(3); }, 3, 0,
       nullptr},
      {"endEdit", audioMasterEndEdit, [](TestEffect& fx) { return fx.endEdit(3); }, 3, 0,
       nullptr},
      {"hostVendor", audioMasterGetVendorString,
       [&](TestEffect& fx) { return fx.getHostVendorString(text); }, 0, 0, text},
      {"hostProduct", audioMasterGetProductString,
       [&](TestEffect& fx) { return fx.getHostProductString(text); }, 0, 0, text},
      {"offlineCurrentPass", audioMasterOfflineGetCurrentPass,
       [](TestEffect& fx) { return fx.offlineGetCurrentPass(); }, 0, 0, nullptr},
      {"offlineWrite", audioMasterOfflineWrite,
       [&](TestEffect& fx) { return fx.offlineWrite(reinterpret_cast<VstOfflineTask*>(text), 2); },
       0, 2, text},
      {"offlineRead", audioMasterOfflineRead,
       [&](TestEffect& fx) {
         return fx.offlineRead(reinterpret_cast<VstOfflineTask*>(text), 2, true);
       },
       1, 2, text},
      {"offlineStart", audioMasterOfflineStart,
       [&](TestEffect& fx) { return fx.offlineStart(reinterpret_cast<VstAudioFile*>(text), 4, 1); },
       1, 4, text},
      {"openFileSelector", audioMasterOpenFileSelector,
       [&](TestEffect& fx) { return fx.openFileSelector(select); }, 0, 0, text},
      {"closeFileSelector", audioMasterCloseFileSelector,
       [&](TestEffect& fx) { return fx.closeFileSelector(select); }, 0, 0, text},
      {"getChunkFile", audioMasterGetChunkFile,
       [&](TestEffect& fx) { return fx.getChunkFile(text); }, 0, 0, text},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (auto [answer, expected] : {std::pair<intptr_t, bool>{0, false}, {5, true}}) {
      Fixture f;
      f.host.answers[c.opcode] = answer;
      EXPECT_EQ(c.call(f.fx), expected);
      ASSERT_EQ(f.host.calls.size(), 1u);
      EXPECT_EQ(f.host.calls[0].opcode, c.opcode);
      EXPECT_EQ(f.host.calls[0].index, c.index);
      EXPECT_EQ(f.host.calls[0].value, c.value);
      EXPECT_EQ(f.host.calls[0].ptr, c.ptr);
    }
  }
}

TEST(HostWrappers, FileSelectorsNeedARecord) {
  Fixture f;
  f.host.answers[audioMasterOpenFileSelector] = 1;
  EXPECT_FALSE(f.fx.openFileSelector(nullptr));
  EXPECT_FALSE(f.fx.closeFileSelector(nullptr));
  EXPECT_FALSE(f.fx.getChunkFile(nullptr));
  EXPECT_TRUE(f.host.calls.empty());
}

TEST(HostWrappers, HostCanDoIsYesOnlyForOne) {
  for (auto [answer, expected] : {std::pair<intptr_t, bool>{1, true}, {0, false}, {-1, false}}) {
    Fixture f;
    f.host.answers[audioMasterCanDo] = answer;
    char word[] = "sizeWindow";
    EXPECT_EQ(f.fx.canHostDo(word), expected) << answer;
    EXPECT_EQ(f.host.calls.at(0).ptr, word);
  }
}

// Wrappers that hand back the host's answer (or a pointer made from it).
TEST(HostWrappers, PassTheHostsAnswerThrough) {
  Fixture f;
  VstTimeInfo time{};
  f.host.answers[audioMasterGetTime] = reinterpret_cast<intptr_t>(&time);
  EXPECT_EQ(f.fx.getTimeInfo(0x200), &time);
  EXPECT_EQ(f.host.callsOf(audioMasterGetTime).at(0).value, 0x200);

  f.fx.wantEvents(1);
  EXPECT_EQ(f.host.callsOf(audioMasterWantMidi).at(0).value, 1);

  f.host.answers[audioMasterTempoAt] = 1200000;
  EXPECT_EQ(f.fx.tempoAt(4410), 1200000);
  EXPECT_EQ(f.host.callsOf(audioMasterTempoAt).at(0).value, 4410);

  f.host.answers[audioMasterVendorSpecific] = -9;
  EXPECT_EQ(f.fx.hostVendorSpecific(1, 2, &time, 0.5f), -9);
  const HostCall vs = f.host.callsOf(audioMasterVendorSpecific).at(0);
  EXPECT_EQ(vs.index, 1);
  EXPECT_EQ(vs.value, 2);
  EXPECT_EQ(vs.ptr, &time);
  EXPECT_EQ(vs.opt, 0.5f);

  f.fx.setOutputSamplerate(88200.0f);
  EXPECT_EQ(f.host.callsOf(audioMasterSetOutputSampleRate).at(0).opt, 88200.0f);

  const std::pair<int32_t, std::function<int32_t()>> numbers[] = {
      {audioMasterCurrentId, [&] { return f.fx.getCurrentUniqueId(); }},
      {audioMasterGetNumAutomatableParameters,
       [&] { return f.fx.getNumAutomatableParameters(); }},
      {audioMasterGetParameterQuantization, [&] { return f.fx.getParameterQuantization(); }},
      {audioMasterGetInputLatency, [&] { return f.fx.getInputLatency(); }},
      {audioMasterGetOutputLatency, [&] { return f.fx.getOutputLatency(); }},
      {audioMasterWillReplaceOrAccumulate, [&] { return f.fx.willProcessReplacing(); }},
      {audioMasterGetCurrentProcessLevel, [&] { return f.fx.getCurrentProcessLevel(); }},
      {audioMasterGetAutomationState, [&] { return f.fx.getAutomationState(); }},
      {audioMasterGetVendorVersion, [&] { return f.fx.getHostVendorVersion(); }},
      {audioMasterGetLanguage, [&] { return f.fx.getHostLanguage(); }},
  };
  for (const auto& [opcode, call] : numbers) {
    f.host.answers[opcode] = 77;
    EXPECT_EQ(call(), 77) << opcode;
  }
}

TEST(HostWrappers, WithoutACallbackAnswerNeutralValues) {
  Log log;
  TestEffect fx(nullptr, log);
  char text[16] = "";
  VstEvents events{};
  EXPECT_EQ(fx.getMasterVersion(), 1);
  EXPECT_EQ(fx.getCurrentUniqueId(), 0);
  EXPECT_TRUE(fx.isInputConnected(0));
  EXPECT_TRUE(fx.isOutputConnected(0));
  EXPECT_FALSE(fx.sendVstEventsToHost(&events));
  EXPECT_EQ(fx.getTimeInfo(0), nullptr);
  EXPECT_FALSE(fx.needIdle());
  EXPECT_FALSE(fx.canHostDo(text));
  EXPECT_FALSE(fx.updateDisplay());
  EXPECT_EQ(fx.updateSampleRate(), 44100.0f);
  EXPECT_EQ(fx.updateBlockSize(), 1024);
  EXPECT_EQ(fx.setParameterAutomated(0, 0.5f), 0);
  fx.masterIdle();
  fx.wantEvents(1);
}

}  // namespace
}  // namespace kv::test
