// Feeds arbitrary bytes to the document loader: an int32 file version (37 to 95081), then
// one root container slot read with the document classes. Errors must end in a failed load
// with a message; leaks and memory errors are found by the sanitizers. A document that loads
// is written back at the current version, and that must load again and write the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "document/model/document_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kv;
  if (size < 4) return 0;
  int32_t version;
  std::memcpy(&version, data, 4);  // little-endian, as the archive stores it
  if (version < kOldestReadableFileVersion || version > kCurrentFileVersion) return 0;
  ContainerLoad load = loadRootSlot(std::span<const uint8_t>(data + 4, size - 4), version);
  if (!load.container) {
    if (load.message.empty()) std::abort();
    return 0;
  }
  const std::vector<uint8_t> first = storeObjectSlot(load.container.get());
  ContainerLoad again = loadRootSlot(first);
  if (!again.container || storeObjectSlot(again.container.get()) != first) std::abort();
  return 0;
}
