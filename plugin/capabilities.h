// The two VST 2 capability word lists.
//
// A host asks the plug-in "can you ...?" with effCanDo and one of the plug-in words; the
// plug-in asks the host with audioMasterCanDo and one of the host words. Words are
// compared exactly, case-sensitively. The dispatcher does not consult these lists: the
// plug-in object's `canDo` decides which words it answers.
#pragma once

#include <array>
#include <string_view>

namespace kv {

// Words a plug-in may ask the host about, in their traditional order.
inline constexpr std::array<std::string_view, 17> kHostCapabilities = {
    "sendVstEvents",    "sendVstMidiEvent",      "sendVstTimeInfo",  "receiveVstEvents",
    "receiveVstMidiEvent", "receiveVstTimeInfo", "reportConnectionChanges",
    "acceptIOChanges",  "sizeWindow",            "asyncProcessing",  "offline",
    "supplyIdle",       "supportShell",          "openFileSelector", "editFile",
    "closeFileSelector", "startStopProcess",
};

// Words a host may ask the plug-in about, in their traditional order.
inline constexpr std::array<std::string_view, 26> kPlugCapabilities = {
    "sendVstEvents",    "sendVstMidiEvent", "sendVstTimeInfo",  "receiveVstEvents",
    "receiveVstMidiEvent", "receiveVstTimeInfo", "offline",     "plugAsChannelInsert",
    "plugAsSend",       "mixDryWet",        "noRealTime",       "multipass",
    "metapass",         "1in1out",          "1in2out",          "2in1out",
    "2in2out",          "2in4out",          "4in2out",          "4in4out",
    "4in8out",          "8in4out",          "8in8out",          "midiProgramNames",
    "conformsToWindowRules", "bypass",
};

// The two words the plug-in object answers.
inline constexpr std::string_view kCanDoReceiveVstMidiEvent = "receiveVstMidiEvent";
inline constexpr std::string_view kCanDoSendVstMidiEvent = "sendVstMidiEvent";

}  // namespace kv
