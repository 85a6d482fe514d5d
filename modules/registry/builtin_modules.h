#pragma once
// The built-in module table: every module type the system knows by itself. Each row is the
// archive contract of one type: the id patches name it by, its number in patches of the old
// numeric scheme, the document class it asks for, the unit-generator class it stands for,
// its module flags and the string ids of its menu name and group. Adding a module type
// means one row here and one registration in its family's file.
#include <cstdint>
#include <string_view>
#include <vector>

#include "modules/registry/module_info.h"

namespace kv {

struct BuiltinModule {
  int32_t number;               // legacy number; -1 none
  const char* id;               // null for the empty table entries (10 and 88)
  const char* doc_class;        // the document class the type asks for
  const char* ug_class;         // the unit-generator class; null for none
  uint32_t flags;               // ModuleFlags
  int32_t name_string_id = 0;   // menu name from the string table; 0: the id
  int32_t group_string_id = 0;  // menu group from the string table; 0: none
};

// In registration order: table entries 1 to 112, then the types that register themselves.
const std::vector<BuiltinModule>& BuiltinModuleTable();

// The unit generators of every module family (and the engine's containers), by class name.
const UnitGeneratorCatalogue& BuiltinUnitGenerators();

// The families that register unit generators, in registration order: "Containers" (the
// engine's own), then each family under modules/ by its name ("Oscillators", "Filters" ...).
const std::vector<const char*>& UnitGeneratorFamilies();
// The family whose registration adds the unit-generator class; null for a class none adds.
const char* UnitGeneratorFamily(std::string_view ug_class);

}  // namespace kv
