#pragma once
// CVisualOb: the base of everything shown in the editor. A visual is a rectangle in its
// parent's coordinates, with a parent, children, behaviour flags (visual_flags.h), a tab
// order and an optional document object whose face it is.
//
// Coordinates. A point "relative to a visual" is measured from the visual's top-left corner.
// A parent with a scroll offset shows its children shifted by minus that offset. Every
// visual draws in its own coordinates: the painter moves the DC's origin to each child.
//
// Trees. Only window-backed visuals (CWndOb) have a platform window; the rest are drawn by
// their parents into the editor's back buffer. The per-editor records (focus, capture,
// keyboard sink, press time, back buffer) live in a PanelState shared by the tree.
//
// Ownership. A parent deletes the children flagged kOwned when it closes and closes the
// others. A visual flagged kDetachOnDestroy removes itself from its parent when destroyed.
// While events are dispatched, destroyVisual() takes a visual out of the tree at once and
// deletes it when the dispatch ends, so a handler may remove its own visual.
//
// Document objects. While open, a visual watches its document object: kNotifyRectChanged moves it to
// the object's rectangle, kNotifyObjectAdded raises the children of the argument, kNotifyDestroyed drops the
// link (the object is going away). With a document object the object's rectangle for the
// tree's view type is authoritative; without one the visual keeps its own.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/model/doc_ob.h"
#include "document/model/notifier.h"
#include "panel/visual/panel_state.h"
#include "panel/visual/visual_flags.h"
#include "platform/gfx/dc.h"
#include "platform/gfx/geometry.h"
#include "platform/ui/popup_list.h"

namespace kv {

namespace ui {
class Window;
}
class CWndOb;
class SkinInfo;
class it_visual_ob;

using VPoint = gfx::Point;
using VSize = gfx::Size;
using VRect = gfx::Rect;

class CVisualOb : public Notifiable {
 public:
  explicit CVisualOb(CDocOb* doc = nullptr);
  ~CVisualOb() override;
  CVisualOb(const CVisualOb&) = delete;
  CVisualOb& operator=(const CVisualOb&) = delete;

  // ---- virtual operations
  void onNotify(Notifier* from, int32_t code, intptr_t argument) override;
  virtual VPoint GetScrollOffset() { return {}; }
  virtual std::string GetToolTipText();
  virtual int32_t GetGridSize() { return 1; }
  virtual ui::Window* GetHostWindow();
  virtual SkinInfo* GetSkin();
  // A new iterator over the children; the caller deletes it.
  virtual it_visual_ob* CreateChildIterator();
  virtual void OnKeyPressed(int key, bool repeat, uint32_t flags);
  virtual void OnKeyReleased(int key, bool repeat, uint32_t flags);
  virtual void OnCharacter(int key, bool repeat, uint32_t flags) {}
  virtual VPoint LocalToScreen(VPoint p);
  virtual void CaptureMouse();
  virtual bool WantsFocus() { return false; }
  virtual void OnKillFocus();
  virtual int32_t GetViewType();
  virtual void MoveBy(int32_t dx, int32_t dy);
  virtual void OnChildActivated(CVisualOb* child, bool& wantFocus);
  virtual void OnChildReleased(CVisualOb* child);
  virtual void OnMouseDown(uint32_t flags, int32_t x, int32_t y);
  virtual void OnMouseUp(uint32_t flags, int32_t x, int32_t y);
  virtual void OnMouseDrag(uint32_t flags, int32_t x, int32_t y) {}
  virtual void OnDoubleClick(uint32_t flags, int32_t x, int32_t y) {}
  virtual void Draw(gfx::DC& dc) = 0;
  virtual void BringToFront();
  virtual void SetFocus();
  CDocOb* GetDocOb() const { return doc_; }
  virtual void SetDocOb(CDocOb* doc);
  virtual void SetSelected(bool on);
  virtual bool IsSelected();
  virtual void BuildContextMenu(ui::PopupMenu& menu, int32_t x, int32_t y);
  virtual void OnCommand(int32_t id, int32_t x, int32_t y);
  virtual void OnMoved(int32_t dx, int32_t dy);
  virtual void Close();
  virtual void Open();
  virtual void SetRect(const VRect& r);
  virtual VRect GetRect();
  virtual VRect GetClientRect() = 0;
  // VPoint relative to this visual; a transparent visual moves it by its scroll offset.
  virtual bool HitTest(VPoint& p);
  virtual void Invalidate(const VRect& r) {}
  virtual VSize GetPreferredSize() { return {10, 10}; }
  virtual void AddChild(CVisualOb* child, bool atFront);
  virtual void RemoveChild(CVisualOb* child);
  virtual void OnChildResized(CVisualOb* child);
  // Window-backed visuals answer themselves.
  virtual CWndOb* AsWndOb() { return nullptr; }

  // ---- operations of the framework
  CVisualOb* FindVisualAt(VPoint p);
  // A point relative to `from`, in this visual's coordinates.
  VPoint ConvertPoint(CVisualOb* from, VPoint p);
  CWndOb* NearestWindowAncestor();
  void TabTo(bool forward);
  void AddOwnedChild(CVisualOb* child, bool atFront);
  void AdoptChild(CVisualOb* child);
  // Takes the visual out of its tree now and deletes it when the current dispatch ends
  // (at once when none runs).
  static void destroyVisual(CVisualOb* v);

  // ---- fields
  uint32_t flags() const { return flags_; }
  bool hasFlag(uint32_t mask) const { return (flags_ & mask) != 0; }
  // Answer whether the word changed.
  bool setFlags(uint32_t mask);
  bool clearFlags(uint32_t mask);
  bool isOpen() const { return hasFlag(vf::kOpen); }
  bool isTransparent() const { return hasFlag(vf::kTransparent | vf::kTransparent2); }
  CVisualOb* parent() const { return parent_; }
  int32_t tabOrder() const { return tabOrder_; }
  void setTabOrder(int32_t t) { tabOrder_ = t; }
  // The children front to back (empty for visuals without any).
  const std::vector<CVisualOb*>& children() const;

  // The editor's shared records; made by the root window-backed visual.
  const std::shared_ptr<PanelState>& panelState() const { return state_; }
  void setPanelState(std::shared_ptr<PanelState> s);
  CVisualOb* root();
  // Top-left in the parent's coordinates.
  VPoint topLeft() { VRect r = GetRect(); return {r.left, r.top}; }

 protected:
  // The child list of container visuals (front to back), or null.
  virtual std::vector<CVisualOb*>* childList() { return nullptr; }
  // Draws the children back to front, each in its own coordinates, skipping the ones
  // outside the DC's clip.
  void DrawChildren(gfx::DC& dc);
  // Moves a child just added so that at least 20 pixels of it lie inside this visual.
  void MoveIntoView(CVisualOb* child);
  void watchDocOb(bool on);

  VRect rect_{};
  CDocOb* doc_ = nullptr;
  uint32_t flags_ = vf::kDetachOnDestroy;
  CVisualOb* parent_ = nullptr;
  int32_t tabOrder_ = -1;
  std::shared_ptr<PanelState> state_;

 private:
  friend class it_visual_ob_list;
  bool watching_ = false;
};

// Group behaviour shared by CGroup, GroupLoose and control_group: asked for the focus, a
// group passes it to its child with the lowest tab order (the highest while Shift is down).
bool giveFocusToGroupChild(CVisualOb* group, bool shiftDown);

}  // namespace kv
