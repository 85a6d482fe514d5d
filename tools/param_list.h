// The "params" report of korvane-host: every parameter of a plug-in with its name, value
// text, unit, normalised value and whether the host may automate it.
#pragma once

#include <ostream>

namespace kv {

class VstPlugin;

// One line per parameter: "INDEX<tab>NAME<tab>DISPLAY<tab>LABEL<tab>VALUE<tab>auto|fixed",
// after a header line. Control characters in texts are shown as '?'.
void writeParameterList(VstPlugin& plugin, std::ostream& out);

}  // namespace kv
