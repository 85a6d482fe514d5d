#include "plugin/audio_effect_x.h"

#include "plugin/aeff_editor.h"
#include "plugin/value_conversion.h"

namespace kv {

using namespace vst;

namespace {

// Builds the key record the editor receives: character from index, virtual key from
// the low byte of value, modifiers from the low byte of opt.
VstKeyCode makeKeyCode(int32_t index, intptr_t value, float opt) {
  VstKeyCode key{};
  key.character = index;
  key.virt = static_cast<unsigned char>(value & 0xFF);
  key.modifier = static_cast<unsigned char>(truncateToInt32(opt) & 0xFF);
  return key;
}

}  // namespace

// --- Dispatcher, opcodes 25 to 76 -----------------------------------------------------

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effProcessEvents:
      if (!ptr) return 0;
      return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
      return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
      if (!text) return 0;
      return string2parameter(index, text) ? 1 : 0;
    case effGetNumProgramCategories:
      return getNumCategories();
    case effGetProgramNameIndexed:
      if (!text) return 0;
      return getProgramNameIndexed(saturateToInt32(value), index, text) ? 1 : 0;
    case effCopyProgram:
      return copyProgram(index) ? 1 : 0;
    case effConnectInput:
      inputConnected(index, value != 0);
      return 1;
    case effConnectOutput:
      outputConnected(index, value != 0);
      return 1;
    case effGetInputProperties:
      if (!ptr) return 0;
      return getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
      if (!ptr) return 0;
      return getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
      return getPlugCategory();
    case effGetCurrentPosition:
      return reportCurrentPosition();
    case effGetDestinationBuffer:
      return reinterpret_cast<intptr_t>(reportDestinationBuffer());
    case effOfflineNotify:
      if (!ptr) return 0;
      return offlineNotify(static_cast<VstAudioFile*>(ptr), saturateToInt32(value),
                           index != 0)
                 ? 1
                 : 0;
    case effOfflinePrepare:
      if (!ptr) return 0;
      return offlinePrepare(static_cast<VstOfflineTask*>(ptr), saturateToInt32(value)) ? 1
                                                                                       : 0;
    case effOfflineRun:
      if (!ptr) return 0;
      return offlineRun(static_cast<VstOfflineTask*>(ptr), saturateToInt32(value)) ? 1 : 0;
    case effProcessVarIo:
      if (!ptr) return 0;
      return processVariableIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
    case effSetSpeakerArrangement:
      return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                   static_cast<VstSpeakerArrangement*>(ptr))
                 ? 1
                 : 0;
    case effSetBlockSizeAndSampleRate:
      setBlockSizeAndSampleRate(saturateToInt32(value), opt);
      return 1;
    case effSetBypass:
      return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
      if (!text) return 0;
      return getEffectName(text) ? 1 : 0;
    case effGetErrorText:
      if (!text) return 0;
      return getErrorText(text) ? 1 : 0;
    case effGetVendorString:
      if (!text) return 0;
      return getVendorString(text) ? 1 : 0;
    case effGetProductString:
      if (!text) return 0;
      return getProductString(text) ? 1 : 0;
    case effGetVendorVersion:
      return getVendorVersion();
    case effVendorSpecific:
      return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
      if (!text) return 0;
      return canDo(text);
    case effGetTailSize:
      return getGetTailSize();
    case effIdle:
      return fxIdle();
    case effGetIcon:
      return reinterpret_cast<intptr_t>(getIcon());
    case effSetViewPosition:
      return setViewPosition(index, saturateToInt32(value)) ? 1 : 0;
    case effGetParameterProperties:
      if (!ptr) return 0;
      return getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1
                                                                                      : 0;
    case effKeysRequired:
      return keysRequired() ? 0 : 1;
    case effGetVstVersion:
      return getVstVersion();
    case effEditKeyDown:
      if (editor) {
        VstKeyCode key = makeKeyCode(index, value, opt);
        return editor->onKeyDown(key);
      }
      return 0;
    case effEditKeyUp:
      if (editor) {
        VstKeyCode key = makeKeyCode(index, value, opt);
        return editor->onKeyUp(key);
      }
      return 0;
    case effSetEditKnobMode:
      if (!editor) return 0;
      return editor->setKnobMode(saturateToInt32(value));
    case effGetMidiProgramName:
      if (!ptr) return 0;
      return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
      if (!ptr) return -1;
      return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
      if (!ptr) return 0;
      return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
      return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName:
      if (!ptr) return 0;
      return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
    case effBeginSetProgram:
      return beginSetProgram() ? 1 : 0;
    case effEndSetProgram:
      return endSetProgram() ? 1 : 0;
    case effGetSpeakerArrangement:
      if (!ptr && value == 0) return 0;
      return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                   static_cast<VstSpeakerArrangement**>(ptr))
                 ? 1
                 : 0;
    case effShellGetNextPlugin:
      if (!text) return 0;
      return getNextShellPlugin(text);
    case effStartProcess:
      return startProcess();
    case effStopProcess:
      return stopProcess();
    case effSetTotalSampleToProcess:
      return setTotalSampleToProcess(saturateToInt32(value));
    case effSetPanLaw:
      return setPanLaw(saturateToInt32(value), opt) ? 1 : 0;
    case effBeginLoadBank:
      if (!ptr) return 0;
      return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
      if (!ptr) return 0;
      return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    default:
      return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  }
}

