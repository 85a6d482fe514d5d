#include "platform/elf_section_writer.h"

#include <elf.h>

#include <cstring>

#include "platform/elf_section_reader.h"

namespace kv {

namespace {

ElfSectionAdded refused(std::string why) {
  ElfSectionAdded r;
  r.error = std::move(why);
  return r;
}

void padTo8(std::vector<uint8_t>& v) {
  while (v.size() % 8) v.push_back(0);
}

template <class T>
T load(std::span<const uint8_t> image, uint64_t offset) {
  T t;
  std::memcpy(&t, image.data() + offset, sizeof t);
  return t;
}

}  // namespace

ElfSectionAdded addElfSection(std::span<const uint8_t> image, std::string_view name,
                              std::span<const uint8_t> contents) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return refused("invalid section name");
  // The reader checks every table against the file; reuse its verdict first.
  ElfSection existing = readElfSection(image, name);
  switch (existing.status) {
    case ElfSection::Status::kFound: return refused("the file already holds a section " + std::string(name));
    case ElfSection::Status::kAbsent: break;
    default: return refused(existing.error.empty() ? "not a readable ELF64 file" : existing.error);
  }
  const auto eh = load<Elf64_Ehdr>(image, 0);
  if (eh.e_shnum == 0 || eh.e_shstrndx == SHN_XINDEX || eh.e_shstrndx >= eh.e_shnum)
    return refused("the file's section table uses extended numbering");
  if (eh.e_shnum + 1u >= SHN_LORESERVE) return refused("the file has too many sections");
  const uint64_t table_bytes = uint64_t(eh.e_shnum) * sizeof(Elf64_Shdr);
  std::vector<Elf64_Shdr> headers(eh.e_shnum);
  std::memcpy(headers.data(), image.data() + eh.e_shoff, table_bytes);
  Elf64_Shdr& names_header = headers[eh.e_shstrndx];
  if (names_header.sh_type != SHT_STRTAB) return refused("the section-name table is not a string table");

  std::vector<uint8_t> out(image.begin(), image.end());
  padTo8(out);
  const uint64_t data_offset = out.size();
  out.insert(out.end(), contents.begin(), contents.end());
  padTo8(out);
  // New name table: the old one, then the new name.
  const uint64_t names_offset = out.size();
  out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(names_header.sh_offset),
             image.begin() + static_cast<std::ptrdiff_t>(names_header.sh_offset + names_header.sh_size));
  if (names_header.sh_size == 0 || out.back() != 0) out.push_back(0);
  const uint64_t name_index = out.size() - names_offset;
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
  const uint64_t names_size = out.size() - names_offset;
  padTo8(out);

  names_header.sh_offset = names_offset;
  names_header.sh_size = names_size;
  Elf64_Shdr added{};
  added.sh_name = static_cast<Elf64_Word>(name_index);
  added.sh_type = SHT_PROGBITS;
  added.sh_flags = 0;  // not SHF_ALLOC: never mapped
  added.sh_offset = data_offset;
  added.sh_size = contents.size();
  added.sh_addralign = 1;
  headers.push_back(added);

  const uint64_t table_offset = out.size();
  const auto* raw = reinterpret_cast<const uint8_t*>(headers.data());
  out.insert(out.end(), raw, raw + headers.size() * sizeof(Elf64_Shdr));

  Elf64_Ehdr new_header = eh;
  new_header.e_shoff = table_offset;
  new_header.e_shnum = static_cast<Elf64_Half>(headers.size());
  std::memcpy(out.data(), &new_header, sizeof new_header);

  ElfSectionAdded result;
  result.ok = true;
  result.image = std::move(out);
  return result;
}

}  // namespace kv
