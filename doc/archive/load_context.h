#pragma once
// The state one load carries from the header to every record. It belongs to the load, not
// to the process: two plug-in instances may read patches at the same time, and a failed
// load leaves nothing behind that the next one could see.
#include <cstdint>

namespace kv {

// The version this system writes, and the version a reading context starts with.
inline constexpr int32_t kCurrentFileVersion = 95081;

// Nesting limit for object slots. Each level costs a few stack frames (the slot, the
// record, a list helper); 2,000 levels stay well inside a 1 MB thread stack even in a
// sanitizer build, and real patches nest a few dozen levels deep.
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
