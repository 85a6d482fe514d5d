#include "modules/registry/unit_generator_link.h"

#if __has_include("engine/ug_base.h")
#include "engine/ug_base.h"
#define KV_HAVE_UG_BASE 1
#endif

namespace kv {

#if KV_HAVE_UG_BASE
void listUnitGeneratorDeclarations(ug_base* ug, DeclarationList& out) {
  if (ug) ug->ListInterface(out);
}
void deleteUnitGenerator(ug_base* ug) { delete ug; }
void setUnitGeneratorPlugValue(ug_base* ug, int index, const std::string& text) {
  if (!ug || index < 0) return;
  ug->SetPlugValueFromText(index, text);
}
#else
// Without the engine no module type has a unit-generator factory, so these are never
// reached with a unit generator.
void listUnitGeneratorDeclarations(ug_base*, DeclarationList&) {}
void deleteUnitGenerator(ug_base*) {}
void setUnitGeneratorPlugValue(ug_base*, int, const std::string&) {}
#endif

}  // namespace kv
