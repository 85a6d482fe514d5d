// The VST 2 half of the adapter (host interface version 2300).
//
// `AudioEffectX` adds no data to `AudioEffect`. Its dispatcher handles opcodes 25 to
// 76 and passes everything else to the `AudioEffect` dispatcher (which answers 0 above
// 24). Operations whose result the dispatcher turns into 1/0 return bool. Every
// operation has a neutral default, so a plug-in overrides only what it offers.
//
// The dispatcher never hands a null pointer to an operation that reads or writes
// through it: such a request answers the operation's "no" (0; -1 for
// effGetCurrentMidiProgram) without calling it.
//
// Host wrappers follow the same rule as in `AudioEffect`: no callback, neutral answer.
#pragma once

#include <cstdint>

#include "plugin/audio_effect.h"

namespace kv {

class AudioEffectX : public AudioEffect {
 public:
  AudioEffectX(vst::audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
      : AudioEffect(audioMaster, numPrograms, numParams) {}

  intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                      float opt) override;

  virtual AEffEditor* getEditor() { return editor; }

  // --- Events and time (host wrappers) --------------------------------------------
  // Tells the host the plug-in wants MIDI (filter 1). Called on resume.
  virtual void wantEvents(int32_t filter = 1);
  // The host's transport record for this block, or null. Audio thread.
  virtual vst::VstTimeInfo* getTimeInfo(int32_t filter);
  virtual int32_t tempoAt(int32_t pos);

  // effProcessEvents, audio thread, before the process call the events belong to.
  virtual int32_t processEvents(vst::VstEvents* events) { return 0; }

  // --- Parameters and programs ----------------------------------------------------
  virtual int32_t getNumAutomatableParameters();
  virtual int32_t getParameterQuantization();
  // effCanBeAutomated, UI thread.
  virtual bool canParameterBeAutomated(int32_t index) { return true; }
  // effString2Parameter, UI thread: set a parameter from the host's text.
  virtual bool string2parameter(int32_t index, char* text) { return false; }
  virtual float getChannelParameter(int32_t channel, int32_t index) { return 0.0f; }
  // effGetNumProgramCategories, UI thread.
  virtual int32_t getNumCategories() { return 1; }
  // effGetProgramNameIndexed, UI thread: the name of any program, for host menus.
  virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text) {
    return false;
  }
  // effCopyProgram, UI thread: copy the current program to `destination`.
  virtual bool copyProgram(int32_t destination) { return false; }

  // --- Host wrappers: display, idle, stream settings ------------------------------
  virtual bool ioChanged();
  // Asks the host for effIdle calls. Called at construction and on resume.
  virtual bool needIdle();
  virtual bool sizeWindow(int32_t width, int32_t height);
  // Ask the host; a positive answer replaces the stored value. Answer the stored value.
  virtual float updateSampleRate();
  virtual int32_t updateBlockSize();
  virtual int32_t getInputLatency();
  virtual int32_t getOutputLatency();
  virtual vst::AEffect* getPreviousPlug(int32_t input);
  virtual vst::AEffect* getNextPlug(int32_t output);

  // --- Pins -----------------------------------------------------------------------
  // effConnectInput / effConnectOutput, UI thread: the host (dis)connected a pin.
  virtual void inputConnected(int32_t index, bool state) {}
  virtual void outputConnected(int32_t index, bool state) {}
  // effGetInputProperties / effGetOutputProperties, UI thread: describe a pin.
  virtual bool getInputProperties(int32_t index, vst::VstPinProperties* properties) {
    return false;
  }
  virtual bool getOutputProperties(int32_t index, vst::VstPinProperties* properties) {
    return false;
  }
  // effGetPlugCategory, UI thread: synth (2) when effFlagsIsSynth is set, else unknown.
  virtual int32_t getPlugCategory();

  virtual int32_t willProcessReplacing();
  virtual int32_t getCurrentProcessLevel();
  virtual int32_t getAutomationState();
  virtual void wantAsyncOperation(bool state = true) {
    setFlag(vst::effFlagsExtIsAsync, state);
  }
  virtual void hasExternalBuffer(bool state = true) {
    setFlag(vst::effFlagsExtHasBuffer, state);
  }
  // effGetCurrentPosition / effGetDestinationBuffer (asynchronous processing).
  virtual int32_t reportCurrentPosition() { return 0; }
  virtual float* reportDestinationBuffer() { return nullptr; }

