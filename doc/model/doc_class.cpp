#include "doc/model/doc_class.h"

#include "doc/model/container.h"
#include "doc/model/control.h"
#include "doc/model/line.h"
#include "doc/model/plug.h"
#include "doc/model/plug_feature.h"
#include "doc/model/small_modules.h"

namespace kv {

void addDocumentModelClasses(ClassTable& table) {
  for (const ArchiveClass* c :
       {&CDocOb::kArchiveClass, &CUG::kArchiveClass, &CSwitch::kArchiveClass,
        &CUG_with_patches::kArchiveClass, &CContainer::kArchiveClass, &CLine2::kArchiveClass,
        &CPlug2::kArchiveClass, &CPlugNameable::kArchiveClass, &CPlugIO2::kArchiveClass,
        &CPlugControled::kArchiveClass, &CPlugFeature::kArchiveClass,
        &CPlugFeature2::kArchiveClass, &CPlugFeature3::kArchiveClass, &CControl::kArchiveClass,
        &CControlPlugs::kArchiveClass, &CFeedbackDelay::kArchiveClass, &CLED::kArchiveClass,
        &CPortal::kArchiveClass})
    table.add(*c);
}

const ClassTable& documentClasses() {
  static const ClassTable table = [] {
    ClassTable t;
    addDocumentModelClasses(t);
    return t;
  }();
  return table;
}

Archivable* createByClassName(const ClassTable& table, std::string_view name) {
  const ArchiveClass* c = table.find(name);
  return c && c->create ? c->create() : nullptr;
}

}  // namespace kv
