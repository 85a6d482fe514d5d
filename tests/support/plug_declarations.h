// What a unit generator declares in ListInterface, reduced to what the plug-list tests of
// the module families compare: name, direction, data type, default, choices, flags and
// (when asked) the help text, in plug order.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine/ug_base.h"

namespace kv {

struct PlugDeclaration {
  std::string name;
  int32_t direction, datatype;
  std::string default_value, choices;
  uint32_t flags;
  std::string help{};
  bool operator==(const PlugDeclaration&) const = default;
};

inline void PrintTo(const PlugDeclaration& d, std::ostream* os) {
  *os << d.name << " dir " << d.direction << " type " << d.datatype << " default '" << d.default_value
      << "' choices '" << d.choices << "' flags " << d.flags << " help '" << d.help << "'";
}

namespace plug_declarations {
inline std::vector<PlugDeclaration> List(ug_base& u, bool with_help) {
  std::vector<InterfaceObject> list;
  u.ListInterface(list);
  std::vector<PlugDeclaration> out;
  for (const auto& d : list)
    out.push_back({d.name, d.direction, d.datatype, d.default_value, d.choices, d.flags,
                   with_help ? d.notes : std::string()});
  return out;
}
}  // namespace plug_declarations

// The declarations without their help texts.
inline std::vector<PlugDeclaration> Declared(ug_base&& u) { return plug_declarations::List(u, false); }
// The declarations with their help texts.
inline std::vector<PlugDeclaration> DeclaredWithHelp(ug_base&& u) {
  return plug_declarations::List(u, true);
}

}  // namespace kv
