#pragma once
// Connecting plugs while the graph is built, with automatic summing.
//
// ConnectPlugs(source, destination) follows both proxy chains. A collector input, or an
// input without a source, is connected directly. When an ordinary audio or MIDI input
// already has a source, a summing module ("Float Adder" / "MIDI Adder2") is inserted in the
// destination's container: the existing source and the new one feed its collector input
// (in that order), its output feeds the destination, and the collector input becomes the
// destination's proxy, so every later source joins the same sum. An input of another
// datatype keeps its first source; the refusal is reported as a module message.
#include "engine/plug.h"

namespace kv {

// Answers the connection made for `source` (null when refused).
Connection* ConnectPlugs(UPlug* source, UPlug* destination);

}  // namespace kv
