#pragma once
// The built-in module table: every module type the system knows by itself, with its legacy
// number, the document class and unit generator it stands for, and its module flags.
#include <cstdint>
#include <vector>

#include "modules/registry/module_info.h"

namespace kv {

struct BuiltinModule {
  int32_t number;         // legacy number; -1 none
  const char* id;         // null for the empty table entries (10 and 88)
  const char* doc_class;  // the document class the type asks for
  const char* ug_class;   // the unit generator class; null for none
  uint32_t flags;
};

// In registration order: table entries 1 to 112, then the types that register themselves.
const std::vector<BuiltinModule>& BuiltinModuleTable();

// The document factory for a document class name, or null when that class does not exist
// yet (the type then makes a plain CUG). Later subsystems add their classes here.
DocFactory BuiltinDocFactory(const char* docClass);
// The unit-generator factory for a class name, or null when no such unit generator exists
// yet. Module families add their unit generators here.
UgFactory BuiltinUgFactory(const char* ugClass);

}  // namespace kv
