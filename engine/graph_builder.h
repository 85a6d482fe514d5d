#pragma once
// GraphBuilder: the engine-side interface for building a running graph. The document-driven
// builder (and tests) call it in the document's order:
//
//   GraphBuilder b(master);                        // the root container exists already
//   ug_container* poly = b.AddContainer(b.root(), /*contains_voice_source=*/true);
//   b.SetPolyphony(poly, 4);
//   auto* ns = b.Add<MyNoteSource>(poly);          // plugs from its declarations
//   auto [outer, inner] = b.AddContainerIo(poly, dt_volts);  // a container plug pair
//   b.Connect(ns->GetPlug("Gate"), inner);         // sums automatically where sources meet
//   b.Connect(outer, some_module->GetPlug("In"));
//   b.Build();                                     // throws KvException
//   std::unique_ptr<ug_container> root = b.TakeRoot();
//   master.Start(root.get()); master.SetRunning(true);
//
// Containers. AddContainer(parent, contains_voice_source): a container that directly
// contains a voice source gets voices of its own (its modules go into it); any other is
// flattened: it still gets a ug_container (for its plugs), added to the parent's target
// like a module, but the modules added to it go into that target and run in the enclosing
// voice. A voice-source container inside, or beside, another one (any container above it
// that directly contains a voice source) is refused with KvException kNestedVoiceSources.
//
// Build(): for every container, those inside first: voice dependency (marking, voice
// summing, voice monitors), then the container boundaries; then the sort (KvException
// kFeedback on a feedback path); then every container orders its voices and clones them up to its
// polyphony. The master's Start opens everything. After a KvException the graph is
// unusable: destroy the builder (or the root) before the master, nothing is left behind.
//
// The builder owns the graph until TakeRoot. The root, and with it every unit generator,
// must be destroyed before the master.
#include <memory>
#include <utility>

#include "engine/graph_connect.h"
#include "engine/ug_container.h"

namespace kv {

class KvAudioMaster;

class GraphBuilder {
 public:
  explicit GraphBuilder(KvAudioMaster& master);
  ~GraphBuilder();
  GraphBuilder(const GraphBuilder&) = delete;
  GraphBuilder& operator=(const GraphBuilder&) = delete;

  ug_container* root() const { return root_.get(); }

  // A container inside `parent`. `own_patch_context`: its controls report to its own
  // patch memories ("Show Controls" off, or a "Patch Select" inside), else to the
  // parent's patch context.
  ug_container* AddContainer(ug_container* parent, bool contains_voice_source,
                             bool own_patch_context = false);
  void SetPolyphony(ug_container* c, int voices);

  // Takes ownership of `u`. With `build_plugs`, its plugs come from its declarations (a
  // document-driven caller makes them itself, one per document plug, then SetupPlugs).
  // The unit generator joins the target of `into`; its patch context is `into`'s.
  ug_base* Add(ug_container* into, ug_base* u, bool build_plugs = true);
  template <typename T>
  T* Add(ug_container* into) {
    return static_cast<T*>(Add(into, new T));
  }

  // A pair of plugs across the boundary of `c`: the container's own plug (outer side) and
  // the plug of its IO module (inner side), linked to each other.
  std::pair<UPlug*, UPlug*> AddContainerIo(ug_container* c, int32_t datatype);
  // The pairing a document-driven builder copies from the document (both directions).
  static void PairIo(UPlug* container_plug, UPlug* io_plug);
  // The document's "IO Mod" of `c` (made by the caller and added with Add).
  static void SetIoModule(ug_container* c, ug_base* io) { c->io_module = io; }

  Connection* Connect(UPlug* source, UPlug* destination) { return ConnectPlugs(source, destination); }

  void Build();
  std::unique_ptr<ug_container> TakeRoot();

 private:
  void PrepareContainer(ug_container* c);
  ug_container* PatchContextOf(ug_container* c) const;

  KvAudioMaster& master_;
  std::unique_ptr<ug_container> root_;
};

}  // namespace kv
