#pragma once
// What the module registry needs to know of a built-in module type besides its unit
// generator: the id text patches name it by, its number in patches of the old numeric id
// scheme, and its module flags (0x100: shown in the structure view).
#include <cstdint>
#include <string_view>

namespace kv {

struct ModuleDescriptor {
  std::string_view id;
  int32_t legacy_number;  // -1 when the type has none
  uint32_t flags;
};

}  // namespace kv