// --- Defaults that need more than one line ----------------------------------------------

int32_t AudioEffectX::getPlugCategory() {
  return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                         VstSpeakerArrangement** pluginOutput) {
  if (pluginInput) *pluginInput = nullptr;
  if (pluginOutput) *pluginOutput = nullptr;
  return false;
}

// --- Host wrappers --------------------------------------------------------------------

void AudioEffectX::wantEvents(int32_t filter) { callHost(audioMasterWantMidi, 0, filter); }

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter) {
  return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

int32_t AudioEffectX::tempoAt(int32_t pos) {
  return saturateToInt32(callHost(audioMasterTempoAt, 0, pos));
}

int32_t AudioEffectX::getNumAutomatableParameters() {
  return saturateToInt32(callHost(audioMasterGetNumAutomatableParameters));
}

int32_t AudioEffectX::getParameterQuantization() {
  return saturateToInt32(callHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }

bool AudioEffectX::needIdle() { return callHost(audioMasterNeedIdle) != 0; }

bool AudioEffectX::sizeWindow(int32_t width, int32_t height) {
  return callHost(audioMasterSizeWindow, width, height) != 0;
}

float AudioEffectX::updateSampleRate() {
  const intptr_t rate = callHost(audioMasterGetSampleRate);
  if (rate > 0) sampleRate = static_cast<float>(rate);
  return sampleRate;
}

int32_t AudioEffectX::updateBlockSize() {
  const intptr_t size = callHost(audioMasterGetBlockSize);
  if (size > 0) blockSize = saturateToInt32(size);
  return blockSize;
}

int32_t AudioEffectX::getInputLatency() {
  return saturateToInt32(callHost(audioMasterGetInputLatency));
}

int32_t AudioEffectX::getOutputLatency() {
  return saturateToInt32(callHost(audioMasterGetOutputLatency));
}

AEffect* AudioEffectX::getPreviousPlug(int32_t) {
  return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* AudioEffectX::getNextPlug(int32_t) {
  return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

int32_t AudioEffectX::willProcessReplacing() {
  return saturateToInt32(callHost(audioMasterWillReplaceOrAccumulate));
}

int32_t AudioEffectX::getCurrentProcessLevel() {
  return saturateToInt32(callHost(audioMasterGetCurrentProcessLevel));
}

int32_t AudioEffectX::getAutomationState() {
  return saturateToInt32(callHost(audioMasterGetAutomationState));
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, int32_t option, bool readSource) {
  return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, int32_t option) {
  return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* ptr, int32_t numAudioFiles,
                                int32_t numNewAudioFiles) {
  return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr) != 0;
}

bool AudioEffectX::offlineGetCurrentPass() {
  return callHost(audioMasterOfflineGetCurrentPass) != 0;
}

bool AudioEffectX::offlineGetCurrentMetaPass() {
  return callHost(audioMasterOfflineGetCurrentMetaPass) != 0;
}

void AudioEffectX::setOutputSamplerate(float samplerate) {
  callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
  return reinterpret_cast<VstSpeakerArrangement*>(
      callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
  return reinterpret_cast<VstSpeakerArrangement*>(
      callHost(audioMasterGetOutputSpeakerArrangement));
}

bool AudioEffectX::getHostVendorString(char* text) {
  return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
  return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

int32_t AudioEffectX::getHostVendorVersion() {
  return saturateToInt32(callHost(audioMasterGetVendorVersion));
}

intptr_t AudioEffectX::hostVendorSpecific(int32_t index, intptr_t value, void* ptr,
                                          float opt) {
  return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}

bool AudioEffectX::canHostDo(char* text) {
  return callHost(audioMasterCanDo, 0, 0, text) > 0;
}

int32_t AudioEffectX::getHostLanguage() {
  return saturateToInt32(callHost(audioMasterGetLanguage));
}

void* AudioEffectX::openWindow(VstWindow* window) {
  return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::closeWindow(VstWindow* window) {
  return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* AudioEffectX::getDirectory() {
  return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool AudioEffectX::beginEdit(int32_t index) {
  return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }

bool AudioEffectX::openFileSelector(VstFileSelect* select) {
  return select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* select) {
  return select && callHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath) {
  return nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
  return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

}  // namespace kv
