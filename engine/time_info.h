#pragma once
// The host's transport record as the engine sees it: the VST 2 record itself, taken from
// the ABI header that the plug-in and hosting sides share (it depends on nothing, so the
// engine stays below both). The plug-in hands the host's record over as it is, the master
// copies it and corrects the copy to the start of the current engine block; one type on
// every side means no field is repeated, converted or cast on the way.
#include "platform/vst/aeffect.h"

namespace kv {

using TimeInfo = vst::VstTimeInfo;

}  // namespace kv
