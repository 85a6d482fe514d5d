#pragma once
// Sort orders of the unit generators of a graph, with feedback detection.
//
// Unit generators run in descending sort order, so every source runs before its
// destinations within a run. Orders follow the connections only, walked in a fixed order
// (plugs last to first, each plug's connections in the order they were made, work list in
// build order), so they depend on how the graph was built, never on addresses:
//   - a unit generator with nothing unnumbered downstream gets 1 + the largest order
//     downstream (0 when there is none); with UGF_SORT_FIRST 200 more;
//   - its sources then get the largest order of their destinations + 4 (+ 204 with
//     UGF_SORT_FIRST) once all their destinations are numbered, and so on upstream.
//   A -> B -> C gives C 0, B 4, A 8; a sink with UGF_SORT_FIRST 200, its source 204.
// A source numbered lower than a destination means a feedback loop: KvException kFeedback
// naming the pair (a unit generator connected to itself names itself twice). The first loop
// met in that walk is the one reported.
//
// "Downstream" means the destinations of connections whose source is one of the unit
// generator's plugs (whatever the plug's direction, so container IO plugs that still carry
// a constant take part), "upstream" the sources of connections ending at one of its plugs.
#include <vector>

namespace kv {

class ug_base;

// Numbers every unit generator of `all` whose sort_order is -1. Throws KvException.
void SortGraph(const std::vector<ug_base*>& all);

}  // namespace kv
