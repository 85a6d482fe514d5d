#pragma once
// ToolTip: the tooltip of one editor. When the pointer rests on a window for InitialMs, the
// window is asked for its text at that point (Window::toolTipText); a non-empty text shows
// in a small box below the pointer, wrapped to at most MaxWidth pixels and kept inside the
// editor. The tip hides when the pointer moves to another window, leaves the editor, on any
// press, wheel or key, and after AutoPopMs; after a press it stays away until the pointer
// moves to another window.
#include <string>

#include "platform/window/window.h"

namespace kv::ui {

class TopWindow;

class ToolTip final : public Window {
public:
    static constexpr uint32_t InitialMs = 500, AutoPopMs = 5000;
    static constexpr int MaxWidth = 128;

    explicit ToolTip(TopWindow& root);
    void pointerMoved(Window* over, Point rootPoint);
    void dismiss(); // press, wheel, key: hide until the pointer moves to another window
    void cancel();  // pointer left the editor
    void forget(Window* w);
    bool showing() const { return isShown(); }
    const std::string& shownText() const { return text(); }

    void onPaint(gfx::DC& dc) override;
    void onTimer(int id) override;
    bool hitTest(Point) const override { return false; }

private:
    void hide();
    TopWindow& root_;
    Window* owner_ = nullptr;
    Point at_;
    bool suppressed_ = false;
};

} // namespace kv::ui
