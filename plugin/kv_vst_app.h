// The plug-in's own application: KvVstApplication over CKorvaneAppVST and the plug-in
// document CKorvaneDocVST, loading the patch embedded in (or beside) the plug-in file.
#pragma once

#include <string>

#include "app/korvane_app_vst.h"
#include "plugin/kv_vst_application.h"

namespace kv {

class CKorvaneDocVST;

class KvVstApp : public KvVstApplication {
 public:
  // `module_path`: the plug-in file whose patch is loaded; empty for this library's own file.
  explicit KvVstApp(std::string module_path = std::string());
  ~KvVstApp() override;

  bool InitInstance() override;
  CContainer* PatchContainer() override;
  KvVstPatchSettings PatchSettings() override;
  void AttachHostParameters(HostParameterSource* source) override;
  void AttachTimeInfo(std::function<const TimeInfo*(int32_t)> source) override;
  void WireHostIo() override;

  bool StartEngine(float sample_rate, int32_t host_block_size) override;
  void StopEngine() override;
  bool HasEngine() override;
  void ServiceRefreshQueue() override;

  void RequestHostParameters() override;
  void ProcessHostCall(const float* const* inputs, int32_t input_count, float* const* outputs,
                       int32_t output_count, int32_t frames, bool replacing, const HostMidi* midi,
                       int32_t midi_count) override;
  int32_t TakeHostMidiOut(HostMidi* out, int32_t capacity) override;
  void SendHostValueToEngine(generic_parameter* control, float value) override;

  CKorvaneAppVST& app() { return app_; }
  CKorvaneDocVST* document();

 private:
  std::string module_path_;
  CKorvaneAppVST app_;
  // Host MIDI converted for the application, preallocated.
  static constexpr int kMidiCapacity = 1024;
  HostMidiEvent midi_in_[kMidiCapacity];
  HostMidiEvent midi_out_[CKorvaneAppVST::kHostMidiOutCapacity];
};

}  // namespace kv
