#pragma once
// The plug declaration record (InterfaceObject) as the registry stores it.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/interface_object.h"

namespace kv {
using DeclarationList = std::vector<InterfaceObject>;
}  // namespace kv
