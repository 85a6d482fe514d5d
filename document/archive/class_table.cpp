#include "document/archive/class_table.h"

#include <stdexcept>

namespace kv {

bool ArchiveClass::isKindOf(const ArchiveClass& other) const {
  for (const ArchiveClass* c = this; c != nullptr; c = c->base) {
    if (c == &other) return true;
  }
  return false;
}

void ClassTable::add(const ArchiveClass& c) {
  std::string name(c.name);
  if (name.empty() || name.size() >= 64) {
    throw std::logic_error("archive class name must have 1 to 63 bytes: " + name);
  }
  if (!by_name_.emplace(std::move(name), &c).second) {
    throw std::logic_error(std::string("archive class registered twice: ") + c.name);
  }
}

const ArchiveClass* ClassTable::find(std::string_view name) const {
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

}  // namespace kv
