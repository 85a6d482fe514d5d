// The plug-in object this library hands to hosts.
#include "plugin/effect_entry.h"
#include "plugin/placeholder_effect.h"

namespace kv {

// Placeholder until the patch engine is wired: the stand-in effect always loads, so
// loadFailed stays clear.
AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster, bool* loadFailed) {
  return new PlaceholderEffect(audioMaster);
}

}  // namespace kv
