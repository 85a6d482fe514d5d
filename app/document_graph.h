#pragma once
// Building the running graph of a patch from its document.
//
// BuildDocumentGraph walks the document tree and drives the engine's GraphBuilder:
//
//  - Every module that takes part in the engine (not disabled, and its type has a unit
//    generator) gets one. Its plugs follow the module's document plugs in order: plugs of
//    document-only declarations get none, auto-duplicating and document-made plugs get a
//    plain plug of the document plug's own direction and datatype (an unconnected spare
//    gets none), every other plug is made from its declaration. The plug numbers therefore
//    match CUG::runtimePlugIndex. Plugs on either side of a container boundary become
//    container-IO plugs, paired with each other as the document pairs them.
//  - A container that directly holds a voice source (a note source module) gets voices of
//    its own; any other is flattened into the voice of the container around it. A voice
//    source container inside or beside another one is refused (KvException kNestedVoiceSources).
//  - Values: an input (or setting) that no module of the engine drives takes the document
//    plug's value; an output that declares so (0x020) starts at its document value.
//  - Connections follow the document's lines between modules that both have unit
//    generators; several sources on one input are summed (GraphBuilder). A line into one
//    side of a container boundary is made only when the other side is connected too.
//  - MIDI automation: when a container's unit generator has a MIDI automator, the panel
//    controls of its first voice are wired to it.
// Then the graph is wired through its boundaries, sorted (KvException kFeedback on a feedback
// path) and its voices cloned. On an exception nothing is left behind: the partial graph
// is deleted and every document module forgets its unit generator.
#include <memory>

#include "engine/ug_container.h"

namespace kv {

class CContainer;
class KvAudioMaster;

// Builds the graph of `root` (the document's root container) for `master`. The answer
// owns every unit generator and must be destroyed before the master; the caller opens it
// with master.Start. Throws KvException.
std::unique_ptr<ug_container> BuildDocumentGraph(KvAudioMaster& master, CContainer* root);

// Tells every module of the tree that its unit generator is going away (before the graph
// is deleted).
void ForgetDocumentGraph(CContainer* root);

}  // namespace kv
