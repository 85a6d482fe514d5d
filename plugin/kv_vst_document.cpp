#include "plugin/kv_vst_document.h"

#include "plugin/chunk_container.h"

namespace kv {

std::vector<uint8_t> KvVstDocument::containerChunk(CContainer* container, bool programOnly) {
  return writeContainerChunk(container, programOnly);
}

bool KvVstDocument::setContainerChunk(CContainer* container, const uint8_t* data, std::size_t length,
                                      bool programOnly) {
  if (!data || length == 0) return false;
  const ContainerChunkResult r = readContainerChunk(container, std::span<const uint8_t>(data, length), programOnly);
  return r == ContainerChunkResult::kApplied || r == ContainerChunkResult::kPartlyApplied;
}

}  // namespace kv
