#pragma once
// The few things the document and the registry ask of a unit generator, in one place: list
// its plug declarations, take a plug value as text, and go away.
#include <string>

#include "modules/registry/plug_declaration.h"

namespace kv {

class ug_base;

// Fills the list with the unit generator's declarations. The addresses in the copies
// (io_variable, buffer_target) point into that unit generator; the registry clears them.
void listUnitGeneratorDeclarations(ug_base* ug, DeclarationList& out);
void deleteUnitGenerator(ug_base* ug);
// Sets the value of the unit generator's plug number `index` from text.
void setUnitGeneratorPlugValue(ug_base* ug, int index, const std::string& text);

}  // namespace kv
