#include "modules/registry/module_info.h"

namespace kv {

Module_Info::Module_Info(std::string id_, const char* doc_class_, UgFactory ug_factory_,
                         uint32_t flags_, int32_t legacy_number_, int32_t name_string_id_,
                         int32_t group_string_id_)
    : ug_factory(ug_factory_), doc_class(doc_class_ ? doc_class_ : ""),
      id(std::move(id_)),
      name_string_id(name_string_id_), group_string_id(group_string_id_), flags(flags_),
      legacy_number(legacy_number_) {}

const InterfaceObject* Module_Info::declaration(int index) const {
  if (index < 0 || index >= static_cast<int>(declarations.size())) return nullptr;
  return &declarations[static_cast<std::size_t>(index)];
}

std::string LoadStringTableText(int32_t id) {
  switch (id) {
    case 32819: return "Oscillator";
    case 32820: return "Waveform";
    case 32821: return "ADSR";
    case 32822: return "Phase Dist Osc";
    default: return std::string();
  }
}

std::string Module_Info::GetName() const {
  if (name_string_id != 0) return LoadStringTableText(name_string_id).substr(0, 99);
  return GetId();
}

std::string Module_Info::GetGroup() const {
  if (group_string_id != 0) return LoadStringTableText(group_string_id).substr(0, 99);
  return second_name;
}

}  // namespace kv
