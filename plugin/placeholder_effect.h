// The plug-in object korvane.so offers until the patch engine is wired in.
//
// Placeholder until the patch engine is wired: a later plug-in object built on the
// patch takes its place in the library's factory (create_effect_instance.cpp). Until
// then hosts load a real, well-behaved effect that plays silence: stereo output, one
// input, replacing processing that writes zeros to every output, accumulating
// processing that adds nothing, and the names and answers the finished plug-in will give
// without a patch.
//
// It already drives the engine's clock the way the finished plug-in will: `resume`
// builds an audio master (empty run list) for the host's block size and sample rate,
// every process call runs it for the call's sample count, and `suspend` deletes it.
// Suspend and resume may arrive on any thread while audio runs, so they hold off
// process calls with an atomic flag pair (`processing_enabled`, `in_process`) and a
// yielding wait before the master is built or destroyed.
#pragma once

#include <atomic>
#include <memory>

#include "engine/audio_master.h"
#include "engine/engine_host.h"
#include "plugin/audio_effect_x.h"

namespace kv {

class PlaceholderEffect : public AudioEffectX, private EngineHost {
 public:
  static constexpr int32_t kUniqueId = vst::fourCharCode('K', 'v', 'P', 'h');

  explicit PlaceholderEffect(vst::audioMasterCallback audioMaster);
  ~PlaceholderEffect() override;

  // effMainsChanged, any thread: build (resume) or delete (suspend) the audio master.
  void resume() override;
  void suspend() override;

  // Audio thread: silence on every output channel.
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  // Audio thread: adds silence, i.e. leaves the outputs as they are.
  void process(float** inputs, float** outputs, int32_t sampleFrames) override;

  // UI thread: names for the host's lists ("Korvane").
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t getVendorVersion() override { return 1; }
  // UI thread: no MIDI in or out without a patch (-1); any other word: cannot tell (0).
  int32_t canDo(char* text) override;

  // The running master, or null while suspended (tests look at its clock).
  const KvAudioMaster* master() const { return master_.get(); }

 private:
  // Runs the master for one host call when processing is enabled.
  void RunEngine(int32_t sampleFrames);
  // Holds off process calls and waits until a running one has returned.
  void StopProcessing();

  // EngineHost: nothing to apply or show without a patch; transport from the host.
  void ApplyPendingHostParameters() override {}
  const TimeInfo* FetchHostTimeInfo(int32_t request_flags) override;
  void QueueModuleMessage(const ModuleMessage&) override {}
  void QueueDocumentRefresh(DocumentModule*) override {}

  std::unique_ptr<KvAudioMaster> master_;
  std::atomic<bool> processing_enabled_{false};
  std::atomic<bool> in_process_{false};
};

}  // namespace kv
