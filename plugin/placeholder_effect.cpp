#include "plugin/placeholder_effect.h"

#include <algorithm>

#include "plugin/capabilities.h"
#include "plugin/text_bounds.h"

namespace kv {

namespace {
constexpr const char* kName = "Korvane";
}

PlaceholderEffect::PlaceholderEffect(vst::audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, 0) {
  setUniqueID(kUniqueId);
  setNumInputs(1);
  setNumOutputs(2);
  canProcessReplacing(true);
}

void PlaceholderEffect::processReplacing(float**, float** outputs, int32_t sampleFrames) {
  if (!outputs || sampleFrames <= 0) return;
  for (int32_t ch = 0; ch < cEffect.numOutputs; ++ch)
    if (outputs[ch]) std::fill_n(outputs[ch], sampleFrames, 0.0f);
}

bool PlaceholderEffect::getEffectName(char* name) {
  copyBounded(name, kName, kMaxEffectNameLen);
  return true;
}

bool PlaceholderEffect::getVendorString(char* text) {
  copyBounded(text, kName, kMaxVendorTextLen);
  return true;
}

bool PlaceholderEffect::getProductString(char* text) {
  copyBounded(text, kName, kMaxVendorTextLen);
  return true;
}

int32_t PlaceholderEffect::canDo(char* text) {
  if (!text) return 0;
  const std::string_view word(text);
  if (word == kCanDoReceiveVstMidiEvent || word == kCanDoSendVstMidiEvent) return -1;
  return 0;
}

}  // namespace kv
