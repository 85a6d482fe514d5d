#include "document/model/doc_iterators.h"

#include "document/model/container.h"
#include "document/model/plug.h"

namespace kv {

void it_doc_ob::first() {
  items_ = container_ ? container_->children() : std::vector<CDocOb*>{};
  index_ = 0;
}

void it_imbedded_doc_ob_recursive::first() {
  stack_.clear();
  stack_.push_back(std::make_unique<it_doc_ob>(root_));
  stack_.back()->first();
  popExhausted();
}

void it_imbedded_doc_ob_recursive::popExhausted() {
  while (!stack_.empty() && stack_.back()->isDone()) {
    stack_.pop_back();
    if (!stack_.empty()) stack_.back()->next();
  }
}

void it_imbedded_doc_ob_recursive::next() {
  if (stack_.empty()) return;
  auto* container = dynamic_cast<CContainer*>(stack_.back()->current());
  if (container && container->showsControls()) {
    stack_.push_back(std::make_unique<it_doc_ob>(container));
    stack_.back()->first();
  } else {
    stack_.back()->next();
  }
  popExhausted();
}

void it_parameter_container::skipNonParameters() {
  while (!walk_.isDone() && !dynamic_cast<generic_parameter*>(walk_.current())) walk_.next();
}

void it_parameter_container::first() {
  walk_.first();
  skipNonParameters();
}

void it_parameter_container::next() {
  walk_.next();
  skipNonParameters();
}

generic_parameter* it_parameter_container::current() {
  return dynamic_cast<generic_parameter*>(walk_.current());
}

namespace {
std::vector<generic_parameter*> plugParameters(CUG* module) {
  std::vector<generic_parameter*> out;
  if (!module) return out;
  for (CPlug2* p : module->plugs()) {
    const int dir = p->getDirection();
    if (dir == DR_IN || dir == DR_PARAMETER || (dir == DR_OUT && (p->getFlags() & kDeclTakeName)))
      out.push_back(p);
  }
  return out;
}
}  // namespace

it_parameter_cug_plugs::it_parameter_cug_plugs(CUG* module)
    : ListIterator<generic_parameter>(plugParameters(module)) {}

}  // namespace kv
