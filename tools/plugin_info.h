// The "info" report of korvane-host: what a plug-in says about itself.
#pragma once

#include <ostream>

namespace kv {

class VstPlugin;

// Writes the report. Reading program names may select programs; the current program
// is selected again afterwards.
void writePluginInfo(VstPlugin& plugin, std::ostream& out);

}  // namespace kv
