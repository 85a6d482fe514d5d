#include "tools/param_list.h"

#include <cstdio>
#include <string>

#include "hosting/vst_plugin.h"

namespace kv {

namespace {

std::string printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

}  // namespace

void writeParameterList(VstPlugin& plugin, std::ostream& out) {
  out << "index\tname\tdisplay\tlabel\tvalue\tautomation\n";
  for (int32_t i = 0; i < plugin.numParams(); ++i) {
    char value[32];
    std::snprintf(value, sizeof value, "%.6f", static_cast<double>(plugin.parameter(i)));
    const bool automatable = plugin.dispatch(vst::effCanBeAutomated, i) != 0;
    out << i << '\t' << printable(plugin.parameterName(i)) << '\t'
        << printable(plugin.parameterDisplay(i)) << '\t' << printable(plugin.parameterLabel(i))
        << '\t' << value << '\t' << (automatable ? "auto" : "fixed") << '\n';
  }
}

}  // namespace kv
