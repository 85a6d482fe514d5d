// The VST 2 binary interface as it stands on Linux x86-64.
//
// The host and the plug-in share these records by memory, so their layout is the
// contract: every field offset is checked at compile time below. Integers that name
// opcodes, indexes, counts, flags and ids are 32-bit; the dispatcher's `value`, every
// callback result, the reserved words and all pointers are pointer-sized. There is one
// calling convention on this platform (System V AMD64).
//
// This header is used from both sides: by the plug-in boundary (plugin/) and by the
// hosting code that loads other plug-ins (hosting/, tools/korvane-host). It depends on
// nothing, so neither side depends on the other through it (CMake target kv_vst_abi).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kv::vst {

struct AEffect;

using audioMasterCallback = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt);
using AEffectDispatcherProc = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index,
                                           intptr_t value, void* ptr, float opt);
using AEffectProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs,
                                    int32_t sampleFrames);
using AEffectProcessDoubleProc = void (*)(AEffect* effect, double** inputs, double** outputs,
                                          int32_t sampleFrames);
using AEffectSetParameterProc = void (*)(AEffect* effect, int32_t index, float value);
using AEffectGetParameterProc = float (*)(AEffect* effect, int32_t index);

constexpr int32_t kEffectMagic = 0x56737450;  // 'VstP'

// Builds a four-character code the way VST 2 does: first character in the top byte.
constexpr int32_t fourCharCode(char a, char b, char c, char d) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) |
                              static_cast<uint32_t>(static_cast<uint8_t>(d)));
}

struct AEffect {
  int32_t magic;
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;
  intptr_t resvd1;
  intptr_t resvd2;
  int32_t initialDelay;
  int32_t realQualities;
  int32_t offQualities;
  float ioRatio;
  void* object;
  void* user;
  int32_t uniqueID;
  int32_t version;
  AEffectProcessProc processReplacing;
  AEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);

// Bits of AEffect::flags.
enum : int32_t {
  effFlagsHasEditor = 1,
  effFlagsHasClip = 2,
  effFlagsHasVu = 4,
  effFlagsCanMono = 8,
  effFlagsCanReplacing = 16,
  effFlagsProgramChunks = 32,
  effFlagsIsSynth = 256,
  effFlagsNoSoundInStop = 512,
  effFlagsExtIsAsync = 1024,
  effFlagsExtHasBuffer = 2048,
  effFlagsCanDoubleReplacing = 4096,
};

// Opcodes the host sends through AEffect::dispatcher.
enum : int32_t {
  effOpen = 0,
  effClose = 1,
  effSetProgram = 2,
  effGetProgram = 3,
  effSetProgramName = 4,
  effGetProgramName = 5,
  effGetParamLabel = 6,
  effGetParamDisplay = 7,
  effGetParamName = 8,
  effGetVu = 9,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditDraw = 16,
  effEditMouse = 17,
  effEditKey = 18,
  effEditIdle = 19,
  effEditTop = 20,
  effEditSleep = 21,
  effIdentify = 22,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effCanBeAutomated = 26,
  effString2Parameter = 27,
  effGetNumProgramCategories = 28,
  effGetProgramNameIndexed = 29,
  effCopyProgram = 30,
  effConnectInput = 31,
  effConnectOutput = 32,
  effGetInputProperties = 33,
  effGetOutputProperties = 34,
  effGetPlugCategory = 35,
  effGetCurrentPosition = 36,
  effGetDestinationBuffer = 37,
  effOfflineNotify = 38,
  effOfflinePrepare = 39,
  effOfflineRun = 40,
  effProcessVarIo = 41,
  effSetSpeakerArrangement = 42,
  effSetBlockSizeAndSampleRate = 43,
  effSetBypass = 44,
  effGetEffectName = 45,
  effGetErrorText = 46,
  effGetVendorString = 47,
  effGetProductString = 48,
  effGetVendorVersion = 49,
  effVendorSpecific = 50,
  effCanDo = 51,
  effGetTailSize = 52,
  effIdle = 53,
  effGetIcon = 54,
  effSetViewPosition = 55,
  effGetParameterProperties = 56,
  effKeysRequired = 57,
  effGetVstVersion = 58,
  effEditKeyDown = 59,
  effEditKeyUp = 60,
  effSetEditKnobMode = 61,
  effGetMidiProgramName = 62,
  effGetCurrentMidiProgram = 63,
  effGetMidiProgramCategory = 64,
  effHasMidiProgramsChanged = 65,
  effGetMidiKeyName = 66,
  effBeginSetProgram = 67,
  effEndSetProgram = 68,
  effGetSpeakerArrangement = 69,
  effShellGetNextPlugin = 70,
  effStartProcess = 71,
  effStopProcess = 72,
  effSetTotalSampleToProcess = 73,
  effSetPanLaw = 74,
  effBeginLoadBank = 75,
  effBeginLoadProgram = 76,
};

