#pragma once
// CKorvaneAppVST: the application object of the plug-in.
//
// How the plug-in object uses it (through KvVstApplication):
//
//   CKorvaneAppVST app(loader);          // loader: module path -> loaded Document
//   app.InitInstance();                  // registry, vendor, GUI thread, loads the patch
//   app.WireHostIo();                    // "VST Input"/"VST Output" joined to the patch
//   app.StartEngineVst(rate, block);     // resume: the engine is built behind the gate
//   ... audio thread, each host call:
//   app.ProcessHostCall(inputs, n_in, outputs, n_out, frames, replacing, midi_in, midi_out);
//   ... user-interface thread, idle:
//   app.ServiceRefreshQueue();
//   app.StopEngineVst();                 // suspend
//
// ProcessHostCall is the one place that writes silence into the host's outputs (replacing
// mode): on every channel while no engine runs, and on every channel the patch does not
// drive.
#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "app/korvane_app_base.h"
#include "app/kv_vst_application.h"
#include "engine/midi_transport.h"
#include "modules/io/host_io_port.h"

namespace kv {

class CContainer;
class CUG;
class Document;
class ug_vst_in;
class ug_vst_out;

class CKorvaneAppVST : public CKorvaneAppBase, public KvVstApplication, public HostIoPort {
 public:
  static constexpr const char* kVendor = "Ostrana";

  // Loads the patch of the plug-in file at the given path; null when the load failed (its
  // message has been shown). The plug-in's document loader is connected here.
  using PatchLoader = std::function<std::unique_ptr<Document>(const std::string& module_path)>;
  // `module_path`: the plug-in file whose patch InitInstance loads; empty for this library's
  // own file.
  explicit CKorvaneAppVST(PatchLoader loader = {}, std::string module_path = {});
  ~CKorvaneAppVST() override;

  // The base start-up, then the vendor text, the GUI thread, and the patch from the
  // plug-in's file. False when the file name cannot be found or the load fails.
  bool InitInstance() override;
  // The same with a module path of the caller's choosing (tools, tests).
  bool InitInstanceFrom(const std::string& module_path);
  // Hands over an already loaded document (replacing an earlier one, engine stopped).
  void AdoptDocument(std::unique_ptr<Document> document);
  Document* GetDocument() override { return document_.get(); }
  // The document's root container, and the patch: its first container child.
  CContainer* GetPatchRoot() const;
  CContainer* GetPatchContainer() const override;
  const std::string& vendor() const { return vendor_; }
  // The document header's settings the host sees.
  KvVstPatchSettings PatchSettings() const override;

  // Adds a "VST Output" and a "VST Input" beside the patch container and connects every
  // audio and MIDI plug of the patch container to them. False without a patch container.
  bool WireHostIo() override;
  CUG* vst_input_module() const { return vst_in_doc_; }
  CUG* vst_output_module() const { return vst_out_doc_; }

  // The host's resume and suspend (KvVstApplication); the base's StartEngineVst(root)
  // stays available.
  using CKorvaneAppBase::StartEngineVst;
  bool StartEngineVst(float sample_rate, int32_t host_block_size) override;
  void StopEngineVst() override { CKorvaneAppBase::StopEngineVst(); }
  bool EngineGateOpen() const override { return CKorvaneAppBase::EngineGateOpen(); }
  void ServiceRefreshQueue() override { CKorvaneAppBase::ServiceRefreshQueue(); }

  // Audio thread: one host audio call (KvVstApplication).
  int ProcessHostCall(const float* const* inputs, int input_count, float* const* outputs, int output_count,
                      int frames, bool replacing, std::span<const MidiEvent> midi_in = {},
                      std::span<MidiEvent> midi_out = {}) override;

  // Any thread. The request is kept here, outside the engine, and handed to the master
  // inside the next host call that runs an engine (behind the engine gate), so it survives
  // an engine being replaced and never reaches a master being deleted.
  void RequestHostParameters() override { host_params_requested_.store(true, std::memory_order_release); }
  // The plug-in object the engine calls back for host parameters and the host's transport.
  void AttachPlugin(KvVstPlugin* plugin) override { plugin_ = plugin; }
  void ApplyHostParameters() override;
  const TimeInfo* FetchHostTimeInfo(int32_t request_flags) override;
  void SendHostValueToEngine(generic_parameter* control, float value) override;

  // HostIoPort: only the pair made by WireHostIo is used (without it, the first of each).
  bool AttachHostInput(ug_vst_in* module) override;
  void DetachHostInput(ug_vst_in* module) override;
  bool AttachHostOutput(ug_vst_out* module) override;
  void DetachHostOutput(ug_vst_out* module) override;

 private:
  // Zeros on channels `from` .. `count` - 1 (replacing mode only).
  static void Silence(float* const* outputs, int count, int frames, bool replacing, int from = 0);

  PatchLoader loader_;
  std::unique_ptr<Document> document_;
  std::string vendor_;
  std::string requested_path_;  // the file InitInstance loads (empty: this library's own)
  std::string module_path_;     // the file the patch was loaded from
  CUG* vst_in_doc_ = nullptr;
  CUG* vst_out_doc_ = nullptr;
  ug_vst_in* host_in_ = nullptr;
  ug_vst_out* host_out_ = nullptr;
  KvVstPlugin* plugin_ = nullptr;
  std::atomic<bool> host_params_requested_{false};
};

}  // namespace kv
