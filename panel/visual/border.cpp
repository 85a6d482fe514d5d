#include "panel/visual/border.h"

#include <algorithm>

namespace kv {

CBorder::~CBorder() {
  if (isOpen()) CPaintObject::Close();
}

void CBorder::AddChild(CVisualOb* c, bool atFront) {
  if (!c || c == child()) return;
  if (CVisualOb* old = child()) RemoveChild(old);
  CPaintObject::AddChild(c, atFront);
}

VSize CBorder::GetPreferredSize() {
  CVisualOb* c = child();
  if (!c) return {10, 10};
  VSize s = c->GetPreferredSize();
  int32_t f = frameWidth();
  return {gfx::sat32(int64_t(s.cx) + f), gfx::sat32(int64_t(s.cy) + f)};
}

void CBorder::SetRect(const VRect& r) {
  VRect g = r;
  int32_t f = frameWidth();
  if (CVisualOb* c = child()) {
    VSize s = c->GetPreferredSize();
    g.right = std::max(g.right, gfx::sat32(int64_t(g.left) + s.cx + f));
    g.bottom = std::max(g.bottom, gfx::sat32(int64_t(g.top) + s.cy + f));
  }
  CPaintObject::SetRect(g);
  if (CVisualOb* c = child()) c->SetRect({0, 0, gfx::sat32(int64_t(g.width()) - f), gfx::sat32(int64_t(g.height()) - f)});
}

void CBorder::DrawBackground(gfx::DC& dc) {
  if (GetViewType() == kViewPanel) return;
  VRect r = GetClientRect();
  dc.fill_rect({r.left, r.top, r.right, r.top + 1}, gfx::sys::grey);
  dc.fill_rect({r.left, r.top, r.left + 1, r.bottom}, gfx::sys::grey);
  dc.fill_rect({r.right - 1, r.top, r.right, r.bottom}, gfx::sys::button_shadow);
  dc.fill_rect({r.left, r.bottom - 1, r.right, r.bottom}, gfx::sys::button_shadow);
}

}  // namespace kv
