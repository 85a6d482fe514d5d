#pragma once
// ug_voice_combiner ("Voice Combiner"): a Float Adder (engine/ug_adder.h) that is never
// voice-dependent. It stays single while its sources are cloned per voice, so every voice
// copy of a source feeds its one collector input and it outputs the sum of all voices.
//
// The Float Adder itself is the engine's summing module; the amplifier family registers it
// with the rest of the summing modules.
#include "engine/ug_adder.h"

namespace kv {

class ug_voice_combiner : public ug_adder {
 public:
  ug_voice_combiner() { flags |= UGF_NEVER_VOICE; }
  ug_base* CreateObject() override { return new ug_voice_combiner; }
};

}  // namespace kv