  // --- Offline processing ---------------------------------------------------------
  // Host wrappers.
  virtual bool offlineRead(vst::VstOfflineTask* offline, int32_t option,
                           bool readSource = true);
  virtual bool offlineWrite(vst::VstOfflineTask* offline, int32_t option);
  virtual bool offlineStart(vst::VstAudioFile* ptr, int32_t numAudioFiles,
                            int32_t numNewAudioFiles);
  virtual bool offlineGetCurrentPass();
  virtual bool offlineGetCurrentMetaPass();
  // effOfflineNotify / effOfflinePrepare / effOfflineRun, UI thread.
  virtual bool offlineNotify(vst::VstAudioFile* ptr, int32_t numAudioFiles, bool start) {
    return false;
  }
  virtual bool offlinePrepare(vst::VstOfflineTask* offline, int32_t count) { return false; }
  virtual bool offlineRun(vst::VstOfflineTask* offline, int32_t count) { return false; }
  virtual int32_t offlineGetNumPasses() { return 0; }
  virtual int32_t offlineGetNumMetaPasses() { return 0; }

  // --- More host wrappers ---------------------------------------------------------
  virtual void setOutputSamplerate(float samplerate);
  virtual vst::VstSpeakerArrangement* getInputSpeakerArrangement();
  virtual vst::VstSpeakerArrangement* getOutputSpeakerArrangement();
  virtual bool getHostVendorString(char* text);
  virtual bool getHostProductString(char* text);
  virtual int32_t getHostVendorVersion();
  virtual intptr_t hostVendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
  // True only when the host answers yes (1); -1 is its "no", 0 its "cannot tell".
  virtual bool canHostDo(char* text);
  virtual void isSynth(bool state = true) { setFlag(vst::effFlagsIsSynth, state); }
  virtual void noTail(bool state = true) { setFlag(vst::effFlagsNoSoundInStop, state); }
  virtual int32_t getHostLanguage();
  virtual void* openWindow(vst::VstWindow* window);
  virtual bool closeWindow(vst::VstWindow* window);
  virtual void* getDirectory();
  // Tells the host that names or values it shows changed.
  virtual bool updateDisplay();

