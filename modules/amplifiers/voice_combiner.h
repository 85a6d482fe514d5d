#pragma once
// ug_voice_combiner ("Voice Combiner"): a Float Adder (engine/ug_adder.h) that is never
// voice-dependent. It stays single while its sources are cloned per voice, so every voice
// copy of a source feeds its one collector input and it outputs the sum of all voices.
//
// The Float Adder itself is the engine's summing module; its registry entry is here with
// the rest of the summing family.
#include "engine/ug_adder.h"
#include "modules/oscillators/module_descriptor.h"

namespace kv {

inline constexpr ModuleDescriptor kFloatAdderDescriptor{"Float Adder", 71, 0x008};

class ug_voice_combiner : public ug_adder {
 public:
  static constexpr ModuleDescriptor Descriptor() { return {"Voice Combiner", 118, 0x100}; }
  ug_voice_combiner() { flags |= UGF_NEVER_VOICE; }
  ug_base* CreateObject() override { return new ug_voice_combiner; }
};

}  // namespace kv
