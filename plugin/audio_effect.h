// The VST 1 half of the adapter between the host's C interface and the plug-in object.
//
// A host knows three things about a plug-in: the entry point, the `AEffect` record the
// entry point returns, and the callback it passes in. `AudioEffect` embeds that record
// (`cEffect`) and fills it at construction: the five function pointers are static glue
// functions that read `object` back from the record and call the matching virtual
// operation; `object` is this adapter. Everything the host asks for then arrives in
// `dispatcher` as an opcode with its arguments and becomes a call of a virtual
// operation, which derived classes override.
//
// Glue rules. No exception crosses into the host: each glue function catches
// everything and answers a neutral value (0, 0.0f, or nothing). `effClose` is the end
// of the object's life: the glue calls `close` through the dispatcher, deletes the
// object through its virtual destructor (which deletes the editor first) and answers 1;
// the host must not use the record afterwards.
//
// Host wrappers. Operations that call the host (`getMasterVersion`, ...) pass the
// address of `cEffect` and first check that the host supplied a callback; without one
// they answer their neutral value.
//
// Opcodes 0 to 24 are handled here; `AudioEffectX` (audio_effect_x.h) adds the VST 2
// opcodes and the rest of the host wrappers.
#pragma once

#include <cstdint>

#include "platform/vst/aeffect.h"

namespace kv {

class AEffEditor;

class AudioEffect {
 public:
  AudioEffect(vst::audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;
  // Deletes the editor. Runs from the dispatcher glue on `effClose` (UI thread).
  virtual ~AudioEffect();

  // --- Parameters -----------------------------------------------------------------
  // Host sets a parameter (0..1). Called from the UI thread, and from the audio thread
  // while the host plays automation.
  virtual void setParameter(int32_t index, float value) {}
  // Host reads a parameter (0..1). Any thread, often; must stay cheap.
  virtual float getParameter(int32_t index) { return 0.0f; }
  // Called by the plug-in when one of its own parameters changed: sets it, then tells
  // the host (audioMasterAutomate). Answers the host's result.
  virtual intptr_t setParameterAutomated(int32_t index, float value);

  // --- Audio ----------------------------------------------------------------------
  // Accumulating process call, audio thread: adds to the outputs. No default.
  virtual void process(float** inputs, float** outputs, int32_t sampleFrames) = 0;
  // Replacing process call, audio thread: overwrites the outputs. The default writes
  // silence to every output channel so a host never reads back stale data.
  virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);

  // --- Dispatcher -----------------------------------------------------------------
  // Every host request other than audio and parameter values arrives here. Thread as
  // documented on the operation the opcode reaches. Opcodes above 24 answer 0 here.
  virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                              float opt);

  // effOpen, UI thread, once after the entry point returned the record.
  virtual void open() {}
  // effClose, UI thread, once; the object is deleted right after.
  virtual void close() {}

