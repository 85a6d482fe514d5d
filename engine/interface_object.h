#pragma once
// InterfaceObject: one plug declaration, listed by a unit generator's ListInterface in
// plug order. The module registry keeps one array of these per module type.
#include <cstdint>
#include <string>

#include "engine/declaration_flags.h"
#include "engine/types.h"

namespace kv {

struct InterfaceObject {
  // Construction rule: a DR_IN dt_volts declaration with neither kDeclAudioInput nor
  // kDeclNotVoiceSensitive gets kDeclAudioInput. Declarations are written with the named
  // helpers of engine/declaration_builder.h.
  InterfaceObject(void* io_variable, int32_t datatype, float** buffer_target, int32_t direction,
                  std::string notes, std::string name, std::string default_value,
                  std::string choices, uint32_t flags);

  // A member of the unit generator holding the plug's value (int16_t for dt_enum, uint8_t
  // for dt_bool, float, double, TextValue, a MIDI record); null for dt_volts.
  void* io_variable;
  int32_t datatype;
  // The unit generator's float-pointer member that receives the sample pointer of a
  // dt_volts plug when it opens; null otherwise.
  float** buffer_target;
  int32_t direction;
  std::string notes;
  std::string name;
  std::string default_value;
  std::string choices;
  uint32_t flags;  // DeclFlags
};

}  // namespace kv
