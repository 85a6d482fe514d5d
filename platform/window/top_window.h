#pragma once
// TopWindow: the top of one editor's window tree, and everything that belongs to one editor.
//
// A back end (headless or X11) owns the native surface and feeds the root with input in root
// coordinates; the root routes it:
//   - presses go to the deepest visible, enabled window under the point (or to the capture
//     window); a window that takes focus on click gets the focus first; presses on a built-in
//     scroll bar are handled by the window system;
//   - moves and releases go to the capture window, else to the window under the point;
//     leaving a window sends it onMouseLeave; the cursor follows the window under the mouse;
//   - the wheel goes to the window under the point and bubbles to its parents until handled;
//     releasing the right button asks for a context menu the same way;
//   - keys and characters go to the focus window, or to the root when nothing has focus.
// While modal windows are open (menus, message boxes, dialogs), mouse input outside the
// topmost one is refused (a press there is reported to it, which is how menus close) and keys
// go to it when the focus lies outside it.
//
// Focus, capture, hover, key state, timers, the last-press time and the invalid region are
// members here: two editors in one process never share them.
//
// Painting: invalidations collect in an exact region (disjoint rectangles, root coordinates);
// paint() repaints each rectangle into the editor's backing bitmap, walking the tree back to front
// with clip = rectangle ∩ window ∩ every ancestor's client area, and hands the painted
// rectangles to the back end to present.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/window/clock.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/region.h"
#include "platform/text/font.h"
#include "platform/window/tool_tip.h"
#include "platform/window/window.h"

namespace kv::ui {

using gfx::Bitmap;

// What a back end offers the window system.
class Surface {
public:
    virtual ~Surface() = default;
    // Copy the given rectangles of the backing bitmap to the screen.
    virtual void present(const Bitmap& backing, const std::vector<Rect>& rects) = 0;
    virtual void setCapture(bool captured) { (void)captured; }
    virtual void setCursor(Cursor c) { (void)c; }
    // The editor wants the native keyboard focus (a click into a control that takes it).
    virtual void requestFocus() {}
    // Nested event loop of a modal window: pump input, timers and painting until done()
    // answers true. Answers false when it had to give up (the headless script ran out, the
    // native window went away); the caller then cancels the modal window.
    virtual bool runModal(const std::function<bool()>& done) = 0;
};

class TopWindow : public Window {
public:
    explicit TopWindow(Clock& clock = SteadyClock::instance());
    ~TopWindow() override;

    Clock& clock() const { return clock_; }
    void setSurface(Surface* s) { surface_ = s; }
    Surface* surface() const { return surface_; }
    // The size of the editor: resizes the backing bitmap and invalidates everything.
    void setSize(int width, int height);

    // ---- input from the back end (root coordinates)
    void mouseDown(Point p, MouseButton b, uint32_t flags);
    void mouseUp(Point p, MouseButton b, uint32_t flags);
    void mouseMove(Point p, uint32_t flags);
    void mouseWheel(Point p, int delta, uint32_t flags);
    void mouseLeft(); // the pointer left the editor
    void keyDown(int key);
    void keyUp(int key);
    void character(uint8_t ch);
    void nativeFocus(bool in);
    void nativeCaptureLost();
    // Fires every timer whose time has come (each at most once per call).
    void runTimers();
    // Milliseconds until the next timer is due (0 when overdue), or -1 without timers.
    int64_t msUntilNextTimer() const;

    // ---- per-editor records
    Window* focus() const { return focus_; }
    Window* capture() const { return capture_; }
    Window* hover() const { return hover_; }
    bool isKeyDown(int key) const { return key >= 0 && key < key::Count && keys_[key]; }
    uint32_t modifierFlags() const; // mk::Shift | mk::Control as currently down
    // Time of the last button press, for the panel's double-click test.
    uint64_t lastPressTime = 0;
    // The font controls use when they were given none (the editor's "control_edit" font).
    void setDefaultFont(std::shared_ptr<const gfx::Font> f) { defaultFont_ = std::move(f); }
    const std::shared_ptr<const gfx::Font>& defaultFont() const { return defaultFont_; }

    void setFocusTo(Window* w);
    void setCaptureTo(Window* w);
    void releaseCaptureFrom(Window* w);

    // Deepest visible, enabled window under a root point (the root itself at least, when
    // the point is inside it); nullptr outside.
    Window* windowAt(Point p);

    // ---- painting
    void invalidateRoot(const Rect& r);
    bool needsPaint() const { return !invalid_.empty(); }
    // Repaints the invalid region into the backing bitmap and presents it. Answers the
    // rectangles painted.
    std::vector<Rect> paint();
    // Repaints everything (used for screenshots of a known state).
    void paintAll();
    const Bitmap& backing() const { return *backing_; }

    // ---- timers
    void setTimerFor(Window* w, int id, uint32_t intervalMs);
    void killTimerFor(Window* w, int id);

    // ---- modal windows
    // Runs a nested loop until done() answers true. outsidePress is called for a press
    // outside the window (menus close themselves there). Answers false when the back end
    // gave up or there is no back end; the caller cancels then.
    bool runModal(Window& w, const std::function<bool()>& done, std::function<void()> outsidePress = {});
    bool inModal() const { return !modal_.empty(); }

    // The editor's tooltip (a child of this window, shown above everything).
    const ToolTip& toolTip() const { return *tip_; }

private:
    friend class Window;
    struct Timer {
        Window* window;
        int id;
        uint32_t interval;
        uint64_t due;
    };
    struct Modal {
        Window* window;
        std::function<void()> outsidePress;
    };
    void forgetWindow(Window* w); // called while a window leaves the tree
    void paintWindow(Window* w, const Rect& clip);
    Window* modalTop() const { return modal_.empty() ? nullptr : modal_.back().window; }
    void setHover(Window* w);

    Clock& clock_;
    Surface* surface_ = nullptr;
    std::unique_ptr<Bitmap> backing_;
    gfx::Region invalid_;
    Window* focus_ = nullptr;
    Window* lastFocus_ = nullptr; // restored when the editor gets the native focus back
    Window* capture_ = nullptr;
    Window* hover_ = nullptr;
    bool keys_[key::Count] = {};
    std::vector<Timer> timers_;
    std::vector<Modal> modal_;
    std::shared_ptr<const gfx::Font> defaultFont_;
    std::unique_ptr<ToolTip> tip_;
};

} // namespace kv::ui
