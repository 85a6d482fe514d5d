#include "doc/model/doc_class.h"

#include <mutex>
#include <string>
#include <vector>

#include "doc/model/container.h"
#include "doc/model/control.h"
#include "doc/model/line.h"
#include "doc/model/plug.h"
#include "doc/model/plug_feature.h"
#include "doc/model/small_modules.h"

namespace kv {

const DocClass CObject::classCObject{"CObject", nullptr, nullptr};

bool DocClass::isKindOf(const DocClass& other) const {
  for (const DocClass* c = this; c; c = c->archive_base)
    if (c == &other) return true;
  return false;
}

namespace {
struct ClassTable {
  std::mutex mutex;
  std::vector<const DocClass*> classes;
  ClassTable() {
    // The document model's own classes.
    for (const DocClass* c :
         {&CObject::classCObject, &CDocOb::classCDocOb, &CUG::classCUG, &CSwitch::classCSwitch,
          &CUG_with_patches::classCUG_with_patches, &CContainer::classCContainer,
          &CLine2::classCLine2, &CPlug2::classCPlug2, &CPlugNameable::classCPlugNameable,
          &CPlugIO2::classCPlugIO2, &CPlugControled::classCPlugControled,
          &CPlugFeature::classCPlugFeature, &CPlugFeature2::classCPlugFeature2,
          &CPlugFeature3::classCPlugFeature3, &CControl::classCControl,
          &CControlPlugs::classCControlPlugs, &CFeedbackDelay::classCFeedbackDelay,
          &CLED::classCLED, &CPortal::classCPortal})
      classes.push_back(c);
  }
};
ClassTable& table() {
  static ClassTable t;
  return t;
}
}  // namespace

const DocClass* findDocClass(std::string_view name) {
  ClassTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (const DocClass* c : t.classes)
    if (name == c->name) return c;
  return nullptr;
}

void registerDocClass(const DocClass& c) {
  ClassTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  for (const DocClass* existing : t.classes)
    if (std::string_view(existing->name) == c.name) return;
  t.classes.push_back(&c);
}

CObject* createDocObject(std::string_view name) {
  const DocClass* c = findDocClass(name);
  return c && c->create ? c->create() : nullptr;
}

}  // namespace kv
