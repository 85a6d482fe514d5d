#pragma once
// Datatype and plug-direction codes shared by plugs, declarations, parameters and features.
#include <cstdint>

#if __has_include("engine/types.h")
#include "engine/types.h"
#else
// Until the engine's shared codes are merged in (same names and values).
namespace kv {
enum DataType : int32_t { dt_enum, dt_text, dt_midi, dt_double, dt_bool, dt_volts, dt_float, dt_normalised };
enum Direction : int32_t { DR_IN, DR_OUT, DR_CONTAINER_IO, DR_PARAMETER };
}  // namespace kv
#endif

namespace kv {

// Plug declaration flags read by the document side.
enum : uint32_t {
  pf_audio_input = 0x001,
  pf_take_name = 0x004,
  pf_auto_duplicate = 0x008,
  pf_file_name = 0x010,
  pf_follow_source = 0x020,
  pf_doc_plug_list = 0x040,
  pf_collector = 0x080,
  pf_unlisted = 0x100,
  pf_not_voice_sensitive = 0x200,
  pf_feature = 0x400,
};

}  // namespace kv
