#include "engine/types.h"

namespace kv {

const char* GetStatString(int32_t state) {
  switch (state) {
    case ST_STOP: return "ST_STOP";
    case ST_ONE_OFF: return "ST_ONE_OFF";
    case ST_RUN: return "ST_RUN";
  }
  return "GetStatString ERROR";
}

const char* DirectionName(int32_t direction) {
  switch (direction) {
    case DR_IN: return "DR_IN";
    case DR_OUT: return "DR_OUT";
    case DR_CONTAINER_IO: return "DR_CONTAINER_IO";
    case DR_PARAMETER: return "DR_PARAMETER";
  }
  return "unknowen";
}

const char* DataTypeName(int32_t datatype) {
  switch (datatype) {
    case dt_enum: return "dt_enum";
    case dt_text: return "dt_text";
    case dt_midi: return "dt_midi";
    case dt_double: return "dt_double";
    case dt_bool: return "dt_bool";
    case dt_volts: return "dt_volts";
    case dt_float: return "dt_float";
    case dt_normalised: return "dt_normalised";
  }
  return "unknowen";
}

}  // namespace kv
