#pragma once
// CKorvaneAppVST: the application object of the plug-in.
//
// How the plug-in object uses it:
//
//   CKorvaneAppVST app(loader);          // loader: module path -> loaded Document
//   app.InitInstance();                  // registry, vendor, GUI thread, loads the patch
//   app.WireHostIo();                    // "VST Input"/"VST Output" joined to the patch
//   app.SetSampleRate(sr); app.SetBlockSize(bs);
//   app.StartEngineVst(app.GetPatchRoot());   // resume (the host's audio calls held off)
//   ... audio thread, each host call:
//   app.ProcessHostCall(inputs, n_in, outputs, n_out, frames, replacing, midi, n_midi);
//   app.TakeHostMidiOut(...);             // MIDI the patch sent to the host in that call
//   ... user-interface thread, idle:
//   app.ServiceRefreshQueue();
//   app.StopEngineVst();                  // suspend
//
// ProcessHostCall always writes the host's outputs in replacing mode: silence while no
// engine runs, and zeros on every channel the patch does not drive.
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/korvane_app.h"
#include "engine/midi_transport.h"
#include "modules/io/host_io_port.h"

namespace kv {

class CContainer;
class CUG;
class Document;
class ug_vst_in;
class ug_vst_out;

// One short MIDI message as the host hands it over (and as it is handed back).
struct HostMidiEvent {
  int32_t delta_frames = 0;  // sample offset in the call; negative counts as 0
  uint8_t data[3] = {0, 0, 0};
};

class CKorvaneAppVST : public CKorvaneAppBase, public HostIoPort {
 public:
  static constexpr const char* kVendor = "Ostrana";
  static constexpr int kHostMidiOutCapacity = MidiOutput::kCapacity;

  // Loads the patch of the plug-in file at the given path; null when the load failed (its
  // message has been shown). The plug-in's document loader is connected here.
  using PatchLoader = std::function<std::unique_ptr<Document>(const std::string& module_path)>;
  explicit CKorvaneAppVST(PatchLoader loader = {});
  ~CKorvaneAppVST() override;

  // The base start-up, then the vendor text, the GUI thread, and the patch from the
  // plug-in's own file. False when the file name cannot be found or the load fails.
  bool InitInstance() override;
  // The same with a module path of the caller's choosing (tools, tests).
  bool InitInstanceFrom(const std::string& module_path);
  // Hands over an already loaded document (replacing an earlier one, engine stopped).
  void AdoptDocument(std::unique_ptr<Document> document);
  Document* GetDocument() override { return document_.get(); }
  // The document's root container, and the patch: its first container child.
  CContainer* GetPatchRoot() const;
  CContainer* GetPatchContainer() const;
  const std::string& vendor() const { return vendor_; }

  // Adds a "VST Output" and a "VST Input" beside the patch container and connects every
  // audio and MIDI plug of the patch container to them. False without a patch container.
  bool WireHostIo();
  CUG* vst_input_module() const { return vst_in_doc_; }
  CUG* vst_output_module() const { return vst_out_doc_; }

  // Audio thread: one host process call.
  void ProcessHostCall(const float* const* inputs, int input_count, float* const* outputs,
                       int output_count, int frames, bool replacing,
                       const HostMidiEvent* midi = nullptr, int midi_count = 0);
  // Audio thread, after ProcessHostCall: the MIDI the patch sent to the host in that call
  // (offsets within the call); answers the number copied.
  int TakeHostMidiOut(HostMidiEvent* out, int capacity);

  // Any thread: host parameter values are waiting. The request is kept here, outside the
  // engine, and handed to the master inside the next host call that runs an engine (behind
  // the engine gate), so it survives an engine being replaced and never reaches a master
  // being deleted.
  void RequestHostParameters() { host_params_requested_.store(true, std::memory_order_release); }
  // The plug-in object hands pending host parameters to their controls (audio thread).
  void SetHostParameterHook(std::function<void()> hook) { host_parameter_hook_ = std::move(hook); }
  void ApplyHostParameters() override;

  // HostIoPort: only the pair made by WireHostIo is used (without it, the first of each).
  bool AttachHostInput(ug_vst_in* module) override;
  void DetachHostInput(ug_vst_in* module) override;
  bool AttachHostOutput(ug_vst_out* module) override;
  void DetachHostOutput(ug_vst_out* module) override;

 private:
  static void Silence(float* const* outputs, int count, int frames, bool replacing, int from = 0);

  PatchLoader loader_;
  std::unique_ptr<Document> document_;
  std::string vendor_;
  std::string module_path_;
  CUG* vst_in_doc_ = nullptr;
  CUG* vst_out_doc_ = nullptr;
  ug_vst_in* host_in_ = nullptr;
  ug_vst_out* host_out_ = nullptr;
  std::function<void()> host_parameter_hook_;
  std::atomic<bool> host_params_requested_{false};
  HostMidiEvent midi_out_[kHostMidiOutCapacity];
  int midi_out_count_ = 0;
};

}  // namespace kv
