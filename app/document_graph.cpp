#include "app/document_graph.h"

#include <unordered_map>
#include <vector>

#include "document/model/container.h"
#include "document/model/control.h"
#include "document/model/line.h"
#include "document/model/plug.h"
#include "engine/audio_master.h"
#include "engine/graph_builder.h"
#include "engine/kv_exception.h"
#include "engine/ug_notesource.h"
#include "modules/registry/module_info.h"

namespace kv {

namespace {

bool IsVoiceSource(CDocOb* o) {
  auto* m = dynamic_cast<CUG*>(o);
  return m && m->moduleType() && (m->moduleType()->flags & mf_voice_source) && !m->isDisabled();
}

bool HoldsVoiceSource(CContainer* c) {
  for (CDocOb* o : c->children())
    if (IsVoiceSource(o)) return true;
  return false;
}

class DocumentGraphBuilder {
 public:
  explicit DocumentGraphBuilder(KvAudioMaster& master) : master_(master), builder_(master) {}

  std::unique_ptr<ug_container> Build(CContainer* root) {
    ug_container* top = builder_.root();
    top->document_module = root;
    BuildContainer(root, top);
    builder_.Build();
    return builder_.TakeRoot();
  }

 private:
  // Creates the unit generators of a container's children into `box` (the ug_container
  // made for `doc`; for a flattened container its target is the enclosing one).
  void BuildContainer(CContainer* doc, ug_container* box) {
    for (CDocOb* child : doc->children()) {
      auto* module = dynamic_cast<CUG*>(child);
      if (!module) continue;
      if (auto* sub = dynamic_cast<CContainer*>(module)) {
        BuildSubContainer(sub, box);
        continue;
      }
      ug_base* u = CreateModule(module);
      if (!u) continue;
      builder_.Add(box, u, /*build_plugs=*/false);
      if (module->moduleType() && (module->moduleType()->flags & mf_io_module)) {
        PairWithContainer(module);
        if (!box->io_module) GraphBuilder::SetIoModule(box, u);
      }
    }
    // Values after every child exists: whether a line comes from a module that takes part
    // is known only then (a container's outer plugs included).
    for (CDocOb* child : doc->children())
      if (auto* module = dynamic_cast<CUG*>(child)) ApplyDocumentValues(module);
    Connect(doc);
    WireMidiAutomation(box);
  }

  void BuildSubContainer(CContainer* sub, ug_container* parent) {
    auto* box = dynamic_cast<ug_container*>(sub->createRuntime());
    if (!box) {
      sub->clearRuntime();
      return;  // disabled, or a type without a running form
    }
    const bool voices = HoldsVoiceSource(sub);
    box->master = &master_;
    box->parent_container = parent;
    box->has_voice_source = voices;
    parent->target->Add(box);
    parent->sub_containers.push_back(box);
    ug_container* inherited = parent->target == parent ? parent : static_cast<ug_container*>(parent->patch_context);
    box->patch_context = inherited;
    if (voices) {
      box->patch_context = box;
    } else {
      box->target = parent->target;
      if (!sub->showsControls() || sub->hasPatchSelect()) box->patch_context = box;
    }
    MakeContainerPlugs(sub, box);
    if (voices)
      for (ug_container* up = parent; up; up = up->parent_container)
        if (up->has_voice_source) throw KvException(KvException::kNestedVoiceSources, box, up);
    BuildContainer(sub, box);
  }

  // The unit generator of an ordinary module, with plugs made from its document plugs.
  ug_base* CreateModule(CUG* module) {
    ug_base* u = module->createRuntime();
    if (!u) return nullptr;
    u->master = &master_;
    std::vector<InterfaceObject> decls;
    u->ListInterface(decls);
    for (CPlug2* p : module->plugs()) {
      const uint32_t f = p->getFlags();
      if (f & kDeclFeature) continue;
      UPlug* plug = nullptr;
      if (f & (kDeclAutoDuplicate | kDeclPlugsFromDocument)) {
        if (p->isUnconnectedSpare()) continue;
        plug = PlainPlug(u, p);
      } else if (p->index() >= 0 && p->index() < static_cast<int>(decls.size())) {
        plug = new UPlug(u, decls[p->index()]);
      }
      if (!plug) continue;  // a declaration index the type does not have: no plug
      u->AddPlug(plug);
      plugs_[p] = plug;
    }
    u->SetupPlugs();
    return u;
  }

  UPlug* PlainPlug(ug_base* u, CPlug2* p) {
    const bool boundary = dynamic_cast<CPlugIO2*>(p) != nullptr;
    auto* plug = new UPlug(u, boundary ? int32_t(DR_CONTAINER_IO) : p->getDirection(), p->getDatatype());
    if (plug->data_type != dt_volts && (boundary || plug->direction == DR_OUT || plug->direction == DR_IN))
      plug->CreateIoVariable();
    return plug;
  }

