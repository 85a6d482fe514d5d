// The plug-in object korvane.so offers until the patch engine is wired in.
//
// Placeholder until the patch engine is wired: a later plug-in object built on the
// patch takes its place in the library's factory (create_effect_instance.cpp). Until
// then hosts load a real, well-behaved effect that plays silence: stereo output, one
// input, replacing processing that writes zeros to every output, accumulating
// processing that adds nothing, and the names and answers the finished plug-in will give
// without a patch.
//
// It already loads the patch the finished plug-in plays (the section of its own file, else
// the ".dat" file beside it) into the plug-in's document and shows the host what the patch
// says: the patch container's title as the effect name, the document's product text as the
// product string and the header's unique id. Without a patch (no patch bytes, a failed or
// refused load, or a root without a patch container) the object reports that it has no
// patch and the entry point hands the host nothing.
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
#include <string>

#include "engine/audio_master.h"
#include "engine/engine_host.h"
#include "doc/korvane_doc_vst.h"
#include "plugin/audio_effect_x.h"

namespace kv {

class PlaceholderEffect : public AudioEffectX, private EngineHost {
 public:
  // Loads the patch of the plug-in file at `module_path` (default: this library's own file).
  explicit PlaceholderEffect(vst::audioMasterCallback audioMaster);
  PlaceholderEffect(vst::audioMasterCallback audioMaster, const std::string& module_path);
  ~PlaceholderEffect() override;

  // effMainsChanged, any thread: build (resume) or delete (suspend) the audio master.
  void resume() override;
  void suspend() override;

  // Audio thread: silence on every output channel.
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  // Audio thread: adds silence, i.e. leaves the outputs as they are.
  void process(float** inputs, float** outputs, int32_t sampleFrames) override;

  // False when no patch could be loaded: the entry point then gives the host nothing.
  bool hasPatch() const { return patch_ != nullptr; }
  const CKorvaneDocVST& document() const { return doc_; }

  // UI thread: the patch container's title (at most 31 characters), the vendor ("Korvane")
  // and the document's product text.
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

  CKorvaneDocVST doc_;
  CContainer* patch_ = nullptr;  // the document's patch container, or null
  std::unique_ptr<KvAudioMaster> master_;
  std::atomic<bool> processing_enabled_{false};
  std::atomic<bool> in_process_{false};
};

}  // namespace kv
