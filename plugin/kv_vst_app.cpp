#include "plugin/kv_vst_app.h"

#include <algorithm>
#include <memory>

#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "document/model/control.h"
#include "engine/audio_master.h"
#include "plugin/kv_vst_document.h"

namespace kv {

namespace {

std::unique_ptr<Document> loadPatchDocument(const std::string& module_path) {
  auto doc = std::make_unique<KvVstDocument>();
  if (!doc->LoadFromModule(module_path) || doc->GetPatchContainer() == nullptr) return nullptr;
  return doc;
}

}  // namespace

KvVstApp::KvVstApp(std::string module_path)
    : module_path_(std::move(module_path)), app_(&loadPatchDocument) {}

KvVstApp::~KvVstApp() { app_.StopEngineVst(); }

bool KvVstApp::InitInstance() {
  return module_path_.empty() ? app_.InitInstance() : app_.InitInstanceFrom(module_path_);
}

CKorvaneDocVST* KvVstApp::document() { return dynamic_cast<CKorvaneDocVST*>(app_.GetDocument()); }

CContainer* KvVstApp::PatchContainer() { return app_.GetPatchContainer(); }

KvVstPatchSettings KvVstApp::PatchSettings() {
  KvVstPatchSettings s;
  s.vendor_text = app_.vendor();
  if (CKorvaneDocVST* doc = document()) {
    s.program_count = doc->program_count();
    s.plugin_flags = doc->plugin_flags();
    s.mono_capable = doc->mono_capable();
    s.unique_id = doc->GetUniqueId();
    s.product_text = doc->product_text();
  }
  return s;
}

void KvVstApp::AttachHostParameters(HostParameterSource* source) {
  if (source)
    app_.SetHostParameterHook([source] { source->ApplyHostParameters(); });
  else
    app_.SetHostParameterHook({});
}

void KvVstApp::AttachTimeInfo(std::function<const TimeInfo*(int32_t)> source) {
  app_.SetTimeInfoSource(std::move(source));
}

void KvVstApp::WireHostIo() { app_.WireHostIo(); }

bool KvVstApp::StartEngine(float sample_rate, int32_t host_block_size) {
  app_.SetSampleRate(sample_rate);
  app_.SetBlockSize(host_block_size);
  return app_.StartEngineVst(app_.GetPatchRoot());
}

void KvVstApp::StopEngine() { app_.StopEngineVst(); }

bool KvVstApp::HasEngine() { return app_.HasEngine(); }

void KvVstApp::ServiceRefreshQueue() { app_.ServiceRefreshQueue(); }

void KvVstApp::RequestHostParameters() {
  // Only a flag: the engine may be replaced by another thread at any time outside the
  // application's engine gate, so the master is reached inside ProcessHostCall.
  app_.RequestHostParameters();
}

void KvVstApp::ProcessHostCall(const float* const* inputs, int32_t input_count, float* const* outputs,
                               int32_t output_count, int32_t frames, bool replacing, const HostMidi* midi,
                               int32_t midi_count) {
  const int n = std::min<int32_t>(midi_count, kMidiCapacity);
  for (int i = 0; i < n; ++i) {
    HostMidiEvent& e = midi_in_[i];
    e.delta_frames = midi[i].delta_frames;
    e.data[0] = static_cast<uint8_t>(midi[i].message & 0xFF);
    e.data[1] = static_cast<uint8_t>((midi[i].message >> 8) & 0xFF);
    e.data[2] = static_cast<uint8_t>((midi[i].message >> 16) & 0xFF);
  }
  app_.ProcessHostCall(inputs, input_count, outputs, output_count, frames, replacing, midi_in_, n);
}

int32_t KvVstApp::TakeHostMidiOut(HostMidi* out, int32_t capacity) {
  const int n = app_.TakeHostMidiOut(midi_out_, std::min<int32_t>(capacity, CKorvaneAppVST::kHostMidiOutCapacity));
  for (int i = 0; i < n; ++i) {
    out[i].delta_frames = midi_out_[i].delta_frames;
    out[i].message = static_cast<uint32_t>(midi_out_[i].data[0]) |
                     static_cast<uint32_t>(midi_out_[i].data[1]) << 8 |
                     static_cast<uint32_t>(midi_out_[i].data[2]) << 16;
  }
  return n;
}

void KvVstApp::SendHostValueToEngine(generic_parameter* control, float value) {
  if (auto* c = dynamic_cast<CControl*>(control)) c->applyHostValue(value);
}

}  // namespace kv
