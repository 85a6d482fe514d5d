#pragma once
// Window: one node of the window tree that stands in for the platform's child windows.
//
// An editor owns exactly one native surface (an X11 child window, or a bitmap when headless);
// inside it lives a tree of these light windows. Each has a rectangle in its parent's client
// coordinates, a visibility flag, a z-order (children are kept back to front: the last child
// is drawn last and is hit first), optional built-in scroll bars that take room from the
// client area, a cursor, and overridable handlers for painting and input.
//
// The tree does not own its nodes: whoever creates a window keeps it (usually as a member or
// unique_ptr) and destroying it detaches it from its parent and from its children, kills its
// timers and drops it from the focus, capture and hover records of its editor. That keeps the
// ownership rules of the panel code (visuals create their windows on Open and destroy them on
// Close) free of double deletes.
//
// Per-editor state (focus, capture, key state, timers, the invalid region) lives in the
// TopWindow at the top of the tree, never in globals, so two editors in one process are
// independent.
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/colour.h"

#include "platform/window/events.h"
#include "platform/window/geometry.h"

namespace kv::gfx {
class DC;
}

namespace kv::ui {

using gfx::DC;
class TopWindow;

// Scroll-bar state, as the platform's SCROLLINFO: range min..max, page size, position.
struct ScrollInfo {
    int min = 0, max = 0, page = 0, pos = 0;
    friend bool operator==(const ScrollInfo&, const ScrollInfo&) = default;
    // Largest position the thumb can reach: max - max(page - 1, 0).
    int maxPos() const;
};

namespace ws {
constexpr uint32_t HScroll = 0x1, VScroll = 0x2;
} // namespace ws

class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // ---- tree and z-order
    // Adds the child on top (front) of its siblings, or at the back. Detaches it from a
    // previous parent first. Invalidates its area.
    void addChild(Window* child, bool front = true);
    void removeChild(Window* child);
    void detach();
    Window* parent() const { return parent_; }
    const std::vector<Window*>& children() const { return children_; } // back to front
    void raise(); // to the front of its siblings
    void lower(); // to the back
    TopWindow* root() const;
    bool isAncestorOf(const Window* w) const; // true for w == this too

    // ---- geometry (rectangle in the parent's client coordinates)
    const Rect& rect() const { return rect_; }
    void setRect(const Rect& r);
    void move(int x, int y) { setRect(Rect::xywh(x, y, rect_.width(), rect_.height())); }
    // Client area in own coordinates: (0,0) to the size minus any scroll bars.
    Rect clientRect() const;
    // Conversions between own client coordinates and the root's.
    Point clientToRoot(Point p) const;
    Point rootToClient(Point p) const;
    // This window's whole area (client and scroll bars) in root coordinates, clipped to
    // every ancestor's client area; empty when hidden or detached.
    Rect visibleRootRect() const;

    // ---- state
    void show(bool visible);
    bool isShown() const { return shown_; }
    bool isVisible() const; // shown together with all ancestors, and attached to a root
    void enable(bool enabled);
    bool isEnabled() const; // self and all ancestors
    void setStyle(uint32_t style);
    uint32_t style() const { return style_; }
    void setCursor(Cursor c) { cursor_ = c; }
    Cursor cursor() const { return cursor_; }
    int id() const { return id_; }
    void setId(int id) { id_ = id; }
    const std::string& text() const { return text_; }
    virtual void setText(const std::string& text);
    // Whether a click into the window takes the keyboard focus by itself.
    void setTakesFocusOnClick(bool on) { focusOnClick_ = on; }
    bool takesFocusOnClick() const { return focusOnClick_; }

    // ---- painting
    // Colour the client area is erased with before onPaint; none (the default for child
    // windows) leaves what lies below, which suits windows that paint every pixel.
    void setBackground(std::optional<gfx::Colour> c);
    const std::optional<gfx::Colour>& background() const { return background_; }
    void invalidate();                // whole window, scroll bars included
    void invalidate(const Rect& r);   // client coordinates
    void update();                    // paint the pending invalid region now

    // ---- focus, capture, timers (all kept by the window's editor)
    void setFocus();
    bool hasFocus() const;
    void captureMouse();
    void releaseCapture();
    bool hasCapture() const;
    void setTimer(int id, uint32_t intervalMs);
    void killTimer(int id);

    // ---- built-in scroll bars (shown with the ws::HScroll / ws::VScroll styles)
    void setScrollInfo(ScrollBarKind bar, const ScrollInfo& info);
    const ScrollInfo& scrollInfo(ScrollBarKind bar) const;
    int scrollPos(ScrollBarKind bar) const { return scrollInfo(bar).pos; }
    void setScrollPos(ScrollBarKind bar, int pos);
    static constexpr int ScrollBarSize = 16;

    // ---- handlers, overridden by concrete windows
    // Paint the client area: the DC's origin is the client top-left, its clip the part that
    // needs painting. Children are painted afterwards, on top.
    virtual void onPaint(DC& dc);
    virtual void onMouseDown(const MouseEvent& e);
    virtual void onMouseUp(const MouseEvent& e);
    virtual void onMouseMove(const MouseEvent& e);
    virtual void onMouseLeave();
    // Wheel and context-menu requests bubble to the parent while a handler answers false.
    virtual bool onMouseWheel(const MouseEvent& e);
    virtual bool onContextMenu(Point rootPoint);
    virtual void onKeyDown(const KeyEvent& e);
    virtual void onKeyUp(const KeyEvent& e);
    virtual void onChar(const CharEvent& e);
    virtual void onSetFocus();
    virtual void onKillFocus();
    virtual void onCaptureLost();
    virtual void onTimer(int id);
    virtual void onScroll(ScrollBarKind bar, ScrollCode code, int pos);
    virtual void onSize();
    // The tooltip text at a client point; empty for none.
    virtual std::string toolTipText(Point clientPoint) const;
    // A window that is not hit by the mouse lets the point fall to the windows behind it.
    virtual bool hitTest(Point clientPoint) const;

private:
    friend class TopWindow;
    void detachSubtree(TopWindow* root);
    void scrollBarMouseDown(ScrollBarKind bar, Point p);
    void scrollBarMouseMove(Point p);
    void scrollBarMouseUp();
    void scrollBarTimer();
    Rect scrollBarRect(ScrollBarKind bar) const; // own coordinates
    // 0 nothing, 1 line up, 2 page up, 3 thumb, 4 page down, 5 line down
    int scrollBarPart(ScrollBarKind bar, Point p) const;
    Rect scrollThumbRect(ScrollBarKind bar) const;
    void paintScrollBars(DC& dc);

    Window* parent_ = nullptr;
    std::vector<Window*> children_;
    Rect rect_;
    bool shown_ = true;
    bool enabled_ = true;
    bool focusOnClick_ = false;
    uint32_t style_ = 0;
    Cursor cursor_ = Cursor::Arrow;
    int id_ = 0;
    std::string text_;
    std::optional<gfx::Colour> background_;
    ScrollInfo hbar_, vbar_;
    // Scroll-bar drag in progress: part pressed (as scrollBarPart), bar, thumb grab offset.
    int sbPart_ = 0;
    ScrollBarKind sbBar_ = ScrollBarKind::Vertical;
    int sbGrab_ = 0;
    int sbTrackPos_ = 0;
    Point sbLast_;

public:
    static constexpr int ScrollTimerId = -0x5B; // internal timer of the scroll bars
};

} // namespace kv::ui
