#pragma once
// Run-time class information of document classes, so that a reader can make an object from
// its stored class name and check it against the class it expects (the archive base chain).
//
// Each class states its name and archive base with KV_DECLARE_DOC_CLASS in its body and
// KV_IMPLEMENT_DOC_CLASS in its source file; findDocClass looks a name up in the table of
// every class made that way (registered explicitly, not by static initialisers, so that no
// class can be dropped by the linker).
#include <string_view>

namespace kv {

class CObject;

struct DocClass {
  const char* name;
  const DocClass* archive_base;  // null for CObject
  CObject* (*create)();          // null for abstract classes
  bool isKindOf(const DocClass& other) const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const DocClass& GetRuntimeClass() const = 0;
  bool isKindOf(const DocClass& c) const { return GetRuntimeClass().isKindOf(c); }
  static const DocClass classCObject;
};

// The class of that name, or null. Names compare exactly.
const DocClass* findDocClass(std::string_view name);
// Adds a class to the table (later subsystems add their own document classes).
void registerDocClass(const DocClass& c);
// Makes an object of the named class with its default constructor; null when unknown.
CObject* createDocObject(std::string_view name);

}  // namespace kv

#define KV_DECLARE_DOC_CLASS(Name)                                         \
 public:                                                                   \
  static const ::kv::DocClass class##Name;                                 \
  const ::kv::DocClass& GetRuntimeClass() const override { return class##Name; }

#define KV_IMPLEMENT_DOC_CLASS(Name, Base)                                        \
  namespace {                                                                     \
  ::kv::CObject* create_##Name() { return new Name(); }                           \
  }                                                                               \
  const ::kv::DocClass Name::class##Name{#Name, &Base::class##Base, &create_##Name};
