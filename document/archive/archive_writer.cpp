#include "document/archive/archive_writer.h"

#include <cstring>
#include <stdexcept>

#include "document/archive/archive.h"

namespace kv {

ArchiveWriter::ArchiveWriter(std::vector<uint8_t>& out, int max_object_depth)
    : out_(out), max_depth_(max_object_depth) {}

void ArchiveWriter::writeU16(uint16_t v) {
  out_.push_back(static_cast<uint8_t>(v));
  out_.push_back(static_cast<uint8_t>(v >> 8));
}

void ArchiveWriter::writeU32(uint32_t v) {
  for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ArchiveWriter::writeU64(uint64_t v) {
  for (int i = 0; i < 8; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ArchiveWriter::writeF64(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  writeU64(bits);
}

void ArchiveWriter::writeRaw(std::span<const uint8_t> bytes) {
  out_.insert(out_.end(), bytes.begin(), bytes.end());
}

void ArchiveWriter::writeCount(uint32_t n) {
  if (n < 0xFFFF) {
    writeU16(static_cast<uint16_t>(n));
  } else {
    writeU16(0xFFFF);
    writeU32(n);
  }
}

namespace {

// The length prefix after the first byte has said "long" (0xFF). A length of 0xFFFE must take
// the 32-bit form: 0xFFFE in the 16-bit slot announces a 16-bit text.
void writeLongLength(ArchiveWriter& w, size_t n) {
  if (n >= 0xFFFFFFFFu) throw std::length_error("text too long for an archive");
  if (n < 0xFFFE) {
    w.writeU16(static_cast<uint16_t>(n));
  } else {
    w.writeU16(0xFFFF);
    w.writeU32(static_cast<uint32_t>(n));
  }
}

}  // namespace

void ArchiveWriter::writeText(std::string_view text) {
  if (text.size() < 0xFF) {
    writeU8(static_cast<uint8_t>(text.size()));
  } else {
    writeU8(0xFF);
    writeLongLength(*this, text.size());
  }
  writeRaw({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void ArchiveWriter::writeText16(std::u16string_view text) {
  writeU8(0xFF);
  writeU16(0xFFFE);
  if (text.size() < 0xFF) {
    writeU8(static_cast<uint8_t>(text.size()));
  } else {
    writeU8(0xFF);
    writeLongLength(*this, text.size());
  }
  for (char16_t c : text) writeU16(static_cast<uint16_t>(c));
}

void ArchiveWriter::writeStringArray(std::span<const std::string> texts) {
  writeCount(static_cast<uint32_t>(texts.size()));
  for (const std::string& t : texts) writeText(t);
}

void ArchiveWriter::writeIntArray(std::span<const int32_t> values) {
  writeCount(static_cast<uint32_t>(values.size()));
  for (int32_t v : values) writeI32(v);
}

void ArchiveWriter::writeByteArray(std::span<const uint8_t> bytes) {
  writeCount(static_cast<uint32_t>(bytes.size()));
  writeRaw(bytes);
}

void ArchiveWriter::writeIndexTag(uint32_t index, bool is_class) {
  if (index < 0x7FFF) {
    writeU16(static_cast<uint16_t>(is_class ? (0x8000u | index) : index));
  } else {
    writeU16(0x7FFF);
    writeU32(is_class ? (0x80000000u | index) : index);
  }
}

void ArchiveWriter::writeObject(Archivable* object) {
  if (object == nullptr) {
    writeU16(0);
    return;
  }
  if (auto it = index_of_.find(object); it != index_of_.end()) {
    writeIndexTag(it->second, false);
    return;
  }
  // A stream deeper than the reader accepts would be written but never read back.
  if (depth_ >= max_depth_) {
    throw ArchiveError(ArchiveError::kBadFormat, "objects are nested too deeply", out_.size());
  }
  const ArchiveClass& cls = object->archiveClass();
  if (auto it = index_of_.find(&cls); it != index_of_.end()) {
    writeIndexTag(it->second, true);
  } else {
    const size_t length = std::strlen(cls.name);
    writeU16(0xFFFF);
    writeU16(static_cast<uint16_t>(cls.schema & 0xFFFF));
    writeU16(static_cast<uint16_t>(length));
    writeRaw({reinterpret_cast<const uint8_t*>(cls.name), length});
    index_of_.emplace(&cls, next_index_++);
  }
  index_of_.emplace(object, next_index_++);
  ++depth_;
  struct Leave {
    int& d;
    ~Leave() { --d; }
  } leave{depth_};
  Archive ar(*this);
  object->serialize(ar);
}

}  // namespace kv
