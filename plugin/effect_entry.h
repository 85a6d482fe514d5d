// How the library's entry point turns a host callback into a plug-in.
//
// The exported `VSTPluginMain` / `main` (vst_main.cpp, linked only into korvane.so) call
// `openEffect` with this library's factory. `openEffect` asks the host for its VST
// version first: a host that answers 0 cannot run a plug-in and gets null without any
// object being created. Then the factory builds the plug-in object; each construction
// has its own load-failed flag, so one instance that could not load leaves later
// instances in the same process unaffected. Nothing is thrown to the host: any
// exception ends in null.
#pragma once

#include "plugin/audio_effect.h"
#include "platform/vst/aeffect.h"

namespace kv {

// Builds a plug-in object for the host. Sets *loadFailed when the object was built but
// cannot serve the host (it is then destroyed by the caller).
using EffectFactory = AudioEffect* (*)(vst::audioMasterCallback audioMaster, bool* loadFailed);

// The entry point's work: the record of a new plug-in object, or null.
vst::AEffect* openEffect(vst::audioMasterCallback audioMaster, EffectFactory factory) noexcept;

// The factory of this library's plug-in object.
AudioEffect* createEffectInstance(vst::audioMasterCallback audioMaster, bool* loadFailed);

}  // namespace kv
