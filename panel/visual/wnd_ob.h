#pragma once
// CWndOb: a visual with a platform window of its own (the root of every editor's tree, and
// a few special visuals). Its window is made in Open and destroyed in Close, inside the
// window of its nearest window-backed ancestor, or inside the host window given to the root.
//
// The window-backed visual at the top of a window routes the window's input to the visuals:
//   - a press goes to FindVisualAt(point), in that visual's coordinates;
//   - moves and the release go to the capture owner, only while the window holds the
//     platform capture (moves without capture are not routed);
//   - keys go to the focus visual (to this visual when there is none), characters only to
//     a focus visual other than this one;
//   - a context-menu request (when no visual holds the capture) builds a popup menu from the
//     visual under the point and sends it the chosen command;
//   - tooltips come from the visual under the pointer when it is flagged kToolTip.
// Every event runs inside a DispatchScope, so visuals removed by a handler are deleted only
// when the event is done.
//
// Painting goes through the editor's 128 x 128 back buffer in tiles (tile_painter.h).
#include <memory>
#include <vector>

#include "panel/visual/tile_painter.h"
#include "panel/visual/visual_ob.h"
#include "platform/window/window.h"

namespace kv {

class SkinManager;

class CWndOb : public CVisualOb {
 public:
  explicit CWndOb(CDocOb* doc = nullptr) : CVisualOb(doc) {}
  ~CWndOb() override;

  // The root's platform parent (the editor's top window or a window inside it).
  void setHostWindow(ui::Window* host) { host_ = host; }
  ui::Window* window() const { return window_.get(); }
  // The editor's skins: the top visual answers their "default" skin.
  void setSkinManager(SkinManager* skins) { skins_ = skins; }

  CWndOb* AsWndOb() override { return this; }
  ui::Window* GetHostWindow() override;
  SkinInfo* GetSkin() override;
  void SetRect(const VRect& r) override;
  VRect GetClientRect() override;
  VPoint LocalToScreen(VPoint p) override;
  void CaptureMouse() override;
  void OnKillFocus() override;
  void SetFocus() override;
  void Invalidate(const VRect& r) override;
  void OnMoved(int32_t dx, int32_t dy) override;
  void BringToFront() override;
  void Close() override;
  void Open() override;
  // A window paints itself; its parent's painter has nothing to draw for it.
  void Draw(gfx::DC& dc) override {}
  virtual VPoint GetWindowOrigin() { return {}; }

  // What the tiles show: by default the children.
  virtual void DrawContents(gfx::DC& dc) { DrawChildren(dc); }

  void TakePlatformFocus();
  void ReleasePlatformCapture();
  const std::vector<Tile>& lastTiles() const { return lastTiles_; }

  // Input from the window (client coordinates); public for the window and for tests.
  void routeMouseDown(const ui::MouseEvent& e);
  void routeMouseMove(const ui::MouseEvent& e);
  void routeMouseUp(const ui::MouseEvent& e);
  void routeKeyDown(const ui::KeyEvent& e);
  void routeKeyUp(const ui::KeyEvent& e);
  void routeChar(const ui::CharEvent& e);
  bool routeContextMenu(VPoint clientPoint);
  std::string toolTipAt(VPoint clientPoint);
  void paintWindow(gfx::DC& dc);

 private:
  class VisualWindow;
  void placeWindow();
  void noteModifiers(uint32_t flags);

  ui::Window* host_ = nullptr;
  SkinManager* skins_ = nullptr;
  std::unique_ptr<ui::Window> window_;
  std::vector<Tile> lastTiles_;
};

}  // namespace kv