// Opcodes the plug-in sends through the host callback.
enum : int32_t {
  audioMasterAutomate = 0,
  audioMasterVersion = 1,
  audioMasterCurrentId = 2,
  audioMasterIdle = 3,
  audioMasterPinConnected = 4,
  audioMasterWantMidi = 6,
  audioMasterGetTime = 7,
  audioMasterProcessEvents = 8,
  audioMasterSetTime = 9,
  audioMasterTempoAt = 10,
  audioMasterGetNumAutomatableParameters = 11,
  audioMasterGetParameterQuantization = 12,
  audioMasterIOChanged = 13,
  audioMasterNeedIdle = 14,
  audioMasterSizeWindow = 15,
  audioMasterGetSampleRate = 16,
  audioMasterGetBlockSize = 17,
  audioMasterGetInputLatency = 18,
  audioMasterGetOutputLatency = 19,
  audioMasterGetPreviousPlug = 20,
  audioMasterGetNextPlug = 21,
  audioMasterWillReplaceOrAccumulate = 22,
  audioMasterGetCurrentProcessLevel = 23,
  audioMasterGetAutomationState = 24,
  audioMasterOfflineStart = 25,
  audioMasterOfflineRead = 26,
  audioMasterOfflineWrite = 27,
  audioMasterOfflineGetCurrentPass = 28,
  audioMasterOfflineGetCurrentMetaPass = 29,
  audioMasterSetOutputSampleRate = 30,
  audioMasterGetOutputSpeakerArrangement = 31,
  audioMasterGetVendorString = 32,
  audioMasterGetProductString = 33,
  audioMasterGetVendorVersion = 34,
  audioMasterVendorSpecific = 35,
  audioMasterSetIcon = 36,
  audioMasterCanDo = 37,
  audioMasterGetLanguage = 38,
  audioMasterOpenWindow = 39,
  audioMasterCloseWindow = 40,
  audioMasterGetDirectory = 41,
  audioMasterUpdateDisplay = 42,
  audioMasterBeginEdit = 43,
  audioMasterEndEdit = 44,
  audioMasterOpenFileSelector = 45,
  audioMasterCloseFileSelector = 46,
  audioMasterEditFile = 47,
  audioMasterGetChunkFile = 48,
  audioMasterGetInputSpeakerArrangement = 49,
};

enum : int32_t {
  kPlugCategUnknown = 0,
  kPlugCategEffect = 1,
  kPlugCategSynth = 2,
};

// --- Events -------------------------------------------------------------------------

enum : int32_t {
  kVstMidiType = 1,
  kVstSysExType = 6,
};

struct VstEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  char data[16];
};
static_assert(sizeof(VstEvent) == 32);

struct VstMidiEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t noteLength;
  int32_t noteOffset;
  char midiData[4];
  char detune;
  char noteOffVelocity;
  char reserved1;
  char reserved2;
};
static_assert(sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, deltaFrames) == 8);
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(offsetof(VstMidiEvent, detune) == 28);
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29);

struct VstMidiSysexEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t dumpBytes;
  intptr_t resvd1;
  char* sysexDump;
  intptr_t resvd2;
};
static_assert(sizeof(VstMidiSysexEvent) == 48);
static_assert(offsetof(VstMidiSysexEvent, dumpBytes) == 16);
static_assert(offsetof(VstMidiSysexEvent, resvd1) == 24);
static_assert(offsetof(VstMidiSysexEvent, sysexDump) == 32);
static_assert(offsetof(VstMidiSysexEvent, resvd2) == 40);

