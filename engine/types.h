#pragma once
// Codes shared by plugs, declarations, events and unit generators.
#include <cstdint>

namespace kv {

// Datatype codes of plugs, declarations and parameters.
enum DataType : int32_t {
  dt_enum = 0,
  dt_text = 1,
  dt_midi = 2,
  dt_double = 3,
  dt_bool = 4,
  dt_volts = 5,
  dt_float = 6,
  dt_normalised = 7,  // document side only; never on a unit-generator plug
};

// Plug directions.
enum Direction : int32_t {
  DR_IN = 0,
  DR_OUT = 1,
  DR_CONTAINER_IO = 2,
  DR_PARAMETER = 3,
};

// Stream state of a plug. Ordered: STOP < ONE_OFF < RUN.
enum state_type : int32_t {
  ST_STOP = 0,
  ST_ONE_OFF = 1,
  ST_RUN = 2,
};

// Debug names. Unknown values answer the system's own texts ("GetStatString ERROR",
// "unknowen"), which are kept as they are spelled.
const char* GetStatString(int32_t state);
const char* DirectionName(int32_t direction);
const char* DataTypeName(int32_t datatype);

// Unit-generator flags (ug_base::flags).
enum UgFlags : uint32_t {
  UGF_IO_MODULE = 0x001,
  UGF_DISPLAY_ONLY = 0x002,
  UGF_VOICE_DEPENDENT = 0x004,
  UGF_VOICE_MARKED_UP = 0x008,
  UGF_VOICE_MARKED_DOWN = 0x010,
  UGF_NOTE_SOURCE = 0x020,
  UGF_NEVER_VOICE = 0x040,
  UGF_SUSPENDED = 0x080,
  UGF_OPEN = 0x100,
  UGF_NEVER_SUSPEND = 0x200,
  UGF_CLONE = 0x800,
  UGF_DEBUG = 0x1000,
  UGF_SORT_FIRST = 0x2000,
};

// Runtime plug flags (UPlug::flags): what the engine knows of one plug while it runs.
// Declarations have flags of their own (DeclFlags, engine/declaration_flags.h).
enum UPlugFlags : uint32_t {
  UPLUG_VOICE_SENSITIVE = 0x02,
  UPLUG_VOICE_FED = 0x04,
  UPLUG_COLLECTOR = 0x10,
  UPLUG_PANEL_CHANGED = 0x20,
  UPLUG_OWNS_IO = 0x40,
};

// Sample clocks are 64-bit signed: they never wrap in practice and differences may be
// negative (an event older than its receiver's clock).
using sample_clock = int64_t;

}  // namespace kv
