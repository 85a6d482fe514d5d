#include "platform/window/window.h"

#include <algorithm>

#include "platform/window/top_window.h"

namespace kv::ui {

int ScrollInfo::maxPos() const
{
    return std::max(min, max - std::max(page - 1, 0));
}

Window::Window() = default;

Window::~Window()
{
    detach();
    for (Window* c : children_) c->parent_ = nullptr;
}

// ---------------------------------------------------------------- tree

void Window::addChild(Window* child, bool front)
{
    if (!child || child == this || child->isAncestorOf(this)) return;
    child->detach();
    child->parent_ = this;
    if (front) children_.push_back(child);
    else children_.insert(children_.begin(), child);
    child->invalidate();
}

void Window::removeChild(Window* child)
{
    if (child && child->parent_ == this) child->detach();
}

void Window::detach()
{
    if (!parent_) return;
    if (TopWindow* r = root()) {
        r->invalidateRoot(visibleRootRect());
        detachSubtree(r);
    }
    std::erase(parent_->children_, this);
    parent_ = nullptr;
}

void Window::detachSubtree(TopWindow* r)
{
    r->forgetWindow(this);
    for (Window* c : children_) c->detachSubtree(r);
}

void Window::raise()
{
    if (!parent_) return;
    auto& s = parent_->children_;
    if (s.back() == this) return;
    std::erase(s, this);
    s.push_back(this);
    invalidate();
}

void Window::lower()
{
    if (!parent_) return;
    auto& s = parent_->children_;
    if (s.front() == this) return;
    std::erase(s, this);
    s.insert(s.begin(), this);
    invalidate();
}

TopWindow* Window::root() const
{
    const Window* w = this;
    while (w->parent_) w = w->parent_;
    return dynamic_cast<TopWindow*>(const_cast<Window*>(w));
}

bool Window::isAncestorOf(const Window* w) const
{
    for (; w; w = w->parent_)
        if (w == this) return true;
    return false;
}

// ---------------------------------------------------------------- geometry

void Window::setRect(const Rect& r)
{
    if (r == rect_) return;
    TopWindow* rt = root();
    if (rt) rt->invalidateRoot(visibleRootRect());
    bool resized = r.width() != rect_.width() || r.height() != rect_.height();
    rect_ = r;
    if (rt) rt->invalidateRoot(visibleRootRect());
    if (resized) onSize();
}

Rect Window::clientRect() const
{
    int w = std::max(0, rect_.width() - ((style_ & ws::VScroll) ? ScrollBarSize : 0));
    int h = std::max(0, rect_.height() - ((style_ & ws::HScroll) ? ScrollBarSize : 0));
    return {0, 0, w, h};
}

Point Window::clientToRoot(Point p) const
{
    for (const Window* w = this; w; w = w->parent_) p = p + Point{w->rect_.left, w->rect_.top};
    return p;
}

Point Window::rootToClient(Point p) const
{
    Point o = clientToRoot({0, 0});
    return p - o;
}

Rect Window::visibleRootRect() const
{
    if (!isVisible()) return {};
    Point o = clientToRoot({0, 0});
    Rect r = Rect::xywh(o.x, o.y, rect_.width(), rect_.height());
    for (const Window* a = parent_; a; a = a->parent_) {
        Point ao = a->clientToRoot({0, 0});
        r = clip(r, offset(a->clientRect(), ao));
    }
    return r;
}

// ---------------------------------------------------------------- state

void Window::show(bool visible)
{
    if (visible == shown_) return;
    if (!visible) {
        invalidate();
        shown_ = false;
        if (TopWindow* r = root()) {
            // A hidden window keeps its timers but loses focus, capture and hover.
            if (r->focus_ && isAncestorOf(r->focus_)) r->setFocusTo(nullptr);
            if (r->capture_ && isAncestorOf(r->capture_)) r->setCaptureTo(nullptr);
            if (r->hover_ && isAncestorOf(r->hover_)) r->hover_ = nullptr;
        }
    } else {
        shown_ = true;
        invalidate();
    }
}

bool Window::isVisible() const
{
    const Window* w = this;
    for (; w->parent_; w = w->parent_)
        if (!w->shown_) return false;
    return w->shown_ && dynamic_cast<const TopWindow*>(w) != nullptr;
}

void Window::enable(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled) {
        if (TopWindow* r = root()) {
            if (r->focus_ && isAncestorOf(r->focus_)) r->setFocusTo(nullptr);
            if (r->capture_ && isAncestorOf(r->capture_)) r->setCaptureTo(nullptr);
        }
    }
    invalidate();
}

bool Window::isEnabled() const
{
    for (const Window* w = this; w; w = w->parent_)
        if (!w->enabled_) return false;
    return true;
}

