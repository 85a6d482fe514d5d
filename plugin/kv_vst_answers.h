// Small answers of the plug-in object that depend only on what the patch offers: the
// capability words and the description of its output pins.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/vst/aeffect.h"

namespace kv {

// effCanDo: "receiveVstMidiEvent" and "sendVstMidiEvent" answer 1 when the patch has a MIDI
// input (output) plug and -1 otherwise; every other word 0. Exact, case-sensitive.
int32_t canDoAnswer(std::string_view word, bool hasMidiInput, bool hasMidiOutput);

// Bit 1 of the document's plug-in flags: report output pins as stereo pairs.
inline constexpr int32_t kPluginFlagStereoPins = 1 << 1;
// Bit 0: the patch is an instrument.
inline constexpr int32_t kPluginFlagSynth = 1 << 0;

// effGetOutputProperties: clears the record, then fills the plug's name (63 characters as
// label, 7 as short label) and the flags: active, and stereo when the plug-in has an even
// number of at least two outputs and the patch asks for stereo pins.
void fillOutputProperties(vst::VstPinProperties& properties, std::string_view plugName,
                          int32_t numOutputs, int32_t pluginFlags);

}  // namespace kv
