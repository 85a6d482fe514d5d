#pragma once
// Datatype and plug-direction codes shared by plugs, declarations, parameters and features.
#include <cstdint>

#include "engine/types.h"

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
