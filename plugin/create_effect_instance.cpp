// The plug-in object this library hands to hosts.
#include "plugin/effect_entry.h"
#include "plugin/placeholder_effect.h"

namespace kv {

// Placeholder until the patch engine is wired: the stand-in effect loads the patch and
// plays silence. Without a patch the construction counts as failed.
AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster, bool* loadFailed) {
  auto* effect = new PlaceholderEffect(audioMaster);
  if (!effect->hasPatch() && loadFailed) *loadFailed = true;
  return effect;
}

}  // namespace kv