  // --- Plug-in answers, UI thread unless noted --------------------------------------
  // effProcessVarIo, audio thread.
  virtual bool processVariableIo(vst::VstVariableIo* varIo) { return false; }
  // effSetSpeakerArrangement: the host proposes an input and an output arrangement.
  virtual bool setSpeakerArrangement(vst::VstSpeakerArrangement* pluginInput,
                                     vst::VstSpeakerArrangement* pluginOutput) {
    return false;
  }
  // effGetSpeakerArrangement: stores the addresses of the plug-in's arrangements.
  virtual bool getSpeakerArrangement(vst::VstSpeakerArrangement** pluginInput,
                                     vst::VstSpeakerArrangement** pluginOutput);
  // effSetBlockSizeAndSampleRate, while suspended.
  virtual void setBlockSizeAndSampleRate(int32_t newBlockSize, float newSampleRate) {
    blockSize = newBlockSize;
    sampleRate = newSampleRate;
  }
  // effSetBypass, UI or audio thread: true when the plug-in bypasses itself.
  virtual bool setBypass(bool onOff) { return false; }
  // effGetEffectName / effGetErrorText / effGetVendorString / effGetProductString:
  // write a text into the host's buffer (text_bounds.h gives the sizes).
  virtual bool getEffectName(char* name) { return false; }
  virtual bool getErrorText(char* text) { return false; }
  virtual bool getVendorString(char* text) { return false; }
  virtual bool getProductString(char* text) { return false; }
  // effGetVendorVersion.
  virtual int32_t getVendorVersion() { return 0; }
  // effVendorSpecific: private extensions of a host; any thread.
  virtual intptr_t vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
    return 0;
  }
  // effCanDo: 1 yes, -1 no, 0 cannot tell. `text` is a capability word
  // (capabilities.h), compared exactly.
  virtual int32_t canDo(char* text) { return 0; }
  virtual void* getIcon() { return nullptr; }
  virtual bool setViewPosition(int32_t x, int32_t y) { return false; }
  // effGetTailSize: samples of sound after the input stops.
  virtual int32_t getGetTailSize() { return 0; }
  // effIdle: UI thread, regularly after needIdle.
  virtual int32_t fxIdle() { return 0; }
  // effGetParameterProperties.
  virtual bool getParameterProperties(int32_t index, vst::VstParameterProperties* p) {
    return false;
  }
  // effKeysRequired: true when the editor needs every key (the dispatcher inverts it).
  virtual bool keysRequired() { return false; }
  // effGetVstVersion.
  virtual int32_t getVstVersion() { return 2300; }

  // MIDI program names (effGetMidiProgramName ... effGetMidiKeyName).
  virtual int32_t getMidiProgramName(int32_t channel, vst::MidiProgramName* name) {
    return 0;
  }
  virtual int32_t getCurrentMidiProgram(int32_t channel, vst::MidiProgramName* current) {
    return -1;
  }
  virtual int32_t getMidiProgramCategory(int32_t channel, vst::MidiProgramCategory* category) {
    return 0;
  }
  virtual bool hasMidiProgramsChanged(int32_t channel) { return false; }
  virtual bool getMidiKeyName(int32_t channel, vst::MidiKeyName* keyName) { return false; }
  // effBeginSetProgram / effEndSetProgram bracket a program change.
  virtual bool beginSetProgram() { return false; }
  virtual bool endSetProgram() { return false; }

  // Host wrappers: a parameter edit with the mouse begins and ends (UI thread).
  virtual bool beginEdit(int32_t index);
  virtual bool endEdit(int32_t index);
  virtual bool openFileSelector(vst::VstFileSelect* select);

  // effSetTotalSampleToProcess (offline): answers the number it accepts.
  virtual int32_t setTotalSampleToProcess(int32_t value) { return value; }
  // effShellGetNextPlugin: shell plug-ins only.
  virtual int32_t getNextShellPlugin(char* name) { return 0; }
  // effStartProcess / effStopProcess: around a run of process calls; some hosts send
  // them from the audio thread, so they must not block.
  virtual int32_t startProcess() { return 0; }
  virtual int32_t stopProcess() { return 0; }
  // effSetPanLaw.
  virtual bool setPanLaw(int32_t type, float value) { return false; }
  // effBeginLoadBank / effBeginLoadProgram: before setChunk of a bank or program file.
  virtual int32_t beginLoadBank(vst::VstPatchChunkInfo* info) { return 0; }
  virtual int32_t beginLoadProgram(vst::VstPatchChunkInfo* info) { return 0; }

  // --- Speaker arrangements -------------------------------------------------------
  // Frees *arrangement and allocates a zeroed record for `channels` speakers. False
  // (and *arrangement null) when channels is negative or memory runs out.
  virtual bool allocateArrangement(vst::VstSpeakerArrangement** arrangement,
                                   int32_t channels);
  // Frees *arrangement and sets it to null.
  virtual bool deallocateArrangement(vst::VstSpeakerArrangement** arrangement);
  // Copies name, type, the four floats and the future bytes.
  virtual bool copySpeaker(vst::VstSpeakerProperties* to, const vst::VstSpeakerProperties* from);
  // Makes *to a copy of `from` (type and every speaker). False when from is null or
  // memory runs out.
  virtual bool matchArrangement(vst::VstSpeakerArrangement** to,
                                const vst::VstSpeakerArrangement* from);

  // --- Not virtual ----------------------------------------------------------------
  // Sends MIDI produced by the plug-in to the host (audio thread, after a block).
  // True only when the host answers 1.
  bool sendVstEventsToHost(vst::VstEvents* events);
  bool closeFileSelector(vst::VstFileSelect* select);
  bool getChunkFile(void* nativePath);
};

}  // namespace kv
