// The dispatcher as a host sees it: every opcode sent through the record's glue.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "recording_host.h"
#include "test_effect.h"

namespace kv::test {
namespace {

using namespace vst;

enum class Ptr { None, Text, Slots };

struct Row {
  const char* name;
  int32_t opcode;
  int32_t index;
  intptr_t value;
  float opt;
  Ptr ptr;
  intptr_t result;
  Log log;  // calls the test object records
};

intptr_t dispatch(AudioEffect& fx, int32_t opcode, int32_t index = 0, intptr_t value = 0,
                  void* ptr = nullptr, float opt = 0.0f) {
  AEffect* e = fx.getAeffect();
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// A fresh test object (4 programs, 3 parameters, no editor) per row.
TEST(Dispatcher, AnswersEveryOpcodeAsTheTableSays) {
  const Row rows[] = {
      {"open", effOpen, 0, 0, 0, Ptr::None, 0, {"open"}},
      {"program in range", effSetProgram, 0, 3, 0, Ptr::None, 0, {"setProgram(3)"}},
      {"program equal to count ignored", effSetProgram, 0, 4, 0, Ptr::None, 0, {}},
      {"program beyond 32 bits ignored", effSetProgram, 0, intptr_t{1} << 40, 0, Ptr::None, 0,
       {}},
      {"negative program passes on", effSetProgram, 0, -1, 0, Ptr::None, 0, {"setProgram(-1)"}},
      {"get program", effGetProgram, 0, 0, 0, Ptr::None, 0, {}},
      {"set program name", effSetProgramName, 0, 0, 0, Ptr::Text, 0, {}},
      {"vu 0.5 scaled and truncated", effGetVu, 0, 0, 0, Ptr::None, 16383, {}},
      {"mains off suspends", effMainsChanged, 0, 0, 0, Ptr::None, 0, {"suspend"}},
      {"mains on resumes", effMainsChanged, 0, 1, 0, Ptr::None, 0, {"resume"}},
      {"edit rect without editor", effEditGetRect, 0, 0, 0, Ptr::Slots, 0, {}},
      {"edit open without editor", effEditOpen, 0, 0, 0, Ptr::Slots, 0, {}},
      {"edit close without editor", effEditClose, 0, 0, 0, Ptr::None, 0, {}},
      {"edit draw", effEditDraw, 0, 0, 0, Ptr::None, 0, {}},
      {"edit mouse", effEditMouse, 0, 0, 0, Ptr::None, 0, {}},
      {"edit key", effEditKey, 0, 0, 0, Ptr::None, 0, {}},
      {"edit idle without editor", effEditIdle, 0, 0, 0, Ptr::None, 0, {}},
      {"edit top", effEditTop, 0, 0, 0, Ptr::None, 0, {}},
      {"edit sleep", effEditSleep, 0, 0, 0, Ptr::None, 0, {}},
      {"identify", effIdentify, 0, 0, 0, Ptr::None, 0x4E764566, {}},
      {"bank chunk", effGetChunk, 0, 0, 0, Ptr::Slots, 5, {"getChunk(bank)"}},
      {"preset chunk", effGetChunk, 1, 0, 0, Ptr::Slots, 5, {"getChunk(preset)"}},
      {"chunk without address", effGetChunk, 0, 0, 0, Ptr::None, 0, {}},
      {"set preset chunk", effSetChunk, 1, 5, 0, Ptr::Text, 1, {"setChunk(5,preset)"}},
      {"set chunk of negative size", effSetChunk, 0, -1, 0, Ptr::Text, 0, {}},
      {"set chunk beyond 32 bits", effSetChunk, 0, intptr_t{1} << 33, 0, Ptr::Text, 0, {}},
      {"process events", effProcessEvents, 0, 0, 0, Ptr::Slots, 1, {"processEvents"}},
      {"process events without events", effProcessEvents, 0, 0, 0, Ptr::None, 0, {}},
      {"can be automated", effCanBeAutomated, 1, 0, 0, Ptr::None, 1, {}},
      {"string to parameter", effString2Parameter, 1, 0, 0, Ptr::Text, 0, {}},
      {"program categories", effGetNumProgramCategories, 0, 0, 0, Ptr::None, 1, {}},
      {"indexed program name", effGetProgramNameIndexed, 2, 1, 0, Ptr::Text, 0,
       {"getProgramNameIndexed(1,2)"}},
      {"copy program", effCopyProgram, 1, 0, 0, Ptr::None, 0, {}},
      {"connect input", effConnectInput, 1, 1, 0, Ptr::None, 1, {"inputConnected(1,1)"}},
      {"disconnect output", effConnectOutput, 0, 0, 0, Ptr::None, 1, {"outputConnected(0,0)"}},
      {"input properties", effGetInputProperties, 0, 0, 0, Ptr::Slots, 0, {}},
      {"output properties", effGetOutputProperties, 0, 0, 0, Ptr::Slots, 0, {}},
      {"category of an effect", effGetPlugCategory, 0, 0, 0, Ptr::None, kPlugCategUnknown, {}},
      {"current position", effGetCurrentPosition, 0, 0, 0, Ptr::None, 0, {}},
      {"destination buffer", effGetDestinationBuffer, 0, 0, 0, Ptr::None, 0, {}},
      {"offline notify", effOfflineNotify, 1, 1, 0, Ptr::Slots, 0, {}},
      {"offline prepare", effOfflinePrepare, 0, 1, 0, Ptr::Slots, 0, {}},
      {"offline run", effOfflineRun, 0, 1, 0, Ptr::Slots, 0, {}},
      {"variable io", effProcessVarIo, 0, 0, 0, Ptr::Slots, 0, {}},
      {"set speaker arrangement", effSetSpeakerArrangement, 0, 0, 0, Ptr::Slots, 0, {}},
      {"block size and rate", effSetBlockSizeAndSampleRate, 0, 256, 96000, Ptr::None, 1, {}},
      {"bypass", effSetBypass, 0, 1, 0, Ptr::None, 0, {}},
      {"effect name", effGetEffectName, 0, 0, 0, Ptr::Text, 0, {}},
      {"error text", effGetErrorText, 0, 0, 0, Ptr::Text, 0, {}},
      {"vendor", effGetVendorString, 0, 0, 0, Ptr::Text, 0, {}},
      {"product", effGetProductString, 0, 0, 0, Ptr::Text, 0, {}},
      {"vendor version", effGetVendorVersion, 0, 0, 0, Ptr::None, 0, {}},
      {"vendor specific", effVendorSpecific, 2, 40, 0, Ptr::None, 42, {"vendorSpecific(2,40)"}},
      {"can do answers a signed no", effCanDo, 0, 0, 0, Ptr::Text, -1, {}},
      {"can do without a word", effCanDo, 0, 0, 0, Ptr::None, 0, {}},
      {"tail size", effGetTailSize, 0, 0, 0, Ptr::None, 0, {}},
      {"idle", effIdle, 0, 0, 0, Ptr::None, 0, {}},
      {"icon", effGetIcon, 0, 0, 0, Ptr::None, 0, {}},
      {"view position", effSetViewPosition, 10, 20, 0, Ptr::None, 0, {}},
      {"parameter properties", effGetParameterProperties, 0, 0, 0, Ptr::Slots, 0, {}},
      {"keys required is inverted", effKeysRequired, 0, 0, 0, Ptr::None, 1, {}},
      {"vst version", effGetVstVersion, 0, 0, 0, Ptr::None, 2300, {}},
      {"key down without editor", effEditKeyDown, 'a', 0, 0, Ptr::None, 0, {}},
      {"key up without editor", effEditKeyUp, 'a', 0, 0, Ptr::None, 0, {}},
      {"knob mode without editor", effSetEditKnobMode, 0, 2, 0, Ptr::None, 0, {}},
      {"midi program name", effGetMidiProgramName, 0, 0, 0, Ptr::Slots, 0, {}},
      {"current midi program", effGetCurrentMidiProgram, 0, 0, 0, Ptr::Slots, -1, {}},
      {"current midi program, no record", effGetCurrentMidiProgram, 0, 0, 0, Ptr::None, -1, {}},
      {"midi program category", effGetMidiProgramCategory, 0, 0, 0, Ptr::Slots, 0, {}},
      {"midi programs changed", effHasMidiProgramsChanged, 0, 0, 0, Ptr::None, 0, {}},
      {"midi key name", effGetMidiKeyName, 0, 0, 0, Ptr::Slots, 0, {}},
      {"begin set program", effBeginSetProgram, 0, 0, 0, Ptr::None, 0, {}},
      {"end set program", effEndSetProgram, 0, 0, 0, Ptr::None, 0, {}},
      {"next shell plug-in", effShellGetNextPlugin, 0, 0, 0, Ptr::Text, 0, {}},
      {"start process", effStartProcess, 0, 0, 0, Ptr::None, 0, {}},
      {"stop process", effStopProcess, 0, 0, 0, Ptr::None, 0, {}},
      {"total samples returned", effSetTotalSampleToProcess, 0, 123456, 0, Ptr::None, 123456,
       {}},
      {"pan law", effSetPanLaw, 0, 1, 0.5f, Ptr::None, 0, {}},
      {"begin load bank", effBeginLoadBank, 0, 0, 0, Ptr::Slots, 0, {}},
      {"begin load program", effBeginLoadProgram, 0, 0, 0, Ptr::Slots, 0, {}},
      {"first unknown opcode", 77, 0, 0, 0, Ptr::None, 0, {}},
      {"later unknown opcode", 1000, 1, 1, 1, Ptr::Text, 0, {}},
      {"negative opcode", -1, 0, 0, 0, Ptr::None, 0, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingHost host;
    Log log;
    auto fx = std::make_unique<TestEffect>(&RecordingHost::callback, log);
    char text[256] = "garbage";
    void* slots[8] = {};
    void* ptr = row.ptr == Ptr::Text ? static_cast<void*>(text)
                : row.ptr == Ptr::Slots ? static_cast<void*>(slots)
                                        : nullptr;
    EXPECT_EQ(dispatch(*fx, row.opcode, row.index, row.value, ptr, row.opt), row.result);
    EXPECT_EQ(log, row.log);
  }
}

TEST(Dispatcher, StoresProgramRateAndBlockSize) {
  RecordingHost host;
  Log log;
  TestEffect fx(&RecordingHost::callback, log);
  dispatch(fx, effSetProgram, 0, 3);
  EXPECT_EQ(dispatch(fx, effGetProgram), 3);
  dispatch(fx, effSetProgram, 0, -1);  // reaches setProgram, which ignores it
  EXPECT_EQ(dispatch(fx, effGetProgram), 3);

  dispatch(fx, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  dispatch(fx, effSetBlockSize, 0, 512);
  EXPECT_EQ(fx.getSampleRate(), 48000.0f);
  EXPECT_EQ(fx.getBlockSize(), 512);
  EXPECT_EQ(dispatch(fx, effSetBlockSizeAndSampleRate, 0, 64, nullptr, 96000.0f), 1);
  EXPECT_EQ(fx.getSampleRate(), 96000.0f);
  EXPECT_EQ(fx.getBlockSize(), 64);
}

TEST(Dispatcher, DefaultTextsAreEmpty) {
  RecordingHost host;
  Log log;
  TestEffect fx(&RecordingHost::callback, log);
  for (int32_t opcode : {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName}) {
    char text[64] = "garbage";
    EXPECT_EQ(dispatch(fx, opcode, 0, 0, text), 0);
    EXPECT_STREQ(text, "") << opcode;
  }
}

TEST(Dispatcher, ChunkAddressReachesTheHost) {
  RecordingHost host;
  Log log;
  TestEffect fx(&RecordingHost::callback, log);
  void* data = nullptr;
  EXPECT_EQ(dispatch(fx, effGetChunk, 0, 0, &data), 5);
  EXPECT_EQ(data, fx.chunk);
}

TEST(Dispatcher, SynthCategoryFollowsTheFlag) {
  RecordingHost host;
  Log log;
  TestEffect fx(&RecordingHost::callback, log);
  fx.isSynth(true);
  EXPECT_EQ(dispatch(fx, effGetPlugCategory), kPlugCategSynth);
  fx.isSynth(false);
  EXPECT_EQ(dispatch(fx, effGetPlugCategory), kPlugCategUnknown);
}

TEST(Dispatcher, SpeakerArrangementQueryStoresNulls) {
  RecordingHost host;
  Log log;
  TestEffect fx(&RecordingHost::callback, log);
  VstSpeakerArrangement dummy{};
  VstSpeakerArrangement* input = &dummy;
  VstSpeakerArrangement* output = &dummy;
  EXPECT_EQ(dispatch(fx, effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output),
            0);
  EXPECT_EQ(input, nullptr);
  EXPECT_EQ(output, nullptr);
}

TEST(Dispatcher, EditorOpcodesReachTheEditor) {
  RecordingHost host;
  Log log;
  TestEffect fx(&RecordingHost::callback, log);
  auto* editor = new TestEditor(&fx, log);
  fx.setEditor(editor);
  EXPECT_TRUE(fx.getAeffect()->flags & effFlagsHasEditor);

  ERect* rect = nullptr;
  EXPECT_EQ(dispatch(fx, effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect, &editor->rect);
  void* window = reinterpret_cast<void*>(uintptr_t{0x2a00007});
  EXPECT_EQ(dispatch(fx, effEditOpen, 0, 0, window), 1);
  EXPECT_EQ(editor->getSystemWindow(), window);

  // An update posted from anywhere runs once, at the next idle.
  editor->postUpdate();
  dispatch(fx, effEditIdle);
  dispatch(fx, effEditIdle);

  // Character from index, virtual key from the low byte of value, modifier from opt.
  EXPECT_EQ(dispatch(fx, effEditKeyDown, 'a', 0x1FF, nullptr, 3.9f), 1);
  EXPECT_EQ(editor->lastKey.character, 'a');
  EXPECT_EQ(editor->lastKey.virt, 0xFF);
  EXPECT_EQ(editor->lastKey.modifier, 3);
  EXPECT_EQ(dispatch(fx, effEditKeyUp, 'b', 0x0D, nullptr, 0.0f), 1);
  EXPECT_EQ(editor->lastKey.character, 'b');
  EXPECT_EQ(editor->lastKey.virt, 0x0D);
  EXPECT_EQ(editor->lastKey.modifier, 0);
  EXPECT_EQ(dispatch(fx, effSetEditKnobMode, 0, 2), 12);

  EXPECT_EQ(dispatch(fx, effEditClose), 0);
  EXPECT_EQ(log, (Log{"editor open", "editor update", "keyDown", "keyUp", "editor close"}));
}

TEST(Dispatcher, BaseEditorAnswersItsDefaults) {
  RecordingHost host;
  Log log;
  TestEffect fx(&RecordingHost::callback, log);
  fx.setEditor(new AEffEditor(&fx));
  ERect dummy{};
  ERect* rect = &dummy;
  EXPECT_EQ(dispatch(fx, effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, nullptr);
  EXPECT_EQ(dispatch(fx, effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(dispatch(fx, effEditKeyDown, 'a'), -1);
  EXPECT_EQ(dispatch(fx, effEditKeyUp, 'a'), -1);
  EXPECT_EQ(dispatch(fx, effSetEditKnobMode, 0, 1), 0);
  fx.setEditor(nullptr);
  EXPECT_FALSE(fx.getAeffect()->flags & effFlagsHasEditor);
}

TEST(Dispatcher, CloseEndsTheObjectsLife) {
  RecordingHost host;
  Log log;
  auto* fx = new TestEffect(&RecordingHost::callback, log);
  fx->setEditor(new TestEditor(fx, log));
  AEffect* e = fx->getAeffect();
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
  // The derived destructor runs first; the adapter's own destructor then deletes the
  // editor it owns.
  EXPECT_EQ(log, (Log{"close", "destroyed", "editor destroyed"}));
}

TEST(Dispatcher, ExceptionsStayInsideThePlugin) {
  RecordingHost host;
  Log log;
  auto* fx = new TestEffect(&RecordingHost::callback, log);
  fx->throwing = true;
  AEffect* e = fx->getAeffect();
  float buffer[4] = {};
  float* channels[2] = {buffer, buffer};
  // Each glue function is noexcept: a leaking exception would terminate the test.
  EXPECT_EQ(e->dispatcher(e, effGetVu, 0, 0, nullptr, 0.0f), 0);
  e->setParameter(e, 0, 0.5f);
  EXPECT_EQ(e->getParameter(e, 0), 0.0f);
  e->process(e, channels, channels, 4);
  e->processReplacing(e, channels, channels, 4);
  // A failing close still ends the object's life.
  EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(log.back(), "destroyed");
}

TEST(Dispatcher, GlueToleratesAMissingObject) {
  AEffect empty{};
  EXPECT_EQ(AudioEffect::dispatchEffClass(nullptr, effIdentify, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(AudioEffect::dispatchEffClass(&empty, effClose, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(AudioEffect::getParameterClass(&empty, 0), 0.0f);
  AudioEffect::processClassReplacing(&empty, nullptr, nullptr, 16);
}

TEST(Record, FilledAtConstruction) {
  RecordingHost host;
  Log log;
  TestEffect fx(&RecordingHost::callback, log, 7, 9);
  const AEffect& e = *fx.getAeffect();
  EXPECT_EQ(e.magic, kEffectMagic);
  EXPECT_EQ(e.numPrograms, 7);
  EXPECT_EQ(e.numParams, 9);
  EXPECT_EQ(e.numInputs, 1);
  EXPECT_EQ(e.numOutputs, 2);
  EXPECT_EQ(e.flags, 0);
  EXPECT_EQ(e.ioRatio, 1.0f);
  EXPECT_EQ(e.object, static_cast<AudioEffect*>(&fx));
  EXPECT_EQ(e.user, nullptr);
  EXPECT_EQ(e.uniqueID, 0x4E6F4566);
  EXPECT_EQ(e.version, 1);
  EXPECT_NE(e.processReplacing, nullptr);
  EXPECT_EQ(e.processDoubleReplacing, nullptr);
  for (char c : e.future) EXPECT_EQ(c, 0);

  fx.setNumPrograms(2);
  fx.setNumParams(5);
  EXPECT_EQ(e.numPrograms, 2);
  EXPECT_EQ(e.numParams, 5);
  EXPECT_EQ(fx.getNumPrograms(), 2);
  // The dispatcher checks programs against the new count.
  fx.getAeffect()->dispatcher(fx.getAeffect(), effSetProgram, 0, 2, nullptr, 0);
  EXPECT_TRUE(log.empty());
}

}  // namespace
}  // namespace kv::test
