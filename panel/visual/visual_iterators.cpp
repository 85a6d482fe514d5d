#include "panel/visual/visual_iterators.h"

#include <algorithm>

#include "panel/visual/group.h"
#include "panel/visual/visual_ob.h"

namespace kv {

CVisualOb* it_visual_ob_list::removeCurrent() {
  if (isDone()) return nullptr;
  CVisualOb* c = (*list_)[pos_];
  owner_->RemoveChild(c);  // erases it: pos_ now names the next child
  return c;
}

bool it_visual_ob_list::find(CVisualOb* child) {
  auto it = std::find(list_->begin(), list_->end(), child);
  pos_ = size_t(it - list_->begin());
  return it != list_->end();
}

void it_visual_ob_list::addHead(CVisualOb* child) { owner_->AddChild(child, true); }
void it_visual_ob_list::addTail(CVisualOb* child) { owner_->AddChild(child, false); }

void it_visual_ob_list::insert(CVisualOb* child) {
  if (!child) return;
  size_t at = std::min(pos_, list_->size());
  owner_->AddChild(child, false);
  // Move it from the tail to the current position.
  auto it = std::find(list_->begin(), list_->end(), child);
  if (it != list_->end()) {
    list_->erase(it);
    list_->insert(list_->begin() + long(std::min(at, list_->size())), child);
  }
}

it_visual_ob_group::it_visual_ob_group(CGroup* group, std::vector<CVisualOb*>* list)
    : it_visual_ob_list(group, list), group_(group) {}

CVisualOb* it_visual_ob_group::removeCurrent() {
  // CGroup::RemoveChild drops the cell record too.
  return it_visual_ob_list::removeCurrent();
}

CVisualOb* it_visual_ob_single::removeCurrent() {
  if (isDone()) return nullptr;
  CVisualOb* c = *slot_;
  owner_->RemoveChild(c);
  done_ = true;
  return c;
}

void it_visual_ob_single::addHead(CVisualOb* child) { owner_->AddChild(child, true); }

}  // namespace kv
