#include "panel/visual/wnd_ob.h"

#include "panel/skin/skin_manager.h"
#include "platform/window/top_window.h"

namespace kv {

// The platform window of a window-backed visual: hands everything to the visual.
class CWndOb::VisualWindow final : public ui::Window {
 public:
  explicit VisualWindow(CWndOb& owner) : owner_(owner) {}
  void onPaint(gfx::DC& dc) override { owner_.paintWindow(dc); }
  void onMouseDown(const ui::MouseEvent& e) override { owner_.routeMouseDown(e); }
  void onMouseMove(const ui::MouseEvent& e) override { owner_.routeMouseMove(e); }
  void onMouseUp(const ui::MouseEvent& e) override { owner_.routeMouseUp(e); }
  void onKeyDown(const ui::KeyEvent& e) override { owner_.routeKeyDown(e); }
  void onKeyUp(const ui::KeyEvent& e) override { owner_.routeKeyUp(e); }
  void onChar(const ui::CharEvent& e) override { owner_.routeChar(e); }
  bool onContextMenu(gfx::Point rootPoint) override { return owner_.routeContextMenu(rootToClient(rootPoint)); }
  void onCaptureLost() override {
    if (owner_.state_) owner_.state_->capture = nullptr;
  }
  std::string toolTipText(gfx::Point p) const override { return owner_.toolTipAt(p); }

