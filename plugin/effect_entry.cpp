#include "plugin/effect_entry.h"

#include <memory>

namespace kv {

vst::AEffect* openEffect(vst::audioMasterCallback audioMaster, EffectFactory factory) noexcept {
  if (!audioMaster || !factory) return nullptr;
  try {
    if (audioMaster(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
      return nullptr;
    bool loadFailed = false;
    std::unique_ptr<AudioEffect> effect(factory(audioMaster, &loadFailed));
    if (!effect || loadFailed) return nullptr;  // the unique_ptr destroys a failed object
    return effect.release()->getAeffect();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace kv
