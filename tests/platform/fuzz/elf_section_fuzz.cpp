// Feeds arbitrary bytes as an ELF file image to the section reader.
#include <cstdint>
#include <cstdlib>

#include "platform/elf_section_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::ElfSection s = kv::readElfSection(std::span<const uint8_t>(data, size), ".kv1.165");
  if (s.status == kv::ElfSection::Status::kFound && s.bytes.size() > size) std::abort();
  return 0;
}