 private:
  CWndOb& owner_;
};

CWndOb::~CWndOb() {
  if (isOpen()) CWndOb::Close();
  window_.reset();
}

ui::Window* CWndOb::GetHostWindow() { return window_ ? window_.get() : host_; }

SkinInfo* CWndOb::GetSkin() {
  if (parent_) return CVisualOb::GetSkin();
  return skins_ ? skins_->FindSkin("default") : nullptr;
}

void CWndOb::placeWindow() {
  if (!window_) return;
  VRect r = GetRect();
  VPoint at{r.left, r.top};
  if (parent_) {
    VPoint s = parent_->GetScrollOffset();
    at = {r.left - s.x, r.top - s.y};
    if (CWndOb* w = NearestWindowAncestor()) at = w->ConvertPoint(parent_, at);
  }
  window_->setRect(VRect::xywh(at.x, at.y, r.width(), r.height()));
  if (hasFlag(vf::kInvalidateOnResize)) window_->invalidate();
}

void CWndOb::SetRect(const VRect& r) {
  CVisualOb::SetRect(r);
  placeWindow();
}

VRect CWndOb::GetClientRect() {
  if (window_) return window_->clientRect();
  VRect r = GetRect();
  return {0, 0, r.width(), r.height()};
}

VPoint CWndOb::LocalToScreen(VPoint p) {
  if (window_) {
    VPoint o = window_->clientToRoot({0, 0});
    return {gfx::sat32(int64_t(o.x) + p.x), gfx::sat32(int64_t(o.y) + p.y)};
  }
  return CVisualOb::LocalToScreen(p);
}

void CWndOb::CaptureMouse() {
  if (window_) window_->captureMouse();
  if (state_) state_->capture = this;
}

void CWndOb::ReleasePlatformCapture() {
  if (window_ && window_->root())
    if (ui::Window* held = window_->root()->capture()) held->releaseCapture();
}

void CWndOb::OnKillFocus() { CVisualOb::OnKillFocus(); }

void CWndOb::TakePlatformFocus() {
  if (window_ && !window_->hasFocus()) window_->setFocus();
}

void CWndOb::SetFocus() {
  TakePlatformFocus();
  CVisualOb::SetFocus();
}

void CWndOb::Invalidate(const VRect& r) {
  if (isOpen() && window_) window_->invalidate(r);
}

void CWndOb::OnMoved(int32_t dx, int32_t dy) {
  if (window_) {
    VRect w = window_->rect();
    window_->move(gfx::sat32(int64_t(w.left) + dx), gfx::sat32(int64_t(w.top) + dy));
  }
}

void CWndOb::BringToFront() {
  if (window_) window_->raise();
}

void CWndOb::Open() {
  if (!state_) {
    if (parent_ && parent_->panelState()) setPanelState(parent_->panelState());
    else setPanelState(std::make_shared<PanelState>());
  }
  ui::Window* parentWindow = host_;
  if (CWndOb* w = NearestWindowAncestor()) parentWindow = w->window();
  if (parentWindow && !window_) {
    window_ = std::make_unique<VisualWindow>(*this);
    parentWindow->addChild(window_.get());
    if (ui::TopWindow* top = window_->root()) {
      state_->setClock(top->clock());
      // The editor's keys come to the top visual's window.
      if (!NearestWindowAncestor()) {
        window_->setTakesFocusOnClick(true);
        if (!top->focus() || top->focus() == top) window_->setFocus();
      }
    }
    placeWindow();
  }
  CVisualOb::Open();
  if (window_) window_->invalidate();
}

void CWndOb::Close() {
  if (!isOpen()) return;
  CVisualOb::Close();
  if (state_) state_->forget(this);
  window_.reset();
}

void CWndOb::noteModifiers(uint32_t flags) {
  if (!state_) return;
  state_->modifiers = flags;
  if (window_ && window_->root()) state_->modifiers = window_->root()->modifierFlags();
}

void CWndOb::routeMouseDown(const ui::MouseEvent& e) {
  DispatchScope scope(state_);
  noteModifiers(e.flags);
  if (e.button == ui::MouseButton::Right) {
    // The right button's press only activates; the menu comes with the request on release.
  }
  CVisualOb* target = FindVisualAt({e.x, e.y});
  VPoint p = target->ConvertPoint(this, {e.x, e.y});
  if (e.button == ui::MouseButton::Left) target->OnMouseDown(e.flags, p.x, p.y);
}

void CWndOb::routeMouseMove(const ui::MouseEvent& e) {
  DispatchScope scope(state_);
  noteModifiers(e.flags);
  if (!window_ || !window_->hasCapture() || !state_ || !state_->capture) return;
  CVisualOb* owner = state_->capture;
  VPoint p = owner->ConvertPoint(this, {e.x, e.y});
  owner->OnMouseDrag(e.flags, p.x, p.y);
}

void CWndOb::routeMouseUp(const ui::MouseEvent& e) {
  DispatchScope scope(state_);
  noteModifiers(e.flags);
  if (!window_ || !window_->hasCapture()) return;
  if (state_ && state_->capture) {
    CVisualOb* owner = state_->capture;
    VPoint p = owner->ConvertPoint(this, {e.x, e.y});
    owner->OnMouseUp(e.flags, p.x, p.y);
  }
  // The window's own handling ends the platform capture in any case.
  if (window_ && window_->hasCapture()) window_->releaseCapture();
}

void CWndOb::routeKeyDown(const ui::KeyEvent& e) {
  DispatchScope scope(state_);
  noteModifiers(e.flags);
  CVisualOb* to = state_ && state_->focus ? state_->focus : this;
  to->OnKeyPressed(e.key, e.repeat, e.flags);
}

void CWndOb::routeKeyUp(const ui::KeyEvent& e) {
  DispatchScope scope(state_);
  noteModifiers(e.flags);
  CVisualOb* to = state_ && state_->focus ? state_->focus : this;
  to->OnKeyReleased(e.key, e.repeat, e.flags);
}

void CWndOb::routeChar(const ui::CharEvent& e) {
  DispatchScope scope(state_);
  noteModifiers(e.flags);
  if (state_ && state_->focus && state_->focus != this) state_->focus->OnCharacter(e.ch, e.repeat, e.flags);
}

bool CWndOb::routeContextMenu(VPoint p) {
  DispatchScope scope(state_);
  if (state_ && state_->capture) return true;
  if (!GetClientRect().contains(p)) return false;
  CVisualOb* target = FindVisualAt(p);
  VPoint tp = target->ConvertPoint(this, p);
  bool want = true;
  if (target->parent()) target->parent()->OnChildActivated(target, want);
  ui::PopupMenu menu;
  target->BuildContextMenu(menu, tp.x, tp.y);
  if (menu.empty() || !window_ || !window_->root()) return true;
  int id = menu.track(*window_->root(), window_->clientToRoot(p));
  // The target stays alive until the dispatch ends, even when a command removes it.
  if (id != 0) target->OnCommand(id, tp.x, tp.y);
  return true;
}

std::string CWndOb::toolTipAt(VPoint p) {
  if (!GetClientRect().contains(p)) return {};
  CVisualOb* v = FindVisualAt(p);
  if (!v->hasFlag(vf::kToolTip)) return {};
  return v->GetToolTipText();
}

void CWndOb::paintWindow(gfx::DC& dc) {
  if (!state_) return;
  DispatchScope scope(state_);
  lastTiles_ = paintInTiles(dc, state_->tileBuffer(), [this](gfx::DC& mem) { DrawContents(mem); });
}

}  // namespace kv
