#pragma once
// The plug declaration record (InterfaceObject) as the registry stores it.
#include <cstdint>
#include <string>
#include <vector>

#include "doc/model/datatypes.h"

#if __has_include("engine/interface_object.h")
#include "engine/interface_object.h"
#else
namespace kv {
// Until the engine's declaration record is merged in (same fields and construction rule).
struct InterfaceObject {
  InterfaceObject(void* io_variable_, int32_t datatype_, float** buffer_target_, int32_t direction_,
                  std::string notes_, std::string name_, std::string default_value_,
                  std::string choices_, uint32_t flags_)
      : io_variable(io_variable_), datatype(datatype_), buffer_target(buffer_target_),
        direction(direction_), notes(std::move(notes_)), name(std::move(name_)),
        default_value(std::move(default_value_)), choices(std::move(choices_)), flags(flags_) {
    if (direction == DR_IN && datatype == dt_volts && (flags & (0x001u | 0x200u)) == 0) flags |= 0x001u;
  }
  void* io_variable;
  int32_t datatype;
  float** buffer_target;
  int32_t direction;
  std::string notes;
  std::string name;
  std::string default_value;
  std::string choices;
  uint32_t flags;
};
}  // namespace kv
#endif

namespace kv {
using DeclarationList = std::vector<InterfaceObject>;
}  // namespace kv
