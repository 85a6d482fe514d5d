#pragma once
// MIDI controller numbers and their General MIDI names, as the MIDI modules show them.
#include <string>
#include <string_view>

namespace kv::midi {

// The choice list of a "Type" plug: "<none>=-1" and one entry per controller number,
// written "7 - Volume" (or the bare number when the controller has no name). 98 and 100
// have no entry of their own: "98/99 - NRPN" stands for 99 and "100/101 - RPN" for 101.
const std::string& ControllerChoiceList();

// The name of controller `number` in the list above ("" when it has none).
std::string_view ControllerName(int number);

// The channel list of the MIDI modules: "All" is -1, MIDI channels 1..16 are 0..15.
inline constexpr const char* kChannelList = "All=-1,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16";

}  // namespace kv::midi
