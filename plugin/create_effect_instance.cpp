// The plug-in object this library hands to hosts: KvVst playing the patch embedded in (or
// beside) this library's file.
#include <memory>

#include "app/korvane_app_vst.h"
#include "plugin/effect_entry.h"
#include "plugin/kv_vst.h"
#include "plugin/kv_vst_document.h"

namespace kv {

AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster, bool* loadFailed) {
  return new KvVst(audioMaster, std::make_unique<CKorvaneAppVST>(&loadKvVstDocument), loadFailed);
}

}  // namespace kv
