#pragma once
// Adding a named section to an ELF64 file image, as data that is never loaded: the section
// sits in the file (found again by readElfSection) but no program header maps it, so the
// loader ignores it and the library's code and data stay exactly as they were.
//
// The new image is the old one unchanged up to its end, then the section's bytes, a new
// section-name table (the old names plus the new one) and a new section header table (the old
// headers plus one), each aligned to 8 bytes. Only the ELF header's section-table offset and
// count change, and the name-table header points at the new names. Images with an extended
// section count or name-table index, or that already hold a section of that name, are
// refused.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct ElfSectionAdded {
  bool ok = false;
  std::string error;           // why not, when !ok
  std::vector<uint8_t> image;  // the new file, when ok
};

ElfSectionAdded addElfSection(std::span<const uint8_t> image, std::string_view name,
                              std::span<const uint8_t> contents);

}  // namespace kv