void Window::setStyle(uint32_t style)
{
    if (style == style_) return;
    style_ = style;
    invalidate();
    onSize();
}

void Window::setText(const std::string& text)
{
    if (text == text_) return;
    text_ = text;
    invalidate();
}

// ---------------------------------------------------------------- painting

void Window::setBackground(std::optional<gfx::Colour> c)
{
    if (c == background_) return;
    background_ = c;
    invalidate();
}

void Window::invalidate()
{
    if (TopWindow* r = root()) r->invalidateRoot(visibleRootRect());
}

void Window::invalidate(const Rect& cr)
{
    TopWindow* r = root();
    if (!r) return;
    Rect c = clip(cr, clientRect());
    if (c.empty()) return;
    r->invalidateRoot(clip(offset(c, clientToRoot({0, 0})), visibleRootRect()));
}

void Window::update()
{
    if (TopWindow* r = root()) r->paint();
}

// ---------------------------------------------------------------- focus, capture, timers

void Window::setFocus()
{
    if (TopWindow* r = root()) r->setFocusTo(this);
}

bool Window::hasFocus() const
{
    TopWindow* r = root();
    return r && r->focus_ == this;
}

void Window::captureMouse()
{
    if (TopWindow* r = root()) r->setCaptureTo(this);
}

void Window::releaseCapture()
{
    if (TopWindow* r = root()) r->releaseCaptureFrom(this);
}

bool Window::hasCapture() const
{
    TopWindow* r = root();
    return r && r->capture_ == this;
}

void Window::setTimer(int id, uint32_t intervalMs)
{
    if (TopWindow* r = root()) r->setTimerFor(this, id, intervalMs);
}

void Window::killTimer(int id)
{
    if (TopWindow* r = root()) r->killTimerFor(this, id);
}

// ---------------------------------------------------------------- scroll bars

void Window::setScrollInfo(ScrollBarKind bar, const ScrollInfo& in)
{
    ScrollInfo info = in;
    info.max = std::max(info.max, info.min);
    info.page = std::clamp(info.page, 0, info.max - info.min + 1);
    info.pos = std::clamp(info.pos, info.min, info.maxPos());
    ScrollInfo& s = bar == ScrollBarKind::Horizontal ? hbar_ : vbar_;
    if (s == info) return;
    s = info;
    if (TopWindow* r = root()) r->invalidateRoot(clip(offset(scrollBarRect(bar), clientToRoot({0, 0})), visibleRootRect()));
}

const ScrollInfo& Window::scrollInfo(ScrollBarKind bar) const
{
    return bar == ScrollBarKind::Horizontal ? hbar_ : vbar_;
}

void Window::setScrollPos(ScrollBarKind bar, int pos)
{
    ScrollInfo s = scrollInfo(bar);
    s.pos = pos;
    setScrollInfo(bar, s);
}

Rect Window::scrollBarRect(ScrollBarKind bar) const
{
    Rect c = clientRect();
    if (bar == ScrollBarKind::Vertical)
        return (style_ & ws::VScroll) ? Rect{c.right, 0, c.right + ScrollBarSize, c.bottom} : Rect{};
    return (style_ & ws::HScroll) ? Rect{0, c.bottom, c.right, c.bottom + ScrollBarSize} : Rect{};
}

namespace {
// Track geometry along the bar's axis: start and length of the part between the arrows.
struct Track {
    int start, length;
};

Track trackOf(const Rect& bar, bool vertical)
{
    int len = vertical ? bar.height() : bar.width();
    int arrow = std::min(Window::ScrollBarSize, len / 2);
    return {(vertical ? bar.top : bar.left) + arrow, std::max(0, len - 2 * arrow)};
}
} // namespace

Rect Window::scrollThumbRect(ScrollBarKind bar) const
{
    Rect b = scrollBarRect(bar);
    const ScrollInfo& s = scrollInfo(bar);
    bool vertical = bar == ScrollBarKind::Vertical;
    Track t = trackOf(b, vertical);
    int range = s.max - s.min + 1;
    if (b.empty() || s.max <= s.min || (s.page > 0 && s.page >= range) || t.length < 8) return {};
    int thumb = s.page > 0 ? static_cast<int>(int64_t(t.length) * s.page / range) : ScrollBarSize;
    thumb = std::clamp(thumb, 8, t.length);
    int span = s.maxPos() - s.min;
    int off = span > 0 ? static_cast<int>(int64_t(t.length - thumb) * (s.pos - s.min) / span) : 0;
    if (vertical) return {b.left, t.start + off, b.right, t.start + off + thumb};
    return {t.start + off, b.top, t.start + off + thumb, b.bottom};
}

