#pragma once
// Run-time class information for everything an archive can hold, and the table that makes
// an object from its stored class name.
//
// Each archivable class has one static ArchiveClass: the name stored in the stream, its
// schema, its archive base (the chain that expected-class checks follow, which need not be
// the C++ base) and a factory. A ClassTable maps names to these records. The table is filled
// before the first load and then only read, so one table may serve every reader at once;
// tests and tools build tables of their own.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace kv {

class Archive;
class Archivable;

// A schema with this bit set marks a versionable class: it reads every stored schema and the
// object can ask which one it met (ArchiveReader::loadedSchema).
inline constexpr uint32_t kVersionableSchema = 0x80000000u;

struct ArchiveClass {
  const char* name;             // as stored, compared exactly; shorter than 64 bytes
  uint32_t schema;              // 1 for most classes; bit 31 set for versionable ones
  const ArchiveClass* base;     // archive base; null for classes directly below CObject
  Archivable* (*create)();      // null for classes never created from a stream

  bool versionable() const { return (schema & kVersionableSchema) != 0; }
  // True when this class is `other` or derives from it through the archive base chain.
  bool isKindOf(const ArchiveClass& other) const;
};

// The interface of every object an archive can create or store.
//
// serialize() is symmetric: one function reads the record when the archive is loading and
// writes it when storing. A destructor must tolerate an object whose record was only partly
// read (a failed load destroys such objects), and must not follow pointers to objects it
// does not own: those may already be gone.
class Archivable {
 public:
  virtual ~Archivable() = default;
  virtual const ArchiveClass& archiveClass() const = 0;
  virtual void serialize(Archive& ar) = 0;
  bool isKindOf(const ArchiveClass& c) const { return archiveClass().isKindOf(c); }
};

template <class T>
Archivable* createArchivable() {
  return new T();
}

class ClassTable {
 public:
  // Adds a class; a second class of the same name is a programming error (std::logic_error).
  void add(const ArchiveClass& c);
  // The class stored under this name, or null.
  const ArchiveClass* find(std::string_view name) const;
  size_t size() const { return by_name_.size(); }

 private:
  std::map<std::string, const ArchiveClass*, std::less<>> by_name_;
};

}  // namespace kv

// Declares the archive class of a class inside its body:
//   class CFoo : public CBar { KV_ARCHIVE_CLASS(CFoo) ... };
// and defines it in one source file:
//   const kv::ArchiveClass CFoo::kArchiveClass{"CFoo", 1, &CBar::kArchiveClass,
//                                              &kv::createArchivable<CFoo>};
#define KV_ARCHIVE_CLASS(Name)                                            \
 public:                                                                  \
  static const ::kv::ArchiveClass kArchiveClass;                          \
  const ::kv::ArchiveClass& archiveClass() const override { return kArchiveClass; }
