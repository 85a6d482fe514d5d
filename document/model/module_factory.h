#pragma once
// The document objects of module types. The module registry names each type's document
// class; this is where the names become objects.
#include <string>

namespace kv {

class CDocOb;
class Module_Info;

// A new document object of the type, of the class the type names; a plain module (CUG) for
// a class the document does not have.
CDocOb* CreateDocumentObject(Module_Info& type);
// A new document object of the registered type (legacy "BI" ids included); null for an
// unknown id.
CDocOb* CreateDocumentModule(const std::string& id);

}  // namespace kv
