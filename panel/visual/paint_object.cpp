#include "panel/visual/paint_object.h"

#include "panel/visual/wnd_ob.h"
#include "platform/window/events.h"

namespace kv {

CPaintObject::~CPaintObject() {
  if (isOpen()) CPaintObject::Close();
}

void CPaintObject::onNotify(Notifier* from, int32_t code, intptr_t argument) {
  if ((code == kNotifySelected || code == kNotifyRepaint) && hasFlag(vf::kRepaintOnSelect)) InvalidateAll();
  CVisualOb::onNotify(from, code, argument);
}

void CPaintObject::HandleCharacter(int key, bool repeat, uint32_t flags) {
  if (key == '\t') {
    bool shift = (flags & ui::mk::Shift) || (state_ && (state_->modifiers & ui::mk::Shift));
    TabTo(!shift);
  } else if (key == '\r') {
    TabTo(true);
  }
}

void CPaintObject::Draw(gfx::DC& dc) {
  DrawBackground(dc);
  DrawChildren(dc);
}

VRect CPaintObject::GetClientRect() {
  VRect r = GetRect();
  return {0, 0, r.width(), r.height()};
}

void CPaintObject::InvalidateInParent(const VRect& r) {
  if (!parent_ || r.empty()) return;
  VPoint s = parent_->GetScrollOffset();
  parent_->Invalidate(r.offset(-s.x, -s.y));
}

void CPaintObject::Invalidate(const VRect& r) {
  if (!isOpen() || !parent_) return;
  VPoint tl = topLeft();
  InvalidateInParent(r.offset(tl.x, tl.y));
}

void CPaintObject::Open() {
  CVisualOb::Open();
  InvalidateAll();
}

void CPaintObject::Close() {
  if (!isOpen()) return;
  InvalidateAll();
  CVisualOb::Close();
}

void CPaintObject::SetRect(const VRect& r) {
  if (rectSet_ && r == lastRect_) return;
  VRect old = rectSet_ ? lastRect_ : GetRect();
  lastRect_ = r;
  rectSet_ = true;
  CVisualOb::SetRect(r);
  if (old.left != r.left || old.top != r.top) {
    int32_t dx = gfx::sat32(int64_t(r.left) - old.left), dy = gfx::sat32(int64_t(r.top) - old.top);
    std::vector<CVisualOb*> list = children();
    for (CVisualOb* c : list) c->OnMoved(dx, dy);
  }
  if (isOpen()) {
    InvalidateInParent(old);
    InvalidateInParent(r);
  }
}

void CPaintObject::SetSelected(bool on) {
  CVisualOb::SetSelected(on);
  InvalidateAll();
}

void CPaintObject::SetFocus() {
  if (CWndOb* w = NearestWindowAncestor()) w->TakePlatformFocus();
  CVisualOb::SetFocus();
}

}  // namespace kv
