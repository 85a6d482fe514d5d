#include "app/korvane_app_vst.h"

#include <algorithm>

#include "document/korvane_doc_vst.h"
#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/document.h"
#include "document/model/plug.h"
#include "engine/audio_master.h"
#include "modules/io/vst_input.h"
#include "modules/io/vst_output.h"
#include "modules/registry/module_registry.h"
#include "platform/message_service.h"
#include "platform/module_path.h"
#include "document/model/module_factory.h"

namespace kv {

CKorvaneAppVST::CKorvaneAppVST(PatchLoader loader, std::string module_path)
    : loader_(std::move(loader)), requested_path_(std::move(module_path)) {}

CKorvaneAppVST::~CKorvaneAppVST() {
  StopEngineVst();  // the engine goes before the document it was built from
  root_ = nullptr;
  document_.reset();
}

bool CKorvaneAppVST::InitInstance() {
  return InitInstanceFrom(requested_path_.empty() ? ownModulePath() : requested_path_);
}

bool CKorvaneAppVST::InitInstanceFrom(const std::string& module_path) {
  if (!CKorvaneAppBase::InitInstance()) return false;
  vendor_ = kVendor;
  gui_thread_id_ = std::this_thread::get_id();
  if (module_path.empty()) return false;
  module_path_ = module_path;
  if (!loader_) return document_ != nullptr;
  std::unique_ptr<Document> doc = loader_(module_path);
  if (!doc || !doc->root()) return false;
  AdoptDocument(std::move(doc));
  return true;
}

void CKorvaneAppVST::AdoptDocument(std::unique_ptr<Document> document) {
  StopEngineVst();
  root_ = nullptr;
  vst_in_doc_ = vst_out_doc_ = nullptr;
  document_ = std::move(document);
}

CContainer* CKorvaneAppVST::GetPatchRoot() const { return document_ ? document_->root() : nullptr; }

CContainer* CKorvaneAppVST::GetPatchContainer() const {
  CContainer* root = GetPatchRoot();
  if (!root) return nullptr;
  for (CDocOb* child : root->children())
    if (auto* c = dynamic_cast<CContainer*>(child)) return c;
  return nullptr;
}

KvVstPatchSettings CKorvaneAppVST::PatchSettings() const {
  KvVstPatchSettings s;
  s.vendor_text = vendor_;
  if (auto* doc = dynamic_cast<CKorvaneDocVST*>(document_.get())) {
    s.program_count = doc->program_count();
    s.plugin_flags = doc->plugin_flags();
    s.mono_capable = doc->mono_capable();
    s.unique_id = doc->GetUniqueId();
    s.product_text = doc->product_text();
  }
  return s;
}

bool CKorvaneAppVST::StartEngineVst(float sample_rate, int32_t host_block_size) {
  SetSampleRate(sample_rate);
  SetBlockSize(host_block_size);
  return CKorvaneAppBase::StartEngineVst(GetPatchRoot());
}

bool CKorvaneAppVST::WireHostIo() {
  CContainer* patch = GetPatchContainer();
  if (!patch || !patch->getParent()) return false;
  CContainer* outer = patch->getParent();
  auto* out = dynamic_cast<CUG*>(CreateDocumentModule("VST Output"));
  auto* in = dynamic_cast<CUG*>(CreateDocumentModule("VST Input"));
  if (!out || !in) {
    delete out;
    delete in;
    return false;
  }
  // Beside the patch container: its outer plugs can only be joined from the container
  // that holds it.
  outer->adoptAtEnd(out);
  outer->adoptAtEnd(in);
  vst_out_doc_ = out;
  vst_in_doc_ = in;
  const std::vector<CPlug2*> plugs(patch->plugs().begin(), patch->plugs().end());
  for (CPlug2* p : plugs) {
    if (p->isUnconnectedSpare()) continue;
    const int direction = p->getDirection();
    if (direction != DR_IN && direction != DR_OUT) continue;
    const int datatype = p->getDatatype();
    if (datatype == dt_volts) {
      if (direction == DR_OUT)
        p->connect(out->plug(out->plugCount() - 1));
      else
        in->plug(in->plugCount() - 1)->connect(p);
    } else if (datatype == dt_midi) {
      if (direction == DR_OUT) {
        if (CPlug2* midi = out->findPlug("MIDI In")) p->connect(midi);
      } else if (CPlug2* midi = in->findPlug("MIDI Out")) {
        midi->connect(p);
      }
    }
  }
  return true;
}

bool CKorvaneAppVST::AttachHostInput(ug_vst_in* module) {
  if (host_in_) return false;
  if (vst_in_doc_ && module->document_module != static_cast<DocumentModule*>(vst_in_doc_)) return false;
  host_in_ = module;
  return true;
}

void CKorvaneAppVST::DetachHostInput(ug_vst_in* module) {
  if (host_in_ == module) host_in_ = nullptr;
}

bool CKorvaneAppVST::AttachHostOutput(ug_vst_out* module) {
  if (host_out_) return false;
  if (vst_out_doc_ && module->document_module != static_cast<DocumentModule*>(vst_out_doc_)) return false;
  host_out_ = module;
  return true;
}

void CKorvaneAppVST::DetachHostOutput(ug_vst_out* module) {
  if (host_out_ == module) host_out_ = nullptr;
}

void CKorvaneAppVST::ApplyHostParameters() {
  if (plugin_) plugin_->ApplyHostParameters();
}

const TimeInfo* CKorvaneAppVST::FetchHostTimeInfo(int32_t request_flags) {
  return plugin_ ? plugin_->HostTimeInfo(request_flags) : nullptr;
}

void CKorvaneAppVST::SendHostValueToEngine(generic_parameter* control, float value) {
  if (auto* c = dynamic_cast<CControl*>(control)) c->applyHostValue(value);
}

void CKorvaneAppVST::Silence(float* const* outputs, int count, int frames, bool replacing, int from) {
  if (!replacing || !outputs) return;
  for (int i = from; i < count; ++i)
    if (outputs[i]) std::fill(outputs[i], outputs[i] + frames, 0.0f);
}

int CKorvaneAppVST::ProcessHostCall(const float* const* inputs, int input_count, float* const* outputs,
                                    int output_count, int frames, bool replacing,
                                    std::span<const MidiEvent> midi_in, std::span<MidiEvent> midi_out) {
  if (frames <= 0) return 0;
  AudioThreadScope audio_thread;
  if (!EnterAudioCall()) {
    Silence(outputs, output_count, frames, replacing);
    return 0;
  }
  KvAudioMaster* m = master();
  if (!m || m->stop_requested() || !m->running()) {
    if (m && m->stop_requested()) m->SetRunning(false);  // the stop is acknowledged
    LeaveAudioCall();
    Silence(outputs, output_count, frames, replacing);
    return 0;
  }
  // Behind the gate the master stays for the whole call.
  if (host_params_requested_.exchange(false, std::memory_order_acq_rel)) m->SetHostParamsPending();
  const sample_clock call_start = m->clock;
  if (host_in_) {
    host_in_->SetHostInputs(inputs, input_count);
    for (const MidiEvent& e : midi_in) host_in_->PushHostMidi(call_start + std::max<sample_clock>(e.time, 0), e.message);
    if (!midi_in.empty()) host_in_->FinishHostMidi();
  }
  int driven = 0;
  if (host_out_) {
    host_out_->SetHostOutputs(outputs, output_count, replacing);
    driven = std::min(output_count, 64);
  }
  m->Run(frames);
  Silence(outputs, output_count, frames, replacing, driven);
  int sent = 0;
  if (host_out_) {
    // Records stamped at or after the end of the call stay queued; the next call hands them
    // over at their offset in that call.
    while (!host_out_->midi_in.empty() && sent < static_cast<int>(midi_out.size())) {
      if (host_out_->midi_in.Peek().time - call_start >= frames) break;
      MidiEvent e = host_out_->midi_in.Pop();
      e.time = std::max<sample_clock>(e.time - call_start, 0);
      midi_out[sent++] = e;
    }
  }
  LeaveAudioCall();
  return sent;
}

}  // namespace kv
