#include "panel/visual/visual_ob.h"

#include <algorithm>

#include "panel/visual/visual_iterators.h"
#include "panel/visual/wnd_ob.h"
#include "platform/window/events.h"

namespace kv {

namespace {
const std::vector<CVisualOb*> kNoChildren;

VRect fromDoc(const kv::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
kv::Rect toDoc(const VRect& r) { return {r.left, r.top, r.right, r.bottom}; }
VPoint operator+(VPoint a, VPoint b) { return {gfx::sat32(int64_t(a.x) + b.x), gfx::sat32(int64_t(a.y) + b.y)}; }
VPoint operator-(VPoint a, VPoint b) { return {gfx::sat32(int64_t(a.x) - b.x), gfx::sat32(int64_t(a.y) - b.y)}; }
}  // namespace

CVisualOb::CVisualOb(CDocOb* doc) : doc_(doc) {}

CVisualOb::~CVisualOb() {
  // The most-derived classes close first; this closes what is left at the base level.
  if (isOpen()) CVisualOb::Close();
  watchDocOb(false);
  if (hasFlag(vf::kDetachOnDestroy) && parent_) parent_->RemoveChild(this);
  // Children that stay behind must not point at a parent that is gone.
  if (std::vector<CVisualOb*>* list = childList())
    for (CVisualOb* c : *list)
      if (c->parent_ == this) c->parent_ = nullptr;
  if (state_) state_->forget(this);
}

bool CVisualOb::setFlags(uint32_t mask) {
  uint32_t old = flags_;
  flags_ |= mask;
  return old != flags_;
}

bool CVisualOb::clearFlags(uint32_t mask) {
  uint32_t old = flags_;
  flags_ &= ~mask;
  return old != flags_;
}

const std::vector<CVisualOb*>& CVisualOb::children() const {
  std::vector<CVisualOb*>* list = const_cast<CVisualOb*>(this)->childList();
  return list ? *list : kNoChildren;
}

void CVisualOb::setPanelState(std::shared_ptr<PanelState> s) {
  if (state_ == s) return;
  if (state_) state_->forget(this);
  state_ = s;
  for (CVisualOb* c : children()) c->setPanelState(s);
}

CVisualOb* CVisualOb::root() {
  CVisualOb* v = this;
  while (v->parent_) v = v->parent_;
  return v;
}

void CVisualOb::watchDocOb(bool on) {
  if (on == watching_) return;
  if (!doc_) {
    watching_ = false;
    return;
  }
  if (on) doc_->attach(this);
  else doc_->detach(this);
  watching_ = on;
}

void CVisualOb::SetDocOb(CDocOb* doc) {
  if (doc == doc_) return;
  bool watch = watching_;
  watchDocOb(false);
  doc_ = doc;
  if (watch) watchDocOb(true);
}

void CVisualOb::onNotify(Notifier* from, int32_t code, intptr_t argument) {
  DispatchScope scope(state_);
  if (code == kNotifyDestroyed) {
    if (doc_ && from == static_cast<Notifier*>(doc_)) {
      // The object is going away: forget it, so nothing later unregisters from freed memory.
      doc_ = nullptr;
      watching_ = false;
    }
    return;
  }
  if (code == kNotifyRectChanged) {
    if (doc_ && from == static_cast<Notifier*>(doc_) && argument == GetViewType())
      SetRect(fromDoc(doc_->getRect(GetViewType())));
    return;
  }
  if (code == kNotifyObjectAdded) {
    // Collected first: raising reorders the list.
    std::vector<CVisualOb*> raise;
    const std::vector<CVisualOb*>& list = children();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
      if ((*it)->isOpen() && (*it)->doc_ && reinterpret_cast<intptr_t>((*it)->doc_) == argument) raise.push_back(*it);
    for (CVisualOb* c : raise) c->BringToFront();
  }
}

std::string CVisualOb::GetToolTipText() {
  if (hasFlag(vf::kToolTipFromParent) && parent_) return parent_->GetToolTipText();
  return {};
}

ui::Window* CVisualOb::GetHostWindow() { return parent_ ? parent_->GetHostWindow() : nullptr; }

SkinInfo* CVisualOb::GetSkin() { return parent_ ? parent_->GetSkin() : nullptr; }

it_visual_ob* CVisualOb::CreateChildIterator() {
  if (std::vector<CVisualOb*>* list = childList()) return new it_visual_ob_list(this, list);
  return new it_visual_ob_list_empty();
}

void CVisualOb::OnKeyPressed(int key, bool repeat, uint32_t flags) {
  if (state_ && state_->keyboardSink && state_->keyboardSink != this)
    state_->keyboardSink->OnKeyPressed(key, repeat, flags);
}

void CVisualOb::OnKeyReleased(int key, bool repeat, uint32_t flags) {
  if (state_ && state_->keyboardSink && state_->keyboardSink != this)
    state_->keyboardSink->OnKeyReleased(key, repeat, flags);
}

VPoint CVisualOb::LocalToScreen(VPoint p) {
  if (!parent_) return p + topLeft();
  return parent_->LocalToScreen(p + topLeft() - parent_->GetScrollOffset());
}

void CVisualOb::CaptureMouse() {
  if (parent_) parent_->CaptureMouse();
  if (state_) state_->capture = this;
}

void CVisualOb::OnKillFocus() {
  if (state_) state_->focus = nullptr;
}

int32_t CVisualOb::GetViewType() { return parent_ ? parent_->GetViewType() : kViewPanel; }

void CVisualOb::MoveBy(int32_t dx, int32_t dy) {
  int64_t g = parent_ ? std::max(parent_->GetGridSize(), 1) : 1;
  auto snap = [g](int64_t v) {
    int64_t t = v + g / 2;
    int64_t q = t / g - ((t % g != 0 && t < 0) ? 1 : 0);  // floor division
    return q * g;
  };
  VRect r = GetRect();
  int64_t cx = (int64_t(r.left) + r.right) / 2;
  int64_t ox = snap(cx + dx) - cx, oy = snap(int64_t(r.top) + dy) - r.top;
  if (ox == 0 && oy == 0) return;
  SetRect(r.offset(gfx::sat32(ox), gfx::sat32(oy)));
}

void CVisualOb::OnChildActivated(CVisualOb* child, bool& wantFocus) {
  if (wantFocus && child && child->WantsFocus()) {
    child->SetFocus();
    wantFocus = false;
  }
  if (parent_) parent_->OnChildActivated(this, wantFocus);
}

void CVisualOb::OnChildReleased(CVisualOb* child) {
  if (parent_) parent_->OnChildReleased(this);
}

void CVisualOb::OnMouseDown(uint32_t flags, int32_t x, int32_t y) {
  if (state_) {
    uint64_t now = state_->clock().nowMs();
    if (state_->havePressed && now < state_->lastPressTime + 200) OnDoubleClick(flags, x, y);
    state_->lastPressTime = now;
    state_->havePressed = true;
  }
  bool want = true;
  if (parent_) parent_->OnChildActivated(this, want);
}

void CVisualOb::OnMouseUp(uint32_t flags, int32_t x, int32_t y) {
  if (state_ && state_->capture) {
    state_->capture = nullptr;
    if (CWndOb* w = root()->AsWndOb()) w->ReleasePlatformCapture();
  }
  if (parent_) parent_->OnChildReleased(this);
}

void CVisualOb::BringToFront() {
  std::vector<CVisualOb*> list = children();
  for (CVisualOb* c : list) c->BringToFront();
}

void CVisualOb::SetFocus() {
  if (!state_) return;
  CVisualOb* previous = state_->focus;
  if (previous && previous != this) previous->OnKillFocus();
  state_->focus = this;
}

void CVisualOb::SetSelected(bool on) {
  if (doc_ && doc_->isSelected() != on) doc_->setSelected(on, true);
}

bool CVisualOb::IsSelected() { return doc_ ? doc_->isSelected() : false; }

void CVisualOb::BuildContextMenu(ui::PopupMenu& menu, int32_t x, int32_t y) {
  if (hasFlag(vf::kTransparent | vf::kMenuToParent)) {
    if (parent_) {
      VPoint p = VPoint{x, y} + topLeft() - parent_->GetScrollOffset();
      parent_->BuildContextMenu(menu, p.x, p.y);
    }
    return;
  }
  // Document objects add no items of their own in the panel view.
}

void CVisualOb::OnCommand(int32_t id, int32_t x, int32_t y) {
  if ((id > 32907 && id < 33909) || !doc_) {
    if (parent_) {
      VPoint p = VPoint{x, y} + topLeft() - parent_->GetScrollOffset();
      parent_->OnCommand(id, p.x, p.y);
    }
    return;
  }
  doc_->onCommand(id);
}

void CVisualOb::OnMoved(int32_t dx, int32_t dy) {
  std::vector<CVisualOb*> list = children();
  for (CVisualOb* c : list) c->OnMoved(dx, dy);
}

void CVisualOb::Close() {
  if (!isOpen()) return;
  std::vector<CVisualOb*> list = children();
  for (CVisualOb* c : list) {
    if (c->parent_ != this) continue;  // gone meanwhile
    if (c->hasFlag(vf::kOwned)) destroyVisual(c);
    else c->Close();
  }
  clearFlags(vf::kOpen);
  watchDocOb(false);
}

void CVisualOb::Open() {
  setFlags(vf::kOpen);
  if (!state_ && parent_ && parent_->state_) setPanelState(parent_->state_);
  watchDocOb(true);
  std::vector<CVisualOb*> list = children();
  for (CVisualOb* c : list)
    if (c->parent_ == this && !c->isOpen()) c->Open();
}

void CVisualOb::SetRect(const VRect& r) {
  if (doc_) doc_->setRect(GetViewType(), toDoc(r));
  else rect_ = r;
}

VRect CVisualOb::GetRect() { return doc_ ? fromDoc(doc_->getRect(GetViewType())) : rect_; }

bool CVisualOb::HitTest(VPoint& p) {
  if (!GetClientRect().contains(p)) return false;
  if (!isTransparent()) return true;
  p = p + GetScrollOffset();
  for (CVisualOb* c : children()) {
    if (!c->isOpen()) continue;
    VPoint q = p - c->topLeft();
    if (c->HitTest(q)) return true;
  }
  return false;
}

CVisualOb* CVisualOb::FindVisualAt(VPoint p) {
  if (!isTransparent()) p = p + GetScrollOffset();
  for (CVisualOb* c : children()) {
    if (!c->isOpen()) continue;
    VPoint q = p - c->topLeft();
    if (c->HitTest(q)) return c->FindVisualAt(q);
  }
  return this;
}

VPoint CVisualOb::ConvertPoint(CVisualOb* from, VPoint p) {
  return p + from->LocalToScreen({0, 0}) - LocalToScreen({0, 0});
}

CWndOb* CVisualOb::NearestWindowAncestor() {
  for (CVisualOb* v = parent_; v; v = v->parent_)
    if (CWndOb* w = v->AsWndOb()) return w;
  return nullptr;
}

void CVisualOb::AddChild(CVisualOb* child, bool atFront) {
  std::vector<CVisualOb*>* list = childList();
  if (!list || !child || child == this) return;
  if (child->parent_) child->parent_->RemoveChild(child);
  if (atFront) list->insert(list->begin(), child);
  else list->push_back(child);
  child->parent_ = this;
  if (state_) child->setPanelState(state_);
}

void CVisualOb::RemoveChild(CVisualOb* child) {
  std::vector<CVisualOb*>* list = childList();
  if (!list || !child) return;
  auto it = std::find(list->begin(), list->end(), child);
  if (it == list->end()) return;
  list->erase(it);
  if (child->parent_ == this) child->parent_ = nullptr;
}

void CVisualOb::OnChildResized(CVisualOb* child) {
  if (!hasFlag(vf::kAutoSize)) return;
  VSize s = GetPreferredSize();
  VRect r = GetRect();
  SetRect(VRect::xywh(r.left, r.top, s.cx, s.cy));
  if (parent_) parent_->OnChildResized(this);
}

void CVisualOb::AddOwnedChild(CVisualOb* child, bool atFront) {
  if (!child) return;
  child->setFlags(vf::kOwned);
  AddChild(child, atFront);
}

void CVisualOb::AdoptChild(CVisualOb* child) {
  if (!child) return;
  AddChild(child, false);
  child->clearFlags(vf::kDetachOnDestroy);
}

void CVisualOb::destroyVisual(CVisualOb* v) {
  if (!v) return;
  std::shared_ptr<PanelState> state = v->state_;
  v->Close();
  if (v->parent_) v->parent_->RemoveChild(v);
  if (state) {
    state->forget(v);
    state->defer([v] { delete v; });
  } else {
    delete v;
  }
}

void CVisualOb::DrawChildren(gfx::DC& dc) {
  VPoint scroll = GetScrollOffset();
  const std::vector<CVisualOb*>& list = children();
  for (size_t i = list.size(); i-- > 0;) {
    CVisualOb* c = list[i];
    if (!c->isOpen()) continue;
    VRect r = c->GetRect().offset(-scroll.x, -scroll.y);
    if (!dc.rect_visible(r)) continue;
    dc.offset_origin(r.left, r.top);
    c->Draw(dc);
    dc.offset_origin(-r.left, -r.top);
  }
}

void CVisualOb::MoveIntoView(CVisualOb* child) {
  VPoint s = GetScrollOffset();  // the visible area in the children's coordinates
  VRect p = GetClientRect().offset(s.x, s.y);
  VRect c = child->GetRect();
  auto shift = [](int64_t pl, int64_t pr, int64_t cl, int64_t cr) {
    return std::max<int64_t>(0, pl - cr + 20) - std::max<int64_t>(0, cl - pr + 20);
  };
  int64_t dx = shift(p.left, p.right, c.left, c.right);
  int64_t dy = shift(p.top, p.bottom, c.top, c.bottom);
  if (dx != 0 || dy != 0) child->SetRect(c.offset(gfx::sat32(dx), gfx::sat32(dy)));
}

void CVisualOb::TabTo(bool forward) {
  CVisualOb* v = this;
  CVisualOb* wrap = nullptr;
  for (;;) {
    CVisualOb* p = v->parent_;
    if (!p) break;
    CVisualOb* candidate = nullptr;
    wrap = nullptr;
    for (CVisualOb* s : p->children()) {
      if (s->tabOrder_ < 0) continue;
      if (forward) {
        if (s->tabOrder_ > v->tabOrder_ && (!candidate || s->tabOrder_ < candidate->tabOrder_)) candidate = s;
        if (!wrap || s->tabOrder_ < wrap->tabOrder_) wrap = s;
      } else {
        if (s->tabOrder_ < v->tabOrder_ && (!candidate || s->tabOrder_ > candidate->tabOrder_)) candidate = s;
        if (!wrap || s->tabOrder_ > wrap->tabOrder_) wrap = s;
      }
    }
    if (candidate) {
      candidate->SetFocus();
      return;
    }
    if (p->tabOrder_ >= 0) {
      v = p;
      continue;
    }
    break;
  }
  CWndOb* window = NearestWindowAncestor();
  if (wrap) {
    if (state_ && state_->focus == wrap && window) window->SetFocus();
    wrap->SetFocus();
  } else if (window) {
    window->SetFocus();
  }
}

bool giveFocusToGroupChild(CVisualOb* group, bool shiftDown) {
  CVisualOb* best = nullptr;
  for (CVisualOb* c : group->children()) {
    if (c->tabOrder() < 0) continue;
    if (!best || (shiftDown ? c->tabOrder() > best->tabOrder() : c->tabOrder() < best->tabOrder())) best = c;
  }
  if (!best) return false;
  best->SetFocus();
  return true;
}

}  // namespace kv
