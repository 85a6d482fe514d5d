#pragma once
// Writing an object archive: the undo snapshots, the clipboard, the chunk and the patch tools
// store through this. Streams are always written at kCurrentFileVersion.
//
// Indices match the reader's: one numbering for classes and objects, starting at 1. The
// first object of a class brings the class record (0xFFFF, schema, name); later ones refer
// to the class; an object already written is written as a reference. Indices from 0x7FFF on
// take the escape form (0x7FFF and a uint32).
#include <cstdint>
#include <functional>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/archive/archive_error.h"
#include "document/archive/class_table.h"
#include "document/archive/load_context.h"

namespace kv {

class ArchiveWriter {
 public:
  // Appends to `out`, which must outlive the writer.
  explicit ArchiveWriter(std::vector<uint8_t>& out, int max_object_depth = kDefaultMaxObjectDepth);
  ArchiveWriter(const ArchiveWriter&) = delete;
  ArchiveWriter& operator=(const ArchiveWriter&) = delete;

  int32_t fileVersion() const { return kCurrentFileVersion; }
  const std::vector<uint8_t>& bytes() const { return out_; }

  void writeU8(uint8_t v) { out_.push_back(v); }
  void writeBoolByte(bool v) { writeU8(v ? 1 : 0); }
  void writeI16(int16_t v) { writeU16(static_cast<uint16_t>(v)); }
  void writeU16(uint16_t v);
  void writeI32(int32_t v) { writeU32(static_cast<uint32_t>(v)); }
  void writeU32(uint32_t v);
  void writeU64(uint64_t v);
  void writeF64(double v);
  template <class R>
  void writeRect(const R& r) {
    writeI32(r.left);
    writeI32(r.top);
    writeI32(r.right);
    writeI32(r.bottom);
  }
  template <class P>
  void writePoint(const P& p) {
    writeI32(p.x);
    writeI32(p.y);
  }
  void writeRaw(std::span<const uint8_t> bytes);

  void writeCount(uint32_t n);
  // Single-byte form (Windows-1252 bytes as they are).
  void writeText(std::string_view text);
  // 16-bit form (UTF-16LE), which the reader converts to Windows-1252.
  void writeText16(std::u16string_view text);
  void writeStringArray(std::span<const std::string> texts);
  void writeIntArray(std::span<const int32_t> values);
  void writeByteArray(std::span<const uint8_t> bytes);

  // One object slot: null, a reference to an object already written, or a new object with
  // its record.
  void writeObject(Archivable* object);
  // A framework count, then one slot per element (any range of Archivable pointers), leaving
  // out the elements the list filter refuses.
  template <class Range>
  void writeObjectList(const Range& objects) {
    if (!list_filter_) {
      writeCount(static_cast<uint32_t>(std::size(objects)));
      for (auto* o : objects) writeObject(o);
      return;
    }
    std::vector<Archivable*> kept;
    for (auto* o : objects)
      if (list_filter_(o)) kept.push_back(o);
    writeCount(static_cast<uint32_t>(kept.size()));
    for (Archivable* o : kept) writeObject(o);
  }
  // Which elements of object lists are written (all when unset). A copy of part of a document
  // uses it to leave out the connections that lead outside the copied part.
  void setListFilter(std::function<bool(const Archivable*)> keep) { list_filter_ = std::move(keep); }

 private:
  void writeIndexTag(uint32_t index, bool is_class);

  std::vector<uint8_t>& out_;
  std::unordered_map<const void*, uint32_t> index_of_;  // classes and objects
  uint32_t next_index_ = 1;
  int depth_ = 0;
  int max_depth_;
  std::function<bool(const Archivable*)> list_filter_;
};

}  // namespace kv
