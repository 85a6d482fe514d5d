#pragma once
// CPaintObject: a window-less visual, drawn by its parent into the editor's back buffer.
//
// Input arrives through the On* operations, which hand it to the Handle* operations below so
// that subclasses override one set of names. Drawing is DrawBackground followed by the
// children. Invalidation travels up, shifted by each visual's top-left, to the nearest
// window-backed visual; moving or resizing invalidates the old and the new rectangle.
#include "panel/visual/visual_ob.h"

namespace kv {

class CPaintObject : public CVisualOb {
 public:
  explicit CPaintObject(CDocOb* doc = nullptr) : CVisualOb(doc) {}
  ~CPaintObject() override;

  void onNotify(Notifier* from, int32_t code, intptr_t argument) override;
  void OnKeyPressed(int key, bool repeat, uint32_t flags) override { HandleKeyPressed(key, repeat, flags); }
  void OnKeyReleased(int key, bool repeat, uint32_t flags) override { HandleKeyReleased(key, repeat, flags); }
  void OnCharacter(int key, bool repeat, uint32_t flags) override { HandleCharacter(key, repeat, flags); }
  void OnMouseDown(uint32_t flags, int32_t x, int32_t y) override { HandleMouseDown(flags, x, y); }
  void OnMouseUp(uint32_t flags, int32_t x, int32_t y) override { HandleMouseUp(flags, x, y); }
  void OnMouseDrag(uint32_t flags, int32_t x, int32_t y) override { HandleMouseDrag(flags, x, y); }
  void OnDoubleClick(uint32_t flags, int32_t x, int32_t y) override { HandleDoubleClick(flags, x, y); }
  void Draw(gfx::DC& dc) override;
  VRect GetClientRect() override;
  void Invalidate(const VRect& r) override;
  void Open() override;
  void Close() override;
  void SetRect(const VRect& r) override;
  void SetSelected(bool on) override;
  void SetFocus() override;

  virtual void HandleKeyPressed(int key, bool repeat, uint32_t flags) { CVisualOb::OnKeyPressed(key, repeat, flags); }
  virtual void HandleKeyReleased(int key, bool repeat, uint32_t flags) { CVisualOb::OnKeyReleased(key, repeat, flags); }
  // Tab moves the focus forward (backward with Shift), Return forward.
  virtual void HandleCharacter(int key, bool repeat, uint32_t flags);
  virtual void DrawBackground(gfx::DC& dc) {}
  virtual void HandleMouseDown(uint32_t flags, int32_t x, int32_t y) { CVisualOb::OnMouseDown(flags, x, y); }
  virtual void HandleMouseUp(uint32_t flags, int32_t x, int32_t y) { CVisualOb::OnMouseUp(flags, x, y); }
  virtual void HandleMouseDrag(uint32_t flags, int32_t x, int32_t y) {}
  virtual void HandleDoubleClick(uint32_t flags, int32_t x, int32_t y) {}

  // Invalidates the whole visual.
  void InvalidateAll() { Invalidate(GetClientRect()); }

 protected:
  // Invalidates a rectangle given in the parent's coordinates.
  void InvalidateInParent(const VRect& r);

 private:
  VRect lastRect_{};
  bool rectSet_ = false;
};

}  // namespace kv
