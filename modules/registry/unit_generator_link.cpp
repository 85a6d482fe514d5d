#include "modules/registry/unit_generator_link.h"

#include "engine/plug.h"
#include "engine/ug_base.h"

namespace kv {

void listUnitGeneratorDeclarations(ug_base* ug, DeclarationList& out) {
  if (ug) ug->ListInterface(out);
}

void deleteUnitGenerator(ug_base* ug) { delete ug; }

void setUnitGeneratorPlugValue(ug_base* ug, int index, const std::string& text) {
  if (!ug || index < 0 || index >= static_cast<int>(ug->plugs.size())) return;
  ug->GetPlug(index)->SetValueFromText(text);
}

}  // namespace kv