// A host or plug-in passes a header followed by `numEvents` event pointers; the array
// is declared with two entries and allocated larger.
struct VstEvents {
  int32_t numEvents;
  intptr_t reserved;
  VstEvent* events[2];
};
static_assert(offsetof(VstEvents, numEvents) == 0);
static_assert(offsetof(VstEvents, reserved) == 8);
static_assert(offsetof(VstEvents, events) == 16);

// --- Transport ----------------------------------------------------------------------

enum : int32_t {
  kVstTransportChanged = 1,
  kVstTransportPlaying = 1 << 1,
  kVstTransportCycleActive = 1 << 2,
  kVstTransportRecording = 1 << 3,
  kVstAutomationWriting = 1 << 6,
  kVstAutomationReading = 1 << 7,
  kVstNanosValid = 1 << 8,
  kVstPpqPosValid = 1 << 9,
  kVstTempoValid = 1 << 10,
  kVstBarsValid = 1 << 11,
  kVstCyclePosValid = 1 << 12,
  kVstTimeSigValid = 1 << 13,
  kVstSmpteValid = 1 << 14,
  kVstClockValid = 1 << 15,
};

struct VstTimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  int32_t timeSigNumerator;
  int32_t timeSigDenominator;
  int32_t smpteOffset;
  int32_t smpteFrameRate;
  int32_t samplesToNextClock;
  int32_t flags;
};
static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, flags) == 84);

// --- Editor -------------------------------------------------------------------------

struct ERect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};
static_assert(sizeof(ERect) == 8);

struct VstKeyCode {
  int32_t character;
  unsigned char virt;
  unsigned char modifier;
};
static_assert(sizeof(VstKeyCode) == 8);
static_assert(offsetof(VstKeyCode, virt) == 4);
static_assert(offsetof(VstKeyCode, modifier) == 5);

// --- Pins, parameters, speakers -----------------------------------------------------

enum : int32_t {
  kVstPinIsActive = 1,
  kVstPinIsStereo = 2,
  kVstPinUseSpeaker = 4,
};

struct VstPinProperties {
  char label[64];
  int32_t flags;
  int32_t arrangementType;
  char shortLabel[8];
  char future[48];
};
static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, flags) == 64);
static_assert(offsetof(VstPinProperties, shortLabel) == 72);

enum : int32_t {
  kVstParameterIsSwitch = 1,
  kVstParameterUsesIntegerMinMax = 2,
  kVstParameterUsesFloatStep = 4,
  kVstParameterUsesIntStep = 8,
  kVstParameterSupportsDisplayIndex = 16,
  kVstParameterSupportsDisplayCategory = 32,
  kVstParameterCanRamp = 64,
};

struct VstParameterProperties {
  float stepFloat;
  float smallStepFloat;
  float largeStepFloat;
  char label[64];
  int32_t flags;
  int32_t minInteger;
  int32_t maxInteger;
  int32_t stepInteger;
  int32_t largeStepInteger;
  char shortLabel[8];
  int16_t displayIndex;
  int16_t category;
  int16_t numParametersInCategory;
  int16_t reserved;
  char categoryLabel[24];
  char future[16];
};
static_assert(sizeof(VstParameterProperties) == 152);
static_assert(offsetof(VstParameterProperties, label) == 12);
static_assert(offsetof(VstParameterProperties, flags) == 76);
static_assert(offsetof(VstParameterProperties, shortLabel) == 96);
static_assert(offsetof(VstParameterProperties, displayIndex) == 104);
static_assert(offsetof(VstParameterProperties, categoryLabel) == 112);

struct VstSpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[64];
  int32_t type;
  char future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerProperties, name) == 16);
static_assert(offsetof(VstSpeakerProperties, type) == 80);

// Followed in memory by numChannels speaker records; declared with eight and
// allocated to the real count.
struct VstSpeakerArrangement {
  int32_t type;
  int32_t numChannels;
  VstSpeakerProperties speakers[8];
};
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);

// Size in bytes of an arrangement record for n channels.
constexpr std::size_t speakerArrangementSize(int32_t n) {
  return 8 + 112 * static_cast<std::size_t>(n < 0 ? 0 : n);
}

// --- Records passed through by address only -----------------------------------------

// The adapter hands these on between host and plug-in without reading them; the code
// that fills or reads one declares its layout.
struct VstOfflineTask;
struct VstAudioFile;
struct VstVariableIo;
struct VstFileSelect;
struct VstWindow;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstPatchChunkInfo;

}  // namespace kv::vst
