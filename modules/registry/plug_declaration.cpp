#include "modules/registry/plug_declaration.h"

namespace kv {

const char* DeclarationDirectionName(int32_t d) {
  switch (d) {
    case DR_IN: return "in";
    case DR_OUT: return "out";
    case DR_CONTAINER_IO: return "container-io";
    case DR_PARAMETER: return "parameter";
    default: return "?";
  }
}

const char* DeclarationDatatypeName(int32_t t) {
  switch (t) {
    case dt_enum: return "enum";
    case dt_text: return "text";
    case dt_midi: return "midi";
    case dt_double: return "double";
    case dt_bool: return "bool";
    case dt_volts: return "volts";
    case dt_float: return "float";
    case dt_normalised: return "normalised";
    default: return "?";
  }
}

}  // namespace kv
