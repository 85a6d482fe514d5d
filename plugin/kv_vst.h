// KvVst: the plug-in object the host talks to.
//
// It turns every host request into an operation on the application (which owns the patch
// and its engine), the patch container's panel controls and patch memories, or the running
// engine. The patch's panel controls become host parameters (param_info links, in the
// container's gathered order), its patch memories host programs, its outer audio plugs host
// channels, and every control value in every program the host's chunk (chunk.h).
//
// Threads. The audio thread runs processReplacing/process/processEvents and, during
// automation playback, setParameter/getParameter. Everything else may come from the host's
// user-interface thread or from a third thread, also while audio runs. The engine has one
// gate, in the application: suspend and resume build and delete the engine behind it, and an
// audio call that finds it closed plays silence. Every non-audio call that touches the patch
// or the engine holds the engine-lifetime lock (recursive: a program change inside the patch
// may come back through the "Program" watcher while the lock is held).
//
// Host MIDI. processEvents converts the host's short messages once, into engine MIDI events
// whose time is the offset in the coming audio call, kept in a preallocated list that only
// the audio thread touches; the next audio call hands that list to the engine and empties
// it, whatever happens, so the events of one call belong to that call alone. Events the host
// sent before a resume are dropped (the engine restarted): resume only bumps an atomic count
// that the audio thread compares, so the audio thread never waits for it.
//
// Host parameter values. setParameter stores the value in its link (one atomic word: value
// bits and marks, param_info.h) and asks the application to hand pending values to the
// engine; nothing else, on any thread. The engine calls ApplyHostParameters at the start of
// its next run: every dirty value goes to its control's unit generator. With no engine, a
// value set on the user-interface thread goes straight into the control; one set on another
// thread is written into the control at the next idle, resume, chunk or program call.
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

#include "app/kv_vst_application.h"
#include "document/model/param_watcher.h"
#include "engine/midi_transport.h"
#include "plugin/audio_effect_x.h"
#include "plugin/midi_to_host.h"
#include "plugin/param_info.h"

