#pragma once
// Finding a named section in an ELF64 file by reading the file, never by loading it: the
// plug-in carries its patch in a section of its own file that is not mapped at run time,
// and reading another plug-in's patch must not run that plug-in's code.
//
// Every offset and size in the file is checked against the file's size in 64-bit arithmetic
// before it is used, so a truncated or damaged file gives kCorrupt (or kNotElf), never a
// read outside the data. Checked: the ELF magic, 64-bit class, little-endian data, the
// section header size, the extended section count (e_shnum 0: the count is in section 0's
// size), the extended name-table index (SHN_XINDEX: in section 0's link), the section table
// and name table inside the file, every name offset inside the name table and ended by a NUL
// there. A section without file bytes (SHT_NOBITS) counts as absent.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

struct ElfSection {
  enum class Status {
    kFound,    // `bytes` holds the section's contents
    kAbsent,   // a valid ELF64 file without such a section
    kNotElf,   // not a 64-bit little-endian ELF file
    kCorrupt,  // an ELF file whose tables point outside the file or are malformed
    kIoError,  // the file could not be opened or read
  };
  Status status = Status::kAbsent;
  std::vector<uint8_t> bytes;
  std::string error;  // why, for anything but kFound and kAbsent
};

// The section `name` of the ELF file at `path`.
ElfSection readElfSection(const std::string& path, std::string_view name);
// The same over a file image in memory.
ElfSection readElfSection(std::span<const uint8_t> image, std::string_view name);

}  // namespace kv
