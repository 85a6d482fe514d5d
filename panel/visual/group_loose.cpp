#include "panel/visual/group_loose.h"

#include <algorithm>
#include <climits>

#include "platform/window/events.h"

namespace kv {

namespace {

VSize looseNaturalSize(const std::vector<CVisualOb*>& children) {
  int64_t w = 0, h = 0;
  for (CVisualOb* c : children) {
    VRect r = c->GetRect();
    VSize s = c->GetPreferredSize();
    w = std::max(w, int64_t(r.left) + s.cx);
    h = std::max(h, int64_t(r.top) + s.cy);
  }
  return {gfx::sat32(w), gfx::sat32(h)};
}

// The true minimum of the children's edges (not a guess that leaves far children alone).
void normalise(const std::vector<CVisualOb*>& children) {
  if (children.empty()) return;
  int32_t minX = INT32_MAX, minY = INT32_MAX;
  for (CVisualOb* c : children) {
    VRect r = c->GetRect();
    minX = std::min(minX, r.left);
    minY = std::min(minY, r.top);
  }
  if (minX == 0 && minY == 0) return;
  std::vector<CVisualOb*> list = children;
  for (CVisualOb* c : list) c->SetRect(c->GetRect().offset(gfx::sat32(-int64_t(minX)), gfx::sat32(-int64_t(minY))));
}

bool shiftOf(const std::shared_ptr<PanelState>& s) { return s && (s->modifiers & ui::mk::Shift); }

}  // namespace

GroupLoose::GroupLoose(CDocOb* doc) : CPaintObject(doc) { setFlags(vf::kTransparent); }

GroupLoose::~GroupLoose() {
  if (isOpen()) CPaintObject::Close();
}

VSize GroupLoose::GetPreferredSize() { return looseNaturalSize(children_); }

void GroupLoose::SetRect(const VRect& r) {
  CPaintObject::SetRect(r);
  std::vector<CVisualOb*> list = children_;
  for (CVisualOb* c : list) {
    VRect cr = c->GetRect();
    VSize s = c->GetPreferredSize();
    c->SetRect(VRect::xywh(cr.left, cr.top, s.cx, s.cy));
  }
}

void GroupLoose::SetFocus() {
  if (!giveFocusToGroupChild(this, shiftOf(state_))) CPaintObject::SetFocus();
}

void GroupLoose::NormaliseChildPositions() { normalise(children_); }

control_group::control_group(CDocOb* doc) : CPaintObject(doc) {
  setFlags(vf::kTransparent2 | vf::kOwned | vf::kTransparent);
}

control_group::~control_group() {
  if (isOpen()) CPaintObject::Close();
}

VSize control_group::GetPreferredSize() { return looseNaturalSize(children_); }

void control_group::SetFocus() {
  if (!giveFocusToGroupChild(this, shiftOf(state_))) CPaintObject::SetFocus();
}

void control_group::NormaliseChildPositions() { normalise(children_); }

control_group_auto_size::control_group_auto_size(CDocOb* container, VisualFactory factory)
    : control_group(nullptr), containerDoc_(container), factory_(std::move(factory)) {
  setFlags(vf::kAutoSize | vf::kTransparent);
  if (containerDoc_) {
    container_ = containerDoc_;
    container_->attach(this);
  }
}

control_group_auto_size::~control_group_auto_size() {
  if (isOpen()) CPaintObject::Close();
  if (container_) container_->detach(this);
  for (CDocOb* d : watched_) d->detach(this);
  watched_.clear();
}

void control_group_auto_size::watch(CDocOb* doc, bool on) {
  if (!doc) return;
  auto it = std::find(watched_.begin(), watched_.end(), doc);
  if (on && it == watched_.end()) {
    doc->attach(this);
    watched_.push_back(doc);
  } else if (!on && it != watched_.end()) {
    for (CVisualOb* c : children_)
      if (c->GetDocOb() == doc) return;  // another child still shows it
    doc->detach(this);
    watched_.erase(it);
  }
}

void control_group_auto_size::AddChild(CVisualOb* child, bool atFront) {
  control_group::AddChild(child, atFront);
  if (child && child->parent() == this) {
    watch(child->GetDocOb(), true);
    Relayout();
  }
}

void control_group_auto_size::RemoveChild(CVisualOb* child) {
  bool mine = child && child->parent() == this;
  control_group::RemoveChild(child);
  if (mine) {
    watch(child->GetDocOb(), false);
    Relayout();
  }
}

VSize control_group_auto_size::GetPreferredSize() {
  bool any = false;
  VRect u{};
  for (CVisualOb* c : children_) {
    VRect r = c->GetRect();
    if (r.empty()) continue;
    if (!any) u = r;
    else u = {std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right), std::max(u.bottom, r.bottom)};
    any = true;
  }
  origin_ = {u.left, u.top};
  return {u.width(), u.height()};
}

void control_group_auto_size::Relayout() {
  VRect old = GetRect();
  VPoint oldOrigin = origin_;
  VSize s = GetPreferredSize();
  if (s.cx != old.width() || s.cy != old.height()) CPaintObject::SetRect(VRect::xywh(old.left, old.top, s.cx, s.cy));
  bool sameSize = s.cx == old.width() && s.cy == old.height();
  if (sameSize && origin_ == oldOrigin) return;
  if (parent_) parent_->OnChildResized(this);
  InvalidateInParent(old);
  InvalidateAll();
  if (!(origin_ == oldOrigin)) {
    int32_t dx = gfx::sat32(int64_t(origin_.x) - oldOrigin.x), dy = gfx::sat32(int64_t(origin_.y) - oldOrigin.y);
    std::vector<CVisualOb*> list = children_;
    for (CVisualOb* c : list) c->OnMoved(dx, dy);
  }
}

void control_group_auto_size::onNotify(Notifier* from, int32_t code, intptr_t argument) {
  DispatchScope scope(state_);
  if (code == kNotifyDestroyed) {
    if (from == container_) container_ = nullptr, containerDoc_ = nullptr;
    watched_.erase(std::remove_if(watched_.begin(), watched_.end(),
                                  [from](CDocOb* d) { return static_cast<Notifier*>(d) == from; }),
                   watched_.end());
    control_group::onNotify(from, code, argument);
    return;
  }
  if (from == container_ && container_) {
    if (code == kNotifyChildGoing) {
      auto* gone = reinterpret_cast<CDocOb*>(argument);
      std::vector<CVisualOb*> list = children_;
      for (CVisualOb* c : list)
        if (c->GetDocOb() == gone && c->parent() == this) destroyVisual(c);
      return;
    }
    if (code == kNotifyChildAdded) {
      auto* added = reinterpret_cast<CDocOb*>(argument);
      CVisualOb* v = factory_ && added ? factory_(added) : nullptr;
      if (!v) return;
      AddChild(v, false);
      v->Open();
      MoveIntoView(v);
      Relayout();
      return;
    }
  }
  if (code == kNotifyRectChanged) {
    // A child's rectangle changed (or the argument names another view: harmless).
    control_group::onNotify(from, code, argument);
    Relayout();
    return;
  }
  control_group::onNotify(from, code, argument);
}

}  // namespace kv
