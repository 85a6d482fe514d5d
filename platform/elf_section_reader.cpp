#include "platform/elf_section_reader.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kv {

namespace {

using Status = ElfSection::Status;

// Random access to the bytes of a file image; `read` answers false on an I/O failure.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t size() const = 0;
  virtual bool read(uint64_t offset, void* out, size_t n) const = 0;
};

class MemorySource : public Source {
 public:
  explicit MemorySource(std::span<const uint8_t> image) : image_(image) {}
  uint64_t size() const override { return image_.size(); }
  bool read(uint64_t offset, void* out, size_t n) const override {
    if (n > 0) std::memcpy(out, image_.data() + offset, n);
    return true;
  }

 private:
  std::span<const uint8_t> image_;
};

class FileSource : public Source {
 public:
  FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  uint64_t size() const override { return size_; }
  bool read(uint64_t offset, void* out, size_t n) const override {
    auto* p = static_cast<uint8_t*>(out);
    while (n > 0) {
      ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      p += got;
      offset += static_cast<uint64_t>(got);
      n -= static_cast<size_t>(got);
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_;
};

ElfSection failure(Status status, std::string error) {
  ElfSection s;
  s.status = status;
  s.error = std::move(error);
  return s;
}

// True when [offset, offset + size) lies inside a file of `file_size` bytes.
bool inside(uint64_t offset, uint64_t size, uint64_t file_size) {
  return offset <= file_size && size <= file_size - offset;
}

ElfSection findSection(const Source& src, std::string_view name) {
  const uint64_t file_size = src.size();
  Elf64_Ehdr eh;
  if (file_size < sizeof eh) return failure(Status::kNotElf, "file too short for an ELF header");
  if (!src.read(0, &eh, sizeof eh)) return failure(Status::kIoError, "cannot read the ELF header");
  if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0) return failure(Status::kNotElf, "no ELF magic");
  if (eh.e_ident[EI_CLASS] != ELFCLASS64 || eh.e_ident[EI_DATA] != ELFDATA2LSB) {
    return failure(Status::kNotElf, "not a 64-bit little-endian ELF file");
  }
  if (eh.e_shoff == 0) return ElfSection{};  // no section table at all
  if (eh.e_shentsize != sizeof(Elf64_Shdr)) return failure(Status::kCorrupt, "unexpected section header size");
  if (!inside(eh.e_shoff, sizeof(Elf64_Shdr), file_size)) {
    return failure(Status::kCorrupt, "section table outside the file");
  }

  // Section 0 holds the real count and name-table index when they do not fit the header.
  Elf64_Shdr first;
  if (!src.read(eh.e_shoff, &first, sizeof first)) return failure(Status::kIoError, "cannot read the section table");
  uint64_t count = eh.e_shnum != 0 ? eh.e_shnum : first.sh_size;
  uint64_t names_index = eh.e_shstrndx == SHN_XINDEX ? first.sh_link : eh.e_shstrndx;
  if (count == 0) return ElfSection{};
  if (count > (file_size - eh.e_shoff) / sizeof(Elf64_Shdr)) {
    return failure(Status::kCorrupt, "section table runs past the end of the file");
  }
  if (names_index == SHN_UNDEF) return ElfSection{};  // no section names: nothing can match
  if (names_index >= count) return failure(Status::kCorrupt, "section name table index out of range");

  std::vector<Elf64_Shdr> sections(static_cast<size_t>(count));
  if (!src.read(eh.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr))) {
    return failure(Status::kIoError, "cannot read the section table");
  }
  const Elf64_Shdr& names_hdr = sections[static_cast<size_t>(names_index)];
  if (names_hdr.sh_type == SHT_NOBITS || !inside(names_hdr.sh_offset, names_hdr.sh_size, file_size)) {
    return failure(Status::kCorrupt, "section name table outside the file");
  }
  std::vector<char> names(static_cast<size_t>(names_hdr.sh_size));
  if (!src.read(names_hdr.sh_offset, names.data(), names.size())) {
    return failure(Status::kIoError, "cannot read the section name table");
  }

  for (const Elf64_Shdr& sh : sections) {
    if (sh.sh_name >= names.size()) return failure(Status::kCorrupt, "section name outside the name table");
    const char* start = names.data() + sh.sh_name;
    const void* end = std::memchr(start, '\0', names.size() - sh.sh_name);
    if (end == nullptr) return failure(Status::kCorrupt, "section name without an end");
    std::string_view this_name(start, static_cast<size_t>(static_cast<const char*>(end) - start));
    if (this_name != name) continue;
    if (sh.sh_type == SHT_NOBITS) return ElfSection{};
    if (!inside(sh.sh_offset, sh.sh_size, file_size)) {
      return failure(Status::kCorrupt, "section data outside the file");
    }
    ElfSection found;
    found.status = Status::kFound;
    found.bytes.resize(static_cast<size_t>(sh.sh_size));
    if (!src.read(sh.sh_offset, found.bytes.data(), found.bytes.size())) {
      return failure(Status::kIoError, "cannot read the section data");
    }
    return found;
  }
  return ElfSection{};
}

}  // namespace

ElfSection readElfSection(std::span<const uint8_t> image, std::string_view name) {
  return findSection(MemorySource(image), name);
}

ElfSection readElfSection(const std::string& path, std::string_view name) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure(Status::kIoError, std::strerror(errno));
  struct stat st;
  ElfSection result;
  if (::fstat(fd, &st) != 0) {
    result = failure(Status::kIoError, std::strerror(errno));
  } else if (!S_ISREG(st.st_mode)) {
    result = failure(Status::kIoError, "not a regular file");
  } else {
    result = findSection(FileSource(fd, static_cast<uint64_t>(st.st_size)), name);
  }
  ::close(fd);
  return result;
}

}  // namespace kv
