#pragma once
// PanelState: what one editor's visual tree shares. Each editor (root view) has its own, so
// two editors in one process never exchange focus, captures or keys:
//   - the focus visual, the capture owner and the keyboard sink;
//   - the time of the last button press (double-click test) and its clock;
//   - the 128 x 128 back buffer every window-less visual is painted into;
//   - the structural changes deferred to the end of event dispatch.
//
// Deferred changes. A handler may delete or rebuild visuals while a visual further up the
// call stack is still running (a context-menu command that removes its own control, a
// notification that rebuilds the panel). Input and notifications therefore run inside a
// DispatchScope; destroyVisual() takes a visual out of the tree at once (so nothing routes
// to it any more) but deletes it only when the outermost scope ends.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/window/clock.h"

namespace kv {

class CVisualOb;

class PanelState {
 public:
  static constexpr int32_t kTileSize = 128;

  explicit PanelState(ui::Clock& clock = ui::SteadyClock::instance()) : clock_(&clock) {}
  ~PanelState();

  ui::Clock& clock() const { return *clock_; }
  void setClock(ui::Clock& clock) { clock_ = &clock; }

  CVisualOb* focus = nullptr;
  CVisualOb* capture = nullptr;
  CVisualOb* keyboardSink = nullptr;
  uint64_t lastPressTime = 0;
  bool havePressed = false;
  // Modifier keys as last reported by the editor's window (mk:: bits).
  uint32_t modifiers = 0;

  gfx::Bitmap& tileBuffer();

  // Clears every record that points at a visual going away.
  void forget(const CVisualOb* v);

  // Runs `action` now, or at the end of the current dispatch.
  void defer(std::function<void()> action);
  bool dispatching() const { return depth_ > 0; }
  void enter() { ++depth_; }
  void leave();

 private:
  ui::Clock* clock_;
  std::unique_ptr<gfx::Bitmap> tiles_;
  int depth_ = 0;
  std::vector<std::function<void()>> deferred_;
};

class DispatchScope {
 public:
  explicit DispatchScope(std::shared_ptr<PanelState> s) : s_(std::move(s)) {
    if (s_) s_->enter();
  }
  ~DispatchScope() {
    if (s_) s_->leave();
  }
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;

 private:
  std::shared_ptr<PanelState> s_;  // keeps the state alive while the dispatch runs
};

}  // namespace kv
