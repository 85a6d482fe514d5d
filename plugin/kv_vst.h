// KvVst: the plug-in object the host talks to.
//
// It turns every host request into an operation on the application (which owns the patch
// and its engine), the patch container's panel controls and patch memories, or the running
// engine. The patch's panel controls become host parameters (param_info links, in the
// container's gathered order), its patch memories host programs, its outer audio plugs host
// channels, and every control value in every program the host's chunk (chunk.h).
//
// Threads and the hold-off. The audio thread runs processReplacing/process/processEvents
// and, during automation playback, setParameter/getParameter. Everything else may come from
// the host's user-interface thread or from a third thread, also while audio runs. Two
// atomics keep the engine's life apart from audio calls: suspend and resume clear
// `processing_enabled`, then yield until `in_process` is clear, and only then stop or build
// the engine; an audio call sets `in_process` first and does nothing (silence) unless
// `processing_enabled` is set. Every non-audio call that touches the patch or the engine
// holds the engine-lifetime lock (recursive: a program change inside the patch may come
// back through the "Program" watcher while the lock is held).
//
// Host parameter values. setParameter stores the value in its link (one atomic word: value
// bits and marks, param_info.h) and raises a pending flag; nothing else, on any thread. The next audio call
// passes the pending flag to the engine, which calls ApplyHostParameters at the start of its
// run: every dirty value goes to its control's unit generator. With no engine, a value set
// on the user-interface thread goes straight into the control; one set on another thread is
// written into the control at the next idle, resume, chunk or program call.
//
// Host calls never show a dialog: texts raised inside them (an unreadable chunk, entries
// that matched no parameter) are queued by the message service and shown at idle.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "document/model/param_watcher.h"
#include "plugin/audio_effect_x.h"
#include "plugin/kv_vst_application.h"
#include "plugin/midi_to_host.h"
#include "plugin/param_info.h"

namespace kv {

class CContainer;

class KvVst : public AudioEffectX,
              public ParamWatcher,
              private HostAutomation,
              private HostParameterSource {
 public:
  // Runs the application's start-up and gathers everything the host sees. Sets *loadFailed
  // when no patch could be loaded (the host then gets no plug-in).
  KvVst(vst::audioMasterCallback audioMaster, std::unique_ptr<KvVstApplication> app,
        bool* loadFailed);
  ~KvVst() override;

  // --- Parameters (any thread for set/get) -------------------------------------------
  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  void getParameterLabel(int32_t index, char* label) override;
  void getParameterDisplay(int32_t index, char* text) override;
  void getParameterName(int32_t index, char* text) override;
  bool getParameterProperties(int32_t index, vst::VstParameterProperties* p) override;
  bool canParameterBeAutomated(int32_t index) override;

  // --- Audio ----------------------------------------------------------------------
  void process(float** inputs, float** outputs, int32_t sampleFrames) override;
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  int32_t processEvents(vst::VstEvents* events) override;

  // --- Programs -------------------------------------------------------------------
  void setProgram(int32_t program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
  bool copyProgram(int32_t destination) override;

  // --- State ----------------------------------------------------------------------
  int32_t getChunk(void** data, bool isPreset) override;
  int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

  // --- Activation -----------------------------------------------------------------
  void setSampleRate(float newRate) override;
  void suspend() override;
  void resume() override;

  // --- Descriptions ---------------------------------------------------------------
  bool getOutputProperties(int32_t index, vst::VstPinProperties* properties) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t getVendorVersion() override { return 1; }
  int32_t canDo(char* text) override;
  int32_t fxIdle() override;

  // ParamWatcher: the patch's "Program" parameter changed (a program change made inside
  // the patch); the host follows.
  void onValueChanged(intptr_t argument) override;

  // For tests and tools.
  CContainer* patch() const { return patch_; }
  KvVstApplication& application() { return *app_; }
  const param_info* parameterLink(int32_t index) const;
  bool processingEnabled() const { return processing_enabled_.load(std::memory_order_acquire); }

  // Rate used to build an engine for a host rate: rates a host reports before it knows
  // (0, negative, NaN) or that no engine can run at count as 44100.
  static float EngineSampleRate(float hostRate);

 private:
  void gatherHostParameters();
  // Holds off audio calls and waits until a running one has returned.
  void holdOffAudio();
  void suspendLocked();
  void resumeLocked();
  void setProgramLocked(int32_t program);
  // Writes values that hosts set outside the user-interface thread while no engine ran.
  void applyDirtyToControls();
  bool engineRunning() const { return engine_running_.load(std::memory_order_acquire); }
  // The engine lock for a query that hosts may also make from the audio thread: there it is
  // only tried (the answer is then empty), elsewhere taken.
  std::unique_lock<std::recursive_mutex> lockForQuery();
  void runAudio(float** inputs, float** outputs, int32_t frames, bool replacing);
  void writeSilence(float** outputs, int32_t frames);

  // HostAutomation: a control change the host should record.
  void automateHostParameter(int32_t index, float value) override;
  // HostParameterSource: audio thread, start of an engine run.
  void ApplyHostParameters() override;

  std::unique_ptr<KvVstApplication> app_;
  CContainer* patch_ = nullptr;
  KvVstPatchSettings settings_;
  vst::VstEvents* host_events_ = nullptr;
  std::atomic<bool> processing_enabled_{false};
  std::atomic<bool> in_process_{false};
  std::atomic<bool> replacing_{true};
  std::atomic<bool> engine_running_{false};
  std::atomic<bool> params_pending_{false};
  std::vector<std::unique_ptr<param_info>> params_;
  MidiToHost midi_to_host_;
  std::vector<uint8_t> chunk_;  // the block last handed out by getChunk
  // Host MIDI of one call, and MIDI for the host, in preallocated arrays.
  static constexpr int32_t kHostMidiCapacity = 1024;
  std::unique_ptr<HostMidi[]> midi_in_;
  std::unique_ptr<HostMidi[]> midi_out_;
  std::recursive_mutex engine_mutex_;
  std::thread::id ui_thread_;
  std::atomic<std::thread::id> audio_thread_{};
  bool has_midi_in_ = false;
  bool has_midi_out_ = false;
  bool quiet_automation_ = false;  // host-made changes are not echoed back as automation
};

}  // namespace kv