  // A container's own plugs: its settings from their declarations and, in document order,
  // the outer ends of its boundary pairs.
  void MakeContainerPlugs(CContainer* sub, ug_container* box) {
    std::vector<InterfaceObject> decls;
    box->ListInterface(decls);
    for (CPlug2* p : sub->plugs()) {
      const uint32_t f = p->getFlags();
      if (f & kDeclFeature) continue;
      UPlug* plug = nullptr;
      if (f & (kDeclAutoDuplicate | kDeclPlugsFromDocument)) {
        if (p->isUnconnectedSpare()) continue;
        plug = PlainPlug(box, p);
      } else if (p->index() >= 0 && p->index() < static_cast<int>(decls.size())) {
        plug = new UPlug(box, decls[p->index()]);
      }
      if (!plug) continue;
      box->AddPlug(plug);
      plugs_[p] = plug;
    }
    box->SetupPlugs();
  }

  void PairWithContainer(CUG* io) {
    for (CPlug2* p : io->plugs()) {
      CPlug2* partner = p->getPartner();
      if (!partner) continue;
      auto a = plugs_.find(p), b = plugs_.find(partner);
      if (a != plugs_.end() && b != plugs_.end()) GraphBuilder::PairIo(b->second, a->second);
    }
  }

  static bool TakesPart(CPlug2* p) {
    CUG* m = p ? p->module() : nullptr;
    return m && m->unitGenerator();
  }

  void ApplyDocumentValues(CUG* module) {
    for (CPlug2* p : module->plugs()) {
      auto it = plugs_.find(p);
      if (it == plugs_.end()) continue;
      UPlug* plug = it->second;
      const int direction = p->getDirection();
      bool own_value = false;
      if (direction == DR_IN || direction == DR_PARAMETER) {
        own_value = true;
        for (CLine2* l : p->lines())
          if (l->to() == p && TakesPart(l->from())) own_value = false;
        // Of the boundary plugs only a container's outer input holds a value: the modules
        // inside read it through the pair. An inner end is driven from outside.
        if (plug->direction == DR_CONTAINER_IO && (direction != DR_IN || !dynamic_cast<CContainer*>(module)))
          own_value = false;
      } else if (direction == DR_OUT && plug->direction == DR_OUT) {
        const InterfaceObject* d = p->declaration();
        own_value = d && (d->flags & kDeclFollowSource);
      }
      if (own_value) plug->SetValueFromText(p->getValueText());
    }
  }

  // Connections of a container's children along the document's lines.
  void Connect(CContainer* doc) {
    std::vector<CDocOb*> members(doc->children().begin(), doc->children().end());
    for (CDocOb* child : members) {
      auto* module = dynamic_cast<CUG*>(child);
      if (!module || !module->unitGenerator()) continue;
      for (CPlug2* p : module->plugs()) {
        if (p->getDirection() != DR_OUT || (p->getFlags() & kDeclFeature)) continue;
        auto src = plugs_.find(p);
        if (src == plugs_.end()) continue;
        for (CLine2* l : p->lines()) {
          if (l->from() != p) continue;
          CPlug2* to = l->to();
          if (!TakesPart(to)) continue;
          auto dst = plugs_.find(to);
          if (dst == plugs_.end()) continue;
          if (CPlug2* partner = to->getPartner(); partner && !partner->isConnected()) continue;
          builder_.Connect(src->second, dst->second);
        }
      }
    }
  }

  // The automator's "Hidden Output" drives the "MIDI In" of every automatable panel control
  // of the first voice, whose "MIDI Out" returns to the automator's "Hidden Input". The
  // control that sets the automator's channel takes no part.
  void WireMidiAutomation(ug_container* box) {
    if (box->target != box || !box->automator || !box->automator_out) return;
    UPlug* hidden_out = box->automator_out->GetPlug("Hidden Output");
    UPlug* hidden_in = box->automator->GetPlug("Hidden Input");
    UPlug* channel = box->automator->GetPlug("Channel");
    if (!hidden_out || !hidden_in) return;
    std::vector<ug_base*> members(box->voices[0]->ugs);
    for (ug_base* u : members) {
      if (!dynamic_cast<CControl*>(static_cast<CUG*>(u->document_module))) continue;
      bool sets_channel = false;
      if (channel)
        for (Connection* c : channel->connections)
          if (c->source && c->source->owner == u) sets_channel = true;
      if (sets_channel) continue;
      UPlug* in = u->GetPlug("MIDI In");
      UPlug* out = u->GetPlug("MIDI Out");
      if (!in || !out) continue;
      builder_.Connect(hidden_out, in);
      builder_.Connect(out, hidden_in);
    }
  }

  KvAudioMaster& master_;
  GraphBuilder builder_;
  std::unordered_map<CPlug2*, UPlug*> plugs_;
};

}  // namespace

std::unique_ptr<ug_container> BuildDocumentGraph(KvAudioMaster& master, CContainer* root) {
  if (!root) return nullptr;
  try {
    DocumentGraphBuilder b(master);
    return b.Build(root);
  } catch (...) {
    // The partial graph died with the builder.
    root->clearRuntime();
    throw;
  }
}

void ForgetDocumentGraph(CContainer* root) {
  if (root) root->clearRuntime();
}

}  // namespace kv
