#include "document/archive/archive_reader.h"

#include <cstring>
#include <memory>

#include "document/archive/archive.h"
#include "document/archive/text_encoding.h"

namespace kv {

// One entry of the index table. Objects also carry their place in the ownership forest: a
// union-find over table indices answers "would this adoption close a cycle" in near-constant
// time, because an adopted child is always the top of its own tree.
struct ArchiveReader::Entry {
  enum Kind : uint8_t { kNull, kClass, kObject };
  Kind kind = kNull;
  bool owned = false;         // adopted by another object of this stream
  bool kept = false;          // taken by the caller
  bool discarded = false;     // this object was discarded (with everything it owns)
  bool set_discarded = false; // at a set representative: the whole tree is discarded
  uint16_t stored_schema = 0; // class entries
  const ArchiveClass* cls = nullptr;
  Archivable* object = nullptr;
  uint32_t owner = 0;
  mutable uint32_t set = 0;   // union-find parent; itself at the representative
};

namespace {

// Class names from the stream in messages: printable ASCII as is, the rest escaped.
std::string printableName(std::span<const uint8_t> name) {
  std::string out;
  for (uint8_t c : name) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

// Restores the reader's per-record state however the record ends.
template <class T>
class Restore {
 public:
  Restore(T& slot, T value) : slot_(slot), old_(slot) { slot_ = value; }
  ~Restore() { slot_ = old_; }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& slot_;
  T old_;
};

}  // namespace

ArchiveReader::ArchiveReader(std::span<const uint8_t> bytes, const ClassTable& classes,
                             LoadContext& context)
    : bytes_(bytes), classes_(classes), context_(context) {
  table_.emplace_back();  // entry 0: null
}

ArchiveReader::~ArchiveReader() {
  if (!committed_) destroyUncommitted();
}

void ArchiveReader::fail(ArchiveError::Code code, const std::string& detail) const {
  throw ArchiveError(code, detail, pos_);
}

void ArchiveReader::need(size_t n) const {
  if (committed_) fail(ArchiveError::kNotOpenForReading, "the archive was already closed");
  if (n > remaining()) fail(ArchiveError::kEndOfFile, "the data ends inside an item");
}

uint8_t ArchiveReader::readU8() {
  need(1);
  return bytes_[pos_++];
}

uint16_t ArchiveReader::readU16() {
  need(2);
  uint16_t v = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

uint32_t ArchiveReader::readU32() {
  need(4);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | bytes_[pos_ + i];
  pos_ += 4;
  return v;
}

uint64_t ArchiveReader::readU64() {
  need(8);
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | bytes_[pos_ + i];
  pos_ += 8;
  return v;
}

double ArchiveReader::readF64() {
  uint64_t bits = readU64();
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

void ArchiveReader::readRaw(std::span<uint8_t> out) {
  need(out.size());
  if (!out.empty()) std::memcpy(out.data(), bytes_.data() + pos_, out.size());
  pos_ += out.size();
}

std::vector<uint8_t> ArchiveReader::readBlock(size_t n) {
  need(n);
  std::vector<uint8_t> v(bytes_.begin() + static_cast<ptrdiff_t>(pos_),
                         bytes_.begin() + static_cast<ptrdiff_t>(pos_ + n));
  pos_ += n;
  return v;
}

void ArchiveReader::skip(size_t n) {
  need(n);
  pos_ += n;
}

uint32_t ArchiveReader::readCount(size_t min_element_size) {
  uint32_t n = readU16();
  if (n == 0xFFFF) n = readU32();
  if (min_element_size > 0 && n > remaining() / min_element_size) {
    fail(ArchiveError::kEndOfFile,
         "a list of " + std::to_string(n) + " items is longer than the data that remains");
  }
  return n;
}

uint32_t ArchiveReader::readInt32Count(size_t min_element_size) {
  int32_t n = readI32();
  if (n < 0) fail(ArchiveError::kBadFormat, "negative count " + std::to_string(n));
  if (min_element_size > 0 && static_cast<uint32_t>(n) > remaining() / min_element_size) {
    fail(ArchiveError::kEndOfFile,
         "a list of " + std::to_string(n) + " items is longer than the data that remains");
  }
  return static_cast<uint32_t>(n);
}

std::string ArchiveReader::readText() {
  // Length: a byte below 0xFF; else a uint16, where 0xFFFE announces 16-bit characters and
  // the length starts over (byte, then uint16); a uint16 of 0xFFFF is followed by a uint32,
  // and a uint32 of 0xFFFFFFFF by a uint64 that may not exceed 2^31 - 1.
  bool wide = false;
  uint64_t n = readU8();
  if (n == 0xFF) {
    n = readU16();
    if (n == 0xFFFE) {
      wide = true;
      n = readU8();
      if (n == 0xFF) n = readU16();
    }
    if (n == 0xFFFF) {
      n = readU32();
      if (n == 0xFFFFFFFFu) {
        n = readU64();
        if (n > 0x7FFFFFFFu) fail(ArchiveError::kBadFormat, "text length " + std::to_string(n) + " is too large");
      }
    }
  }
  const uint64_t size = wide ? 2 * n : n;
  if (size > remaining()) fail(ArchiveError::kEndOfFile, "a text is longer than the data that remains");
  std::span<const uint8_t> chars = bytes_.subspan(pos_, static_cast<size_t>(size));
  pos_ += static_cast<size_t>(size);
  if (wide) return utf16leToWindows1252(chars);
  return std::string(chars.begin(), chars.end());
}

std::vector<std::string> ArchiveReader::readStringArray() {
  uint32_t n = readCount(1);
  std::vector<std::string> v;
  v.reserve(n);
  for (uint32_t i = 0; i < n; ++i) v.push_back(readText());
  return v;
}

std::vector<int32_t> ArchiveReader::readIntArray() {
  uint32_t n = readCount(4);
  std::vector<int32_t> v(n);
  for (uint32_t i = 0; i < n; ++i) v[i] = readI32();
  return v;
}

std::vector<uint8_t> ArchiveReader::readByteArray() {
  uint32_t n = readCount(1);
  return readBlock(n);
}

// ---- object slots ----

Archivable* ArchiveReader::readObject(const ArchiveClass* expected) {
  const uint16_t tag = readU16();
  uint32_t index;
  bool is_class;
  if (tag == 0xFFFF) {  // tested before the bit-15 rule: folded it would read as class 0x7FFF
    return readNewObject(readClassRecord(), expected);
  } else if (tag == 0x7FFF) {
    const uint32_t big = readU32();
    is_class = (big & 0x80000000u) != 0;
    index = big & 0x7FFFFFFFu;
  } else {
    is_class = (tag & 0x8000) != 0;
    index = tag & 0x7FFFu;
  }

  if (is_class) {
    if (index == 0 || index >= table_.size() || table_[index].kind != Entry::kClass) {
      fail(ArchiveError::kBadIndex, "class reference " + std::to_string(index) + " names no class");
    }
    return readNewObject(index, expected);
  }

  if (index == 0) return nullptr;
  if (index >= table_.size() || table_[index].kind != Entry::kObject) {
    fail(ArchiveError::kBadIndex, "object reference " + std::to_string(index) + " names no object");
  }
  if (table_[findSet(index)].set_discarded) {
    fail(ArchiveError::kBadIndex, "object reference " + std::to_string(index) + " names a dropped object");
  }
  Archivable* object = table_[index].object;
  if (expected != nullptr && !object->isKindOf(*expected)) {
    fail(ArchiveError::kBadClass, std::string("expected a ") + expected->name + ", found a " +
                                      object->archiveClass().name);
  }
  return object;
}

uint32_t ArchiveReader::readClassRecord() {
  const uint16_t schema = readU16();
  const uint16_t length = readU16();
  if (length >= 64) fail(ArchiveError::kBadClass, "class name of " + std::to_string(length) + " bytes");
  need(length);
  std::span<const uint8_t> name_bytes = bytes_.subspan(pos_, length);
  std::string name(name_bytes.begin(), name_bytes.end());
  const ArchiveClass* cls = classes_.find(name);
  if (cls == nullptr) fail(ArchiveError::kBadClass, "unknown class \"" + printableName(name_bytes) + "\"");
  pos_ += length;
  if (!cls->versionable() && schema != cls->schema) {
    fail(ArchiveError::kBadSchema, std::string("class ") + cls->name + " with schema " +
                                       std::to_string(schema) + " instead of " +
                                       std::to_string(cls->schema));
  }
  Entry e;
  e.kind = Entry::kClass;
  e.cls = cls;
  e.stored_schema = schema;
  table_.push_back(e);
  return static_cast<uint32_t>(table_.size() - 1);
}

Archivable* ArchiveReader::readNewObject(uint32_t class_index, const ArchiveClass* expected) {
  const ArchiveClass* cls = table_[class_index].cls;
  if (expected != nullptr && !cls->isKindOf(*expected)) {
    fail(ArchiveError::kBadClass, std::string("expected a ") + expected->name + ", found a " + cls->name);
  }
  if (cls->create == nullptr) fail(ArchiveError::kBadClass, std::string("class ") + cls->name + " cannot be created");
  if (depth_ >= context_.max_object_depth) fail(ArchiveError::kBadFormat, "objects are nested too deeply");

  // Room first, so that appending the new object cannot throw and lose it.
  if (table_.size() == table_.capacity()) table_.reserve(table_.capacity() * 2 + 16);
  std::unique_ptr<Archivable> made(cls->create());
  Entry e;
  e.kind = Entry::kObject;
  e.cls = cls;
  e.object = made.get();
  e.set = static_cast<uint32_t>(table_.size());
  table_.push_back(e);
  Archivable* object = made.release();
  index_of_.emplace(object, e.set);

  Restore<uint32_t> schema(loaded_schema_, table_[class_index].stored_schema);
  Restore<int> depth(depth_, depth_ + 1);
  Archive ar(*this);
  object->serialize(ar);
  return object;
}

// ---- ownership ----

uint32_t ArchiveReader::indexOf(const Archivable* object) const {
  auto it = index_of_.find(object);
  if (it == index_of_.end()) fail(ArchiveError::kBadFormat, "an object that this stream did not create");
  return it->second;
}

uint32_t ArchiveReader::findSet(uint32_t i) const {
  while (table_[i].set != i) {
    table_[i].set = table_[table_[i].set].set;  // path halving
    i = table_[i].set;
  }
  return i;
}

void ArchiveReader::adopt(Archivable* owner, Archivable* child) {
  if (child == nullptr) return;
  const uint32_t ci = indexOf(child);
  const uint32_t oi = indexOf(owner);
  const std::string name = child->archiveClass().name;
  if (ci == oi) fail(ArchiveError::kBadFormat, "a " + name + " would contain itself");
  Entry& c = table_[ci];
  if (c.owned || c.kept) fail(ArchiveError::kBadFormat, "a " + name + " belongs to two owners");
  const uint32_t cs = findSet(ci);
  const uint32_t os = findSet(oi);
  if (table_[cs].set_discarded || table_[os].set_discarded) {
    fail(ArchiveError::kBadFormat, "a dropped object is used again");
  }
  // The child has no owner, so it is the top of its tree: the same tree means the owner is
  // below the child, and adopting would close a cycle.
  if (cs == os) fail(ArchiveError::kBadFormat, "a " + name + " would contain its own owner");
  table_[cs].set = os;
  c.owned = true;
  c.owner = oi;
}

void ArchiveReader::keep(Archivable* object) {
  if (object == nullptr) return;
  Entry& e = table_[indexOf(object)];
  if (e.owned || e.kept || e.discarded) {
    fail(ArchiveError::kBadFormat, std::string("a ") + object->archiveClass().name + " belongs to two owners");
  }
  e.kept = true;
}

void ArchiveReader::discard(Archivable* object) {
  if (object == nullptr) return;
  const uint32_t i = indexOf(object);
  Entry& e = table_[i];
  if (e.owned || e.kept || e.discarded) {
    fail(ArchiveError::kBadFormat, std::string("a ") + object->archiveClass().name + " belongs to two owners");
  }
  e.discarded = true;
  table_[findSet(i)].set_discarded = true;
}

bool ArchiveReader::isDiscarded(const Archivable* object) const {
  auto it = index_of_.find(object);
  return it != index_of_.end() && table_[findSet(it->second)].set_discarded;
}

Archivable* ArchiveReader::ownerOf(const Archivable* object) const {
  auto it = index_of_.find(object);
  if (it == index_of_.end()) return nullptr;
  const Entry& e = table_[it->second];
  return e.owned ? table_[e.owner].object : nullptr;
}

std::vector<Archivable*> ArchiveReader::createdObjects() const {
  std::vector<Archivable*> v;
  for (const Entry& e : table_) {
    if (e.kind == Entry::kObject) v.push_back(e.object);
  }
  return v;
}

void ArchiveReader::commit() {
  if (committed_) return;
  for (const Entry& e : table_) {
    if (e.kind == Entry::kObject && !e.owned && !e.kept && !e.discarded) {
      fail(ArchiveError::kBadFormat, std::string("a ") + e.cls->name + " belongs to nothing");
    }
  }
  for (size_t i = table_.size(); i-- > 1;) {
    if (table_[i].kind == Entry::kObject && table_[i].discarded) delete table_[i].object;
  }
  committed_ = true;
  table_.clear();
  index_of_.clear();
}

void ArchiveReader::destroyUncommitted() noexcept {
  // Newest first; an owned object goes with its owner, which is never owned by one of its
  // own children, so every object is destroyed exactly once.
  for (size_t i = table_.size(); i-- > 1;) {
    Entry& e = table_[i];
    if (e.kind == Entry::kObject && !e.owned) delete e.object;
  }
  table_.clear();
  index_of_.clear();
}

}  // namespace kv
