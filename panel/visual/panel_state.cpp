#include "panel/visual/panel_state.h"

namespace kv {

PanelState::~PanelState() {
  // Deferred work still queued (a scope was never closed) runs now rather than leaking.
  std::vector<std::function<void()>> left;
  left.swap(deferred_);
  for (auto& f : left) f();
}

gfx::Bitmap& PanelState::tileBuffer() {
  if (!tiles_) tiles_ = std::make_unique<gfx::Bitmap>(kTileSize, kTileSize);
  return *tiles_;
}

void PanelState::forget(const CVisualOb* v) {
  if (focus == v) focus = nullptr;
  if (capture == v) capture = nullptr;
  if (keyboardSink == v) keyboardSink = nullptr;
}

void PanelState::defer(std::function<void()> action) {
  if (depth_ > 0) deferred_.push_back(std::move(action));
  else action();
}

void PanelState::leave() {
  if (--depth_ > 0) return;
  // Deferred actions may defer more (a deletion closing children): run until none is left,
  // as one more dispatch level so that they queue instead of running nested.
  while (!deferred_.empty()) {
    std::vector<std::function<void()>> now;
    now.swap(deferred_);
    ++depth_;
    for (auto& f : now) f();
    --depth_;
  }
}

}  // namespace kv
