#pragma once
// Small visuals for the framework tests: coloured boxes that log their input, a root with
// a child list, and a document object with a panel rectangle.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/model/doc_ob.h"
#include "panel/visual/paint_object.h"
#include "panel/visual/tile_painter.h"
#include "panel/visual/wnd_ob.h"
#include "platform/window/headless_host.h"
#include "platform/window/top_window.h"

namespace kv::test {

class TestDoc : public CDocOb {
 public:
  explicit TestDoc(kv::Rect r = {}) : r_(r) {}
  ~TestDoc() override { announceDestruction(); }
  kv::Rect getRect(int32_t) override { return r_; }
  void setRect(int32_t kind, const kv::Rect& r) override {
    if (r == r_) return;
    r_ = r;
    notify(kNotifyRectChanged, kind);
  }

 private:
  kv::Rect r_;
};

class Box : public CPaintObject {
 public:
  explicit Box(VRect r = {}, gfx::Colour c = {200, 0, 0}, CDocOb* doc = nullptr) : CPaintObject(doc), colour(c) {
    if (!doc) SetRect(r);
  }
  void DrawBackground(gfx::DC& dc) override { dc.fill_rect(GetClientRect(), colour); }
  VSize GetPreferredSize() override { return preferred; }
  bool WantsFocus() override { return wantsFocus; }
  void HandleMouseDown(uint32_t f, int32_t x, int32_t y) override {
    log->push_back(name + " down " + std::to_string(x) + "," + std::to_string(y));
    CPaintObject::HandleMouseDown(f, x, y);
    if (captureOnPress) CaptureMouse();
    if (onPress) onPress(this);
  }
  void HandleMouseDrag(uint32_t, int32_t x, int32_t y) override {
    log->push_back(name + " drag " + std::to_string(x) + "," + std::to_string(y));
  }
  void HandleMouseUp(uint32_t f, int32_t x, int32_t y) override {
    log->push_back(name + " up " + std::to_string(x) + "," + std::to_string(y));
    CPaintObject::HandleMouseUp(f, x, y);
  }
  void HandleDoubleClick(uint32_t, int32_t, int32_t) override { log->push_back(name + " double"); }
  void HandleKeyPressed(int key, bool r, uint32_t f) override {
    log->push_back(name + " key " + std::to_string(key));
    CPaintObject::HandleKeyPressed(key, r, f);
  }
  void HandleCharacter(int key, bool r, uint32_t f) override {
    log->push_back(name + " char " + std::to_string(key));
    CPaintObject::HandleCharacter(key, r, f);
  }
  void OnKillFocus() override {
    log->push_back(name + " kill focus");
    CPaintObject::OnKillFocus();
  }
  void BuildContextMenu(ui::PopupMenu& menu, int32_t x, int32_t y) override {
    if (menuItems) menu.add("Remove", 40000);
    else CPaintObject::BuildContextMenu(menu, x, y);
  }
  void OnCommand(int32_t id, int32_t x, int32_t y) override {
    if (onCommand) onCommand(this, id);
  }
  std::string GetToolTipText() override { return tip; }

  gfx::Colour colour;
  VSize preferred{10, 10};
  bool wantsFocus = false;
  bool captureOnPress = false;
  bool menuItems = false;
  std::string name = "box";
  std::string tip;
  std::shared_ptr<std::vector<std::string>> log = std::make_shared<std::vector<std::string>>();
  std::function<void(Box*)> onPress;
  std::function<void(Box*, int32_t)> onCommand;
};

// A list visual with loose children (for tests that need a plain container).
class Panel : public CPaintObject {
 public:
  explicit Panel(VRect r = {}, uint32_t extraFlags = 0) {
    SetRect(r);
    setFlags(extraFlags);
  }
  ~Panel() override {
    if (isOpen()) CPaintObject::Close();
  }
  VPoint scroll{};
  VPoint GetScrollOffset() override { return scroll; }

 protected:
  std::vector<CVisualOb*>* childList() override { return &kids_; }

 private:
  std::vector<CVisualOb*> kids_;
};

class TestRoot : public CWndOb {
 public:
  ~TestRoot() override {
    if (isOpen()) CWndOb::Close();
  }
  void DrawContents(gfx::DC& dc) override {
    fastFill(dc, background);
    DrawChildren(dc);
  }
  gfx::Colour background{255, 255, 255};
  std::function<SkinInfo*()> skin;
  SkinInfo* GetSkin() override { return skin ? skin() : CWndOb::GetSkin(); }

 protected:
  std::vector<CVisualOb*>* childList() override { return &kids_; }

 private:
  std::vector<CVisualOb*> kids_;
};

// An editor with one root visual, driven headless.
struct Editor {
  explicit Editor(int w = 200, int h = 150) : top(clock), host(top, clock) {
    top.setSize(w, h);
    root.setHostWindow(&top);
    root.SetRect({0, 0, w, h});
  }
  ~Editor() { root.Close(); }
  void open() { root.Open(); }
  ui::FakeClock clock;
  ui::TopWindow top;
  ui::HeadlessHost host;
  TestRoot root;
};

}  // namespace kv::test
