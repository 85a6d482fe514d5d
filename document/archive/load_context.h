#pragma once
// The state one load carries from the header to every record. It belongs to the load, not
// to the process: two plug-in instances may read patches at the same time, and a failed
// load leaves nothing behind that the next one could see.
#include <cstdint>

#include "document/archive/file_version.h"

namespace kv {

// Nesting limit for object slots. Each level costs a few stack frames (the slot, the
// record, a list helper): measured about 0.5 KB per level optimised and 1.4 KB in the
// sanitizer build with a small record, so 2,000 levels need 1 to 3 MB, inside the 8 MB
// stack of a host's main thread. Real patches nest a few dozen levels deep; a chain of
// 1,000 links must load.
inline constexpr int kDefaultMaxObjectDepth = 2000;

struct LoadContext {
  // The stream's file version: set by the header reader before any record is read, and
  // consulted by every record whose fields depend on it.
  int32_t file_version = kCurrentFileVersion;
  // Header option byte of a patch taken from another module (0 or 1); read by the hosting
  // of other plug-ins.
  uint8_t option_byte = 0;
  // Deepest nesting of object slots the reader accepts.
  int max_object_depth = kDefaultMaxObjectDepth;
};

}  // namespace kv