namespace kv {

class CContainer;

class KvVst : public AudioEffectX,
              public ParamWatcher,
              private KvVstPlugin,
              private HostAutomation {
 public:
  // The host's main, user-interface thread, from the entry point: runs the application's
  // start-up and gathers everything the host sees. Sets *loadFailed when no patch could be
  // loaded (the host then gets no plug-in).
  KvVst(vst::audioMasterCallback audioMaster, std::unique_ptr<KvVstApplication> app, bool* loadFailed);
  // effClose, user-interface thread: suspends first, then lets the links stop watching
  // before the application deletes the document.
  ~KvVst() override;

  // --- Parameters -------------------------------------------------------------------
  // Any thread, the audio thread too during automation playback: a host value 0..1 (NaN is
  // ignored, others clamped). Never locks on the audio thread.
  void setParameter(int32_t index, float value) override;
  // Any thread, very often: the value last known to the host (one atomic load).
  float getParameter(int32_t index) override;
  // User-interface thread (some hosts ask from the audio thread: the answer is then empty
  // when the engine lock is busy): the control's unit, value text and name, 31 characters.
  void getParameterLabel(int32_t index, char* label) override;
  void getParameterDisplay(int32_t index, char* text) override;
  void getParameterName(int32_t index, char* text) override;
  // User-interface thread: the full name (63 characters) and a 7-character short label.
  bool getParameterProperties(int32_t index, vst::VstParameterProperties* p) override;
  // User-interface thread (or the audio thread, as above): whether edits are reported.
  bool canParameterBeAutomated(int32_t index) override;

  // --- Audio ------------------------------------------------------------------------
  // Audio thread, between resume and suspend: adds the patch's output to the host's
  // buffers. `sampleFrames` <= 0 does nothing.
  void process(float** inputs, float** outputs, int32_t sampleFrames) override;
  // Audio thread, between resume and suspend: writes the host's buffers (zeros where the
  // patch drives nothing, and while no engine runs). `sampleFrames` <= 0 does nothing.
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  // Audio thread, before the process call the events belong to (hosts may send several
  // blocks for one call): short MIDI messages are kept for that call; others are skipped.
  int32_t processEvents(vst::VstEvents* events) override;

  // --- Programs ---------------------------------------------------------------------
  // User-interface thread (some hosts: any non-audio thread, also while audio runs).
  // Program numbers outside 0 .. numPrograms - 1 are ignored.
  void setProgram(int32_t program) override;
  void setProgramName(char* name) override;
  // User-interface thread: names of 23 characters at most.
  void getProgramName(char* name) override;
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
  // User-interface thread: the current program's values copied into `destination`.
  bool copyProgram(int32_t destination) override;

  // --- State ------------------------------------------------------------------------
  // User-interface thread (some hosts: any non-audio thread): the bank or program chunk;
  // the block stays valid until the next getChunk.
  int32_t getChunk(void** data, bool isPreset) override;
  // User-interface thread (some hosts: any non-audio thread, also while audio runs): a
  // chunk is applied only when it parses completely; damage is reported at idle.
  int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

  // --- Activation -------------------------------------------------------------------
  // Any non-audio thread: a new rate restarts a running engine at that rate.
  void setSampleRate(float newRate) override;
  // effMainsChanged(0), any non-audio thread: the engine stops and is deleted once no audio
  // call uses it; audio calls play silence until the next resume.
  void suspend() override;
  // effMainsChanged(1), any non-audio thread: builds and starts the engine (replacing a
  // running one); host values set meanwhile go into their controls first.
  void resume() override;

  // --- Descriptions -----------------------------------------------------------------
  // User-interface thread, any time after construction.
  bool getOutputProperties(int32_t index, vst::VstPinProperties* properties) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t getVendorVersion() override { return 1; }
  int32_t canDo(char* text) override;
  // effIdle, user-interface thread, often while the editor is closed: serves the refresh
  // queue, writes host values set off this thread into their controls, shows queued texts.
  int32_t fxIdle() override;

  // ParamWatcher, user-interface thread: the patch's "Program" parameter changed (a
  // program change made inside the patch); the host follows.
  void onValueChanged(intptr_t argument) override;

  // For tests and tools.
  CContainer* patch() const { return patch_; }
  KvVstApplication& application() { return *app_; }
  const param_info* parameterLink(int32_t index) const;
  // Between resume and suspend (also when the engine build failed).
  bool processingEnabled() const { return resumed_.load(std::memory_order_acquire); }

  // Rate used to build an engine for a host rate: rates a host reports before it knows
  // (0, negative, NaN) or that no engine can run at count as 44100.
  static float EngineSampleRate(float hostRate);

  // Short host MIDI messages kept for one audio call.
  static constexpr int32_t kHostMidiCapacity = 1024;

 private:
  void gatherHostParameters();
  void suspendLocked();
  void resumeLocked();
  void setProgramLocked(int32_t program);
  // Writes values that hosts set outside the user-interface thread while no engine ran.
  void applyDirtyToControls();
  // The engine lock for a query that hosts may also make from the audio thread: there it is
  // only tried (the answer is then empty), elsewhere taken.
  std::unique_lock<std::recursive_mutex> lockForQuery();
  void runAudio(float** inputs, float** outputs, int32_t frames, bool replacing);

  // KvVstPlugin: audio thread, inside an engine run.
  void ApplyHostParameters() override;
  const TimeInfo* HostTimeInfo(int32_t request_flags) override;
  // HostAutomation: a control change the host should record.
  void automateHostParameter(int32_t index, float value) override;

  std::unique_ptr<KvVstApplication> app_;
  CContainer* patch_ = nullptr;
  KvVstPatchSettings settings_;
  std::atomic<bool> resumed_{false};
  std::atomic<bool> replacing_{true};
  std::vector<std::unique_ptr<param_info>> params_;
  std::vector<uint8_t> chunk_;  // the block last handed out by getChunk

  // Audio thread only: the host's MIDI for the coming call, and the resume it was sent
  // after. `resumes_` is the one field resume writes.
  std::unique_ptr<MidiEvent[]> midi_in_;
  int32_t midi_in_count_ = 0;
  uint32_t midi_in_resume_ = 0;
  std::atomic<uint32_t> resumes_{0};
  // Audio thread only: MIDI for the host, as the engine hands it over and as the host reads
  // it (allocated at construction).
  std::unique_ptr<MidiEvent[]> midi_out_;
  MidiToHost midi_to_host_;

  std::recursive_mutex engine_mutex_;
  std::thread::id ui_thread_;
  std::atomic<std::thread::id> audio_thread_{};
  bool has_midi_in_ = false;
  bool has_midi_out_ = false;
  bool quiet_automation_ = false;  // host-made changes are not echoed back as automation
};

}  // namespace kv