int Window::scrollBarPart(ScrollBarKind bar, Point p) const
{
    Rect b = scrollBarRect(bar);
    if (!b.contains(p)) return 0;
    bool vertical = bar == ScrollBarKind::Vertical;
    Track t = trackOf(b, vertical);
    int v = vertical ? p.y : p.x;
    if (v < t.start) return 1;
    if (v >= t.start + t.length) return 5;
    Rect th = scrollThumbRect(bar);
    if (th.empty()) return 0;
    int ts = vertical ? th.top : th.left, te = vertical ? th.bottom : th.right;
    if (v < ts) return 2;
    if (v >= te) return 4;
    return 3;
}

void Window::scrollBarMouseDown(ScrollBarKind bar, Point p)
{
    int part = scrollBarPart(bar, p);
    const ScrollInfo& s = scrollInfo(bar);
    if (part == 0 || s.max <= s.min) return;
    sbPart_ = part;
    sbBar_ = bar;
    sbLast_ = p;
    captureMouse();
    if (part == 3) {
        Rect th = scrollThumbRect(bar);
        sbGrab_ = bar == ScrollBarKind::Vertical ? p.y - th.top : p.x - th.left;
        sbTrackPos_ = s.pos;
        return;
    }
    static constexpr ScrollCode codes[] = {ScrollCode::LineUp, ScrollCode::LineUp, ScrollCode::PageUp,
                                           ScrollCode::ThumbTrack, ScrollCode::PageDown, ScrollCode::LineDown};
    onScroll(bar, codes[part], scrollInfo(bar).pos);
    // Holding an arrow or the track repeats after a pause, like the platform's bars.
    setTimer(ScrollTimerId, 400);
}

void Window::scrollBarMouseMove(Point p)
{
    sbLast_ = p;
    if (sbPart_ != 3) return;
    bool vertical = sbBar_ == ScrollBarKind::Vertical;
    Rect b = scrollBarRect(sbBar_);
    Track t = trackOf(b, vertical);
    Rect th = scrollThumbRect(sbBar_);
    int thumb = vertical ? th.height() : th.width();
    const ScrollInfo& s = scrollInfo(sbBar_);
    int room = t.length - thumb;
    int at = (vertical ? p.y : p.x) - sbGrab_ - t.start;
    int span = s.maxPos() - s.min;
    int pos = room > 0 ? s.min + static_cast<int>((int64_t(std::clamp(at, 0, room)) * span + room / 2) / room) : s.min;
    if (pos == sbTrackPos_) return;
    sbTrackPos_ = pos;
    onScroll(sbBar_, ScrollCode::ThumbTrack, pos);
}

void Window::scrollBarMouseUp()
{
    int part = sbPart_;
    ScrollBarKind bar = sbBar_;
    sbPart_ = 0;
    killTimer(ScrollTimerId);
    releaseCapture();
    if (part == 3) onScroll(bar, ScrollCode::ThumbPosition, sbTrackPos_);
    onScroll(bar, ScrollCode::EndScroll, scrollInfo(bar).pos);
}

void Window::scrollBarTimer()
{
    if (sbPart_ == 0 || sbPart_ == 3) {
        killTimer(ScrollTimerId);
        return;
    }
    setTimer(ScrollTimerId, 50);
    if (scrollBarPart(sbBar_, sbLast_) != sbPart_) return;
    static constexpr ScrollCode codes[] = {ScrollCode::LineUp, ScrollCode::LineUp, ScrollCode::PageUp,
                                           ScrollCode::ThumbTrack, ScrollCode::PageDown, ScrollCode::LineDown};
    onScroll(sbBar_, codes[sbPart_], scrollInfo(sbBar_).pos);
}

// ---------------------------------------------------------------- default handlers

void Window::onPaint(DC&) {}
void Window::onMouseDown(const MouseEvent&) {}
void Window::onMouseUp(const MouseEvent&) {}
void Window::onMouseMove(const MouseEvent&) {}
void Window::onMouseLeave() {}
bool Window::onMouseWheel(const MouseEvent&) { return false; }
bool Window::onContextMenu(Point) { return false; }
void Window::onKeyDown(const KeyEvent&) {}
void Window::onKeyUp(const KeyEvent&) {}
void Window::onChar(const CharEvent&) {}
void Window::onSetFocus() {}
void Window::onKillFocus() {}
void Window::onCaptureLost() {}
void Window::onTimer(int) {}
void Window::onScroll(ScrollBarKind, ScrollCode, int) {}
void Window::onSize() {}
bool Window::hitTest(Point) const { return true; }
std::string Window::toolTipText(Point) const { return {}; }

} // namespace kv::ui
