#pragma once
// Run-time classes of the document: every document class is an archive class (its stored
// name, schema, archive base and factory; see document/archive/class_table.h), so a reader makes
// an object from its stored class name and checks it against the class it expects along the
// archive base chain.
//
// Each class states its class with KV_ARCHIVE_CLASS in its body and defines kArchiveClass in
// its source file. documentClasses() is the table of the document model's classes: built on
// first use with thread-safe initialisation and only read afterwards, so any number of loads
// may use it at once. Subsystems with document classes of their own build a larger table
// with addDocumentModelClasses() and their own additions.
#include <string_view>

#include "document/archive/class_table.h"

namespace kv {

// The common base of document classes. It has no record of its own.
class CObject : public Archivable {
 public:
  void serialize(Archive&) override {}
};

// Adds the document model's classes (CDocOb, CUG, CContainer, the plugs, CLine2, CControl
// and the small modules) to a table.
void addDocumentModelClasses(ClassTable& table);
// The table of the document model's classes.
const ClassTable& documentClasses();
// Makes an object of the named class of `table` with its default constructor; null when the
// name is unknown or the class is never created from a stream.
Archivable* createByClassName(const ClassTable& table, std::string_view name);

}  // namespace kv
