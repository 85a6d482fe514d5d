#pragma once
// The plug declaration record (InterfaceObject) as the registry stores it, and the names of
// its direction and datatype as listings of the catalogue show them.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/interface_object.h"

namespace kv {
using DeclarationList = std::vector<InterfaceObject>;

// "in", "out", "container-io", "parameter"; "?" for any other value.
const char* DeclarationDirectionName(int32_t direction);
// "enum", "text", "midi", "double", "bool", "volts", "float", "normalised"; "?" otherwise.
const char* DeclarationDatatypeName(int32_t datatype);
}  // namespace kv