  // --- Programs -------------------------------------------------------------------
  // effGetProgram, UI thread.
  virtual int32_t getProgram() { return curProgram; }
  // effSetProgram, UI thread (some hosts: any non-audio thread). The dispatcher passes
  // only values below numPrograms; a negative value reaches this operation and is
  // ignored by the default.
  virtual void setProgram(int32_t program);
  // effSetProgramName, UI thread: `name` is the host's text.
  virtual void setProgramName(char* name) {}
  // effGetProgramName, UI thread: writes the current program's name. Default: empty.
  virtual void getProgramName(char* name);
  // effGetParamLabel / effGetParamDisplay / effGetParamName, UI thread: write the unit,
  // the value text and the name of a parameter. Defaults: empty texts.
  virtual void getParameterLabel(int32_t index, char* label);
  virtual void getParameterDisplay(int32_t index, char* text);
  virtual void getParameterName(int32_t index, char* text);
  // effGetVu, UI thread: a level 0..1 (the dispatcher scales it to 0..32767).
  virtual float getVu() { return 0.0f; }
  // effGetChunk, UI thread: stores the address of the state block into *data and
  // answers its size in bytes; the block stays valid until the next call. Default: none.
  virtual int32_t getChunk(void** data, bool isPreset) { return 0; }
  // effSetChunk, UI thread (some hosts: any non-audio thread, even while audio runs):
  // restore state from the host's block.
  virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset) { return 0; }

  // --- Stream settings and activation ---------------------------------------------
  // effSetSampleRate, UI thread, normally while suspended.
  virtual void setSampleRate(float newRate) { sampleRate = newRate; }
  // effSetBlockSize, UI thread, normally while suspended: the largest block to expect.
  virtual void setBlockSize(int32_t newSize) { blockSize = newSize; }
  // effMainsChanged(0): the host stops calling process. Any non-audio thread.
  virtual void suspend() {}
  // effMainsChanged(1): the host is about to call process. Any non-audio thread.
  virtual void resume() {}

  // --- Record setters and flag setters (construction time, plug-in side) ------------
  virtual void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
  virtual void setNumInputs(int32_t inputs) { cEffect.numInputs = inputs; }
  virtual void setNumOutputs(int32_t outputs) { cEffect.numOutputs = outputs; }
  virtual void hasVu(bool state = true) { setFlag(vst::effFlagsHasVu, state); }
  virtual void hasClip(bool state = true) { setFlag(vst::effFlagsHasClip, state); }
  virtual void canMono(bool state = true) { setFlag(vst::effFlagsCanMono, state); }
  virtual void canProcessReplacing(bool state = true) {
    setFlag(vst::effFlagsCanReplacing, state);
  }
  virtual void programsAreChunks(bool state = true) {
    setFlag(vst::effFlagsProgramChunks, state);
  }
  virtual void setRealtimeQualities(int32_t qualities) { cEffect.realQualities = qualities; }
  virtual void setOfflineQualities(int32_t qualities) { cEffect.offQualities = qualities; }
  virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }

  virtual float getSampleRate() { return sampleRate; }
  virtual int32_t getBlockSize() { return blockSize; }

  // --- Host wrappers --------------------------------------------------------------
  // The host's VST version; 1 when the host answers 0 or there is no host.
  virtual int32_t getMasterVersion();
  virtual int32_t getCurrentUniqueId();
  virtual void masterIdle();
  // True unless the host says the pin is not connected (it answers 0 for connected).
  virtual bool isInputConnected(int32_t input);
  virtual bool isOutputConnected(int32_t output);

  // --- Text formatting for derived classes ------------------------------------------
  // Each writes at most 8 characters and a terminator: `text` holds at least 9 bytes.
  // Numbers are written the same way whatever the process locale.
  virtual void dB2string(float value, char* text);
  virtual void Hz2string(float samples, char* text);
  virtual void ms2string(float samples, char* text);
  virtual void float2string(float value, char* text);
  virtual void long2string(int32_t value, char* text);

  // --- Not virtual ----------------------------------------------------------------
  // Attaches the editor (owned from now on; a previous one is deleted) and sets or
  // clears effFlagsHasEditor accordingly.
  void setEditor(AEffEditor* newEditor);
  AEffEditor* getEditorObject() const { return editor; }
  // The program and parameter counts, kept equal in the adapter and the record.
  void setNumPrograms(int32_t count);
  void setNumParams(int32_t count);
  int32_t getNumPrograms() const { return numPrograms; }
  int32_t getNumParams() const { return numParams; }
  vst::AEffect* getAeffect() { return &cEffect; }
  vst::audioMasterCallback getAudioMaster() const { return audioMaster; }

  // The glue stored in the record. Public so that tests can name them; hosts reach them
  // only through the record. The dispatcher glue runs on whatever thread the opcode's
  // operation names; the process glue on the audio thread; the parameter glue on the UI
  // thread or, during automation playback, the audio thread.
  static intptr_t dispatchEffClass(vst::AEffect* e, int32_t opcode, int32_t index,
                                   intptr_t value, void* ptr, float opt) noexcept;
  static void processClass(vst::AEffect* e, float** inputs, float** outputs,
                           int32_t sampleFrames) noexcept;
  static void processClassReplacing(vst::AEffect* e, float** inputs, float** outputs,
                                    int32_t sampleFrames) noexcept;
  static void setParameterClass(vst::AEffect* e, int32_t index, float value) noexcept;
  static float getParameterClass(vst::AEffect* e, int32_t index) noexcept;

 protected:
  // Calls the host with this effect's record; 0 when there is no host callback.
  intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0,
                    void* ptr = nullptr, float opt = 0.0f);
  void setFlag(int32_t bit, bool state);

  float sampleRate = 44100.0f;
  AEffEditor* editor = nullptr;
  vst::audioMasterCallback audioMaster;
  int32_t numPrograms;
  int32_t numParams;
  int32_t curProgram = 0;
  int32_t blockSize = 1024;
  vst::AEffect cEffect;
};

}  // namespace kv
