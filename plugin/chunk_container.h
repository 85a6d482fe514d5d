// The state chunk of a patch container: its host parameters (the container's gathered
// panel controls, in that order) with their value texts per program, and its program names.
// Used by the plug-in object for the host's chunk calls and by the plug-in document for the
// container's bank and program files, so both write and read the same bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kv {

class CContainer;

// The chunk of every program (bank) or of the current one (preset).
std::vector<uint8_t> writeContainerChunk(CContainer* container, bool preset);

enum class ContainerChunkResult {
  kApplied,          // every stored entry found its parameter
  kPartlyApplied,    // some entries matched nothing ("Some parameters could not be loaded")
  kIgnored,          // an unknown marker: nothing changed
  kUnreadable,       // malformed: nothing changed
};

// Parses the whole block, then applies it. Shows the texts for unreadable and partly
// applied chunks through the message service (queued inside host calls).
ContainerChunkResult readContainerChunk(CContainer* container, std::span<const uint8_t> bytes,
                                        bool preset);

// Text shown for a chunk that could not be read.
inline constexpr const char* kChunkUnreadableText =
    "The saved state could not be read; nothing was changed";

}  // namespace kv
