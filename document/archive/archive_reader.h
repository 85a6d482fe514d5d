#pragma once
// Reading an object archive from bytes in memory.
//
// The stream is treated as hostile. Every count and length is checked against the bytes that
// remain before anything is allocated; object slots nest at most LoadContext::max_object_depth
// deep; an index must name an entry of the right kind (class references name classes, object
// references name objects); and every problem throws one ArchiveError.
//
// Object slots. The reader keeps one index table per stream: entry 0 is null, and every class
// record and every object read in full is appended, classes and objects sharing the numbering.
// An object is appended before its record is read, so a record may refer back to the object
// itself or to the objects that contain it.
//
// Ownership and clean failure. The reader remembers every object it creates. A record that
// takes an object as its child calls adopt(owner, child), which refuses a second owner, an
// object owning itself and an object owning one of its own owners. Objects the caller takes
// from the top level are marked with keep(). A load ends with commit(): every object created
// must by then be owned, kept or discarded. Until commit() has returned, the caller may not
// hand any object out: if the reader is destroyed without a successful commit (an error was
// thrown anywhere), it destroys every object that no other object owns, in reverse creation
// order, so owners destroy their children and nothing half-read survives.
//
//   ArchiveReader r(bytes, classes, context);
//   CContainer* root = r.readObjectAs<CContainer>();
//   r.keep(root);
//   r.commit();        // from here on root belongs to the caller
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/archive/archive_error.h"
#include "document/archive/class_table.h"
#include "document/archive/load_context.h"

namespace kv {

class ArchiveReader {
 public:
  // The bytes, the class table and the context must outlive the reader.
  ArchiveReader(std::span<const uint8_t> bytes, const ClassTable& classes, LoadContext& context);
  ~ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  LoadContext& context() { return context_; }
  int32_t fileVersion() const { return context_.file_version; }
  const ClassTable& classes() const { return classes_; }

  size_t position() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }
  bool atEnd() const { return pos_ == bytes_.size(); }

  // Primitives, little-endian.
  uint8_t readU8();
  bool readBoolByte() { return readU8() != 0; }
  int16_t readI16() { return static_cast<int16_t>(readU16()); }
  uint16_t readU16();
  int32_t readI32() { return static_cast<int32_t>(readU32()); }
  uint32_t readU32();
  uint64_t readU64();
  double readF64();
  // Rectangle: int32 left, top, right, bottom. Point: int32 x, y.
  template <class R>
  void readRect(R& r) {
    need(16);
    r.left = readI32();
    r.top = readI32();
    r.right = readI32();
    r.bottom = readI32();
  }
  template <class P>
  void readPoint(P& p) {
    need(8);
    p.x = readI32();
    p.y = readI32();
  }
  void readRaw(std::span<uint8_t> out);
  std::vector<uint8_t> readBlock(size_t n);  // n checked against the remaining bytes first
  void skip(size_t n);

  // Framework count (uint16, or 0xFFFF and a uint32). The stream must still hold
  // count x min_element_size bytes, else kEndOfFile.
  uint32_t readCount(size_t min_element_size);
  // A plain int32 count: negative is kBadFormat, then the same check as readCount.
  uint32_t readInt32Count(size_t min_element_size);

  // A text in either stored form; 16-bit texts become Windows-1252 ('?' for the rest).
  std::string readText();
  std::vector<std::string> readStringArray();  // count, texts
  std::vector<int32_t> readIntArray();         // count, int32 each
  std::vector<uint8_t> readByteArray();        // count, bytes

  // One object slot: null, a reference, or a new object (created, appended, record read).
  // With `expected`, the object must be of that class or derive from it (kBadClass).
  Archivable* readObject(const ArchiveClass* expected = nullptr);
  // The same, typed; T names its class as T::kArchiveClass.
  template <class T>
  T* readObjectAs() {
    Archivable* o = readObject(&T::kArchiveClass);
    if (o == nullptr) return nullptr;
    T* t = dynamic_cast<T*>(o);
    if (t == nullptr) fail(ArchiveError::kBadClass, std::string("object is not a ") + T::kArchiveClass.name);
    return t;
  }
  // A framework count, then that many slots; `each(Archivable*)` sees each (null included).
  template <class F>
  void readObjectList(const ArchiveClass* expected, F&& each) {
    uint32_t n = readCount(2);
    for (uint32_t i = 0; i < n; ++i) each(readObject(expected));
  }
  // The schema stored in the class record of the object whose record is being read.
  uint32_t loadedSchema() const { return loaded_schema_; }

  // `owner` takes `child` as its child. Throws kBadFormat when the child already has an
  // owner or is kept, is the owner itself or one of the owner's owners, or was discarded.
  // Both must come from this reader; a null child is ignored. Call it before storing the
  // child in the owner, so a refused child is never held twice.
  void adopt(Archivable* owner, Archivable* child);
  // The caller takes `object` from the top level once commit() succeeds. It must have no owner.
  void keep(Archivable* object);
  // Drops an object that the stream holds but the document does not use (with everything it
  // owns): later references to any of them are kBadIndex, and the reader destroys them at
  // commit() or on failure. It must have no owner.
  void discard(Archivable* object);
  bool isDiscarded(const Archivable* object) const;
  // The owner `adopt` recorded, or null.
  Archivable* ownerOf(const Archivable* object) const;
  // Every object created so far, in creation order (for checks across the whole load).
  std::vector<Archivable*> createdObjects() const;

  // Ends the load: kBadFormat when an object is neither owned, kept nor discarded. Then the
  // discarded objects are destroyed and the rest belong to their owners and the caller.
  void commit();

  // Throws ArchiveError at the current position.
  [[noreturn]] void fail(ArchiveError::Code code, const std::string& detail) const;

 private:
  struct Entry;
  void need(size_t n) const;
  uint32_t indexOf(const Archivable* object) const;
  uint32_t findSet(uint32_t index) const;
  Archivable* readNewObject(uint32_t class_index, const ArchiveClass* expected);
  uint32_t readClassRecord();
  void destroyUncommitted() noexcept;

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  const ClassTable& classes_;
  LoadContext& context_;
  std::vector<Entry> table_;
  std::unordered_map<const Archivable*, uint32_t> index_of_;
  uint32_t loaded_schema_ = 0;
  int depth_ = 0;
  bool committed_ = false;
};

}  // namespace kv
