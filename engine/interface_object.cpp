#include "engine/interface_object.h"

#include <utility>

namespace kv {

InterfaceObject::InterfaceObject(void* io_variable_, int32_t datatype_, float** buffer_target_,
                                 int32_t direction_, std::string notes_, std::string name_,
                                 std::string default_value_, std::string choices_, uint32_t flags_)
    : io_variable(io_variable_),
      datatype(datatype_),
      buffer_target(buffer_target_),
      direction(direction_),
      notes(std::move(notes_)),
      name(std::move(name_)),
      default_value(std::move(default_value_)),
      choices(std::move(choices_)),
      flags(flags_) {
  if (direction == DR_IN && datatype == dt_volts &&
      (flags & (kDeclAudioInput | kDeclNotVoiceSensitive)) == 0)
    flags |= kDeclAudioInput;
}

}  // namespace kv
