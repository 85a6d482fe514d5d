#include "plugin/kv_vst_answers.h"

#include <cstring>

#include "plugin/capabilities.h"
#include "plugin/text_bounds.h"

namespace kv {

int32_t canDoAnswer(std::string_view word, bool hasMidiInput, bool hasMidiOutput) {
  if (word == kCanDoReceiveVstMidiEvent) return hasMidiInput ? 1 : -1;
  if (word == kCanDoSendVstMidiEvent) return hasMidiOutput ? 1 : -1;
  return 0;
}

void fillOutputProperties(vst::VstPinProperties& properties, std::string_view plugName,
                          int32_t numOutputs, int32_t pluginFlags) {
  std::memset(&properties, 0, sizeof properties);
  const bool stereo =
      numOutputs >= 2 && numOutputs % 2 == 0 && (pluginFlags & kPluginFlagStereoPins) != 0;
  properties.flags = vst::kVstPinIsActive | (stereo ? vst::kVstPinIsStereo : 0);
  copyBounded(properties.label, plugName, kMaxParamPropLabelLen);
  copyBounded(properties.shortLabel, plugName, kMaxShortLabelLen);
}

}  // namespace kv
