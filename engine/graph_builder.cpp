#include "engine/graph_builder.h"

#include <algorithm>

#include "engine/audio_master.h"
#include "engine/graph_sort.h"
#include "engine/kv_exception.h"

namespace kv {

GraphBuilder::GraphBuilder(KvAudioMaster& master) : master_(master) {
  root_ = std::make_unique<ug_container>();
  root_->master = &master_;
  root_->BuildPlugsFromDeclarations();
  root_->patch_context = root_.get();
}

GraphBuilder::~GraphBuilder() = default;

ug_container* GraphBuilder::PatchContextOf(ug_container* c) const {
  return c->target == c ? c : static_cast<ug_container*>(c->patch_context);
}

ug_container* GraphBuilder::AddContainer(ug_container* parent, bool contains_voice_source,
                                         bool own_patch_context) {
  auto* c = new ug_container;
  c->master = &master_;
  c->BuildPlugsFromDeclarations();
  c->parent_container = parent;
  c->has_voice_source = contains_voice_source;
  parent->target->Add(c);
  parent->sub_containers.push_back(c);
  c->patch_context = PatchContextOf(parent);
  if (contains_voice_source) {
    c->patch_context = c;
    for (ug_container* up = parent; up; up = up->parent_container)
      if (up->has_voice_source) throw KvException(KvException::kNestedVoiceSources, c, up);
  } else {
    c->target = parent->target;
    if (own_patch_context) c->patch_context = c;
  }
  return c;
}

void GraphBuilder::SetPolyphony(ug_container* c, int voices) {
  c->polyphony = static_cast<int16_t>(std::clamp(voices, 1, 200));
}

ug_base* GraphBuilder::Add(ug_container* into, ug_base* u, bool build_plugs) {
  u->master = &master_;
  if (build_plugs) u->BuildPlugsFromDeclarations();
  into->target->Add(u);
  u->patch_context = into->target == into ? into : into->patch_context;
  return u;
}

std::pair<UPlug*, UPlug*> GraphBuilder::AddContainerIo(ug_container* c, int32_t datatype) {
  auto* outer = new UPlug(c, DR_CONTAINER_IO, datatype);
  c->AddPlug(outer);
  ug_base* io = c->GetIoModule();
  auto* inner = new UPlug(io, DR_CONTAINER_IO, datatype);
  io->AddPlug(inner);
  if (datatype != dt_volts) {
    outer->CreateIoVariable();
    inner->CreateIoVariable();
  }
  c->SetupPlugs();
  io->SetupPlugs();
  PairIo(outer, inner);
  return {outer, inner};
}

void GraphBuilder::PairIo(UPlug* container_plug, UPlug* io_plug) {
  container_plug->linked = io_plug;
  io_plug->linked = container_plug;
}

void GraphBuilder::PrepareContainer(ug_container* c) {
  for (ug_container* sub : c->sub_containers) PrepareContainer(sub);
  c->PrepareVoiceDependency();
  c->WireIoBoundaries();
}

void GraphBuilder::Build() {
  PrepareContainer(root_.get());
  std::vector<ug_base*> all{root_.get()};
  root_->CollectAll(all);
  SortGraph(all);
  for (ug_base* u : all)
    if (auto* c = dynamic_cast<ug_container*>(u)) c->PrepareVoices();
}

std::unique_ptr<ug_container> GraphBuilder::TakeRoot() { return std::move(root_); }

}  // namespace kv
