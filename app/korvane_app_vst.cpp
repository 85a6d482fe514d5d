#include "app/korvane_app_vst.h"

#include <algorithm>

#include "document/model/container.h"
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

CKorvaneAppVST::CKorvaneAppVST(PatchLoader loader) : loader_(std::move(loader)) {}

CKorvaneAppVST::~CKorvaneAppVST() {
  StopEngineVst();  // the engine goes before the document it was built from
  root_ = nullptr;
  document_.reset();
}

bool CKorvaneAppVST::InitInstance() { return InitInstanceFrom(ownModulePath()); }

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

bool CKorvaneAppVST::WireHostIo() {
  CContainer* patch = GetPatchContainer();
  if (!patch || !patch->getParent()) return false;
  CContainer* outer = patch->getParent();
  ModuleRegistry& registry = GetModuleRegistry();
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
  if (host_parameter_hook_) host_parameter_hook_();
}

void CKorvaneAppVST::Silence(float* const* outputs, int count, int frames, bool replacing, int from) {
  if (!replacing || !outputs) return;
  for (int i = from; i < count; ++i)
    if (outputs[i]) std::fill(outputs[i], outputs[i] + frames, 0.0f);
}

void CKorvaneAppVST::ProcessHostCall(const float* const* inputs, int input_count, float* const* outputs,
                                     int output_count, int frames, bool replacing,
                                     const HostMidiEvent* midi, int midi_count) {
  midi_out_count_ = 0;
  if (frames <= 0) return;
  AudioThreadScope audio_thread;
  if (!EnterAudioCall()) {
    Silence(outputs, output_count, frames, replacing);
    return;
  }
  KvAudioMaster* m = master();
  if (!m || m->stop_requested() || !m->running()) {
    if (m && m->stop_requested()) m->SetRunning(false);  // the stop is acknowledged
    LeaveAudioCall();
    Silence(outputs, output_count, frames, replacing);
    return;
  }
  // Behind the gate the master stays for the whole call.
  if (host_params_requested_.exchange(false, std::memory_order_acq_rel)) m->SetHostParamsPending();
  const sample_clock call_start = m->clock;
  if (host_in_) {
    host_in_->SetHostInputs(inputs, input_count);
    for (int i = 0; i < midi_count; ++i) {
      const HostMidiEvent& e = midi[i];
      const sample_clock t = call_start + std::max(e.delta_frames, 0);
      host_in_->PushHostMidi(t, MidiEvent::Pack(e.data[0], e.data[1], e.data[2]));
    }
    if (midi_count > 0) host_in_->FinishHostMidi();
  }
  int driven = 0;
  if (host_out_) {
    host_out_->SetHostOutputs(outputs, output_count, replacing);
    driven = std::min(output_count, 64);
  }
  m->Run(frames);
  Silence(outputs, output_count, frames, replacing, driven);
  if (host_out_) {
    // Records stamped at or after the end of the call stay queued; the next call hands them
    // over at their offset in that call.
    while (!host_out_->midi_in.empty() && midi_out_count_ < kHostMidiOutCapacity) {
      if (host_out_->midi_in.Peek().time - call_start >= frames) break;
      const MidiEvent e = host_out_->midi_in.Pop();
      HostMidiEvent& out = midi_out_[midi_out_count_++];
      out.delta_frames = static_cast<int32_t>(std::max<sample_clock>(e.time - call_start, 0));
      out.data[0] = static_cast<uint8_t>(e.status());
      out.data[1] = static_cast<uint8_t>(e.data1());
      out.data[2] = static_cast<uint8_t>(e.data2());
    }
  }
  LeaveAudioCall();
}

int CKorvaneAppVST::TakeHostMidiOut(HostMidiEvent* out, int capacity) {
  const int n = std::min(capacity, midi_out_count_);
  std::copy(midi_out_, midi_out_ + n, out);
  midi_out_count_ = 0;
  return n;
}

}  // namespace kv
