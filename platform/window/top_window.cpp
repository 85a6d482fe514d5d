#include "platform/window/top_window.h"

#include <algorithm>

#include "platform/gfx/dc.h"

namespace kv::ui {

TopWindow::TopWindow(Clock& clock) : clock_(clock), backing_(std::make_unique<Bitmap>())
{
    setBackground(gfx::sys::window);
    tip_ = std::make_unique<ToolTip>(*this);
    addChild(tip_.get());
}

TopWindow::~TopWindow()
{
    tip_.reset();
    // Children outlive us as detached windows; nothing may point back here.
    for (Window* c : children()) c->detachSubtree(this);
}

void TopWindow::setSize(int width, int height)
{
    width = std::clamp(width, 0, 16384);
    height = std::clamp(height, 0, 16384);
    setRect(Rect::xywh(0, 0, width, height));
    if (backing_->width() != width || backing_->height() != height)
        *backing_ = Bitmap(width, height, gfx::sys::window.pixel());
    invalid_ = gfx::Region();
    invalidateRoot(Rect::xywh(0, 0, width, height));
}

// ---------------------------------------------------------------- records

void TopWindow::forgetWindow(Window* w)
{
    if (focus_ == w) focus_ = nullptr;
    if (lastFocus_ == w) lastFocus_ = nullptr;
    if (capture_ == w) {
        capture_ = nullptr;
        if (surface_) surface_->setCapture(false);
    }
    if (hover_ == w) hover_ = nullptr;
    if (tip_ && w != tip_.get()) tip_->forget(w);
    std::erase_if(timers_, [w](const Timer& t) { return t.window == w; });
    for (Modal& m : modal_)
        if (m.window == w) m.window = nullptr;
}

void TopWindow::setFocusTo(Window* w)
{
    if (w && (w->root() != this || !w->isVisible() || !w->isEnabled())) return;
    if (w == focus_) return;
    Window* old = focus_;
    focus_ = w;
    if (w) lastFocus_ = w;
    if (old) old->onKillFocus();
    // The handler may have moved the focus again; only announce it if it still stands.
    if (w && focus_ == w) {
        w->onSetFocus();
        if (surface_) surface_->requestFocus();
    }
}

void TopWindow::setCaptureTo(Window* w)
{
    if (w && w->root() != this) return;
    if (w == capture_) return;
    Window* old = capture_;
    capture_ = w;
    if (surface_) surface_->setCapture(w != nullptr);
    if (old) old->onCaptureLost();
}

void TopWindow::releaseCaptureFrom(Window* w)
{
    if (capture_ != w || !w) return;
    setCaptureTo(nullptr);
}

uint32_t TopWindow::modifierFlags() const
{
    return (keys_[key::Shift] ? mk::Shift : 0u) | (keys_[key::Control] ? mk::Control : 0u);
}

// ---------------------------------------------------------------- hit-testing

namespace {
Window* deepestAt(Window* w, Point p) // p in w's own coordinates, known to be inside w
{
    if (!covers(w->clientRect(), Rect::xywh(p.x, p.y, 1, 1))) return w; // on a scroll bar
    const auto& kids = w->children();
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
        Window* c = *it;
        if (!c->isShown()) continue;
        Point cp{p.x - c->rect().left, p.y - c->rect().top};
        if (!Rect::xywh(0, 0, c->rect().width(), c->rect().height()).contains(cp)) continue;
        if (!c->hitTest(cp)) continue;
        return deepestAt(c, cp);
    }
    return w;
}
} // namespace

Window* TopWindow::windowAt(Point p)
{
    if (!rect().contains(p)) return nullptr;
    return deepestAt(this, p);
}

// ---------------------------------------------------------------- mouse

void TopWindow::setHover(Window* w)
{
    if (w == hover_) return;
    Window* old = hover_;
    hover_ = w;
    if (old) old->onMouseLeave();
    if (surface_) surface_->setCursor(hover_ ? hover_->cursor() : Cursor::Arrow);
}

void TopWindow::mouseDown(Point p, MouseButton b, uint32_t flags)
{
    tip_->dismiss();
    Window* target = capture_;
    if (!target) {
        target = windowAt(p);
        if (!target) return;
        Window* m = modalTop();
        if (!modal_.empty() && (!m || !m->isAncestorOf(target))) {
            // A press outside the modal window: menus close themselves here.
            if (auto f = modal_.back().outsidePress) f();
            return;
        }
        if (!target->isEnabled()) return;
        setHover(target);
    }
    if (b == MouseButton::Left && target != capture_) {
        Point cp = target->rootToClient(p);
        if (target->scrollBarPart(ScrollBarKind::Vertical, cp)) {
            target->scrollBarMouseDown(ScrollBarKind::Vertical, cp);
            return;
        }
        if (target->scrollBarPart(ScrollBarKind::Horizontal, cp)) {
            target->scrollBarMouseDown(ScrollBarKind::Horizontal, cp);
            return;
        }
    }
    if (target->takesFocusOnClick() && target != focus_) {
        setFocusTo(target);
        if (target->root() != this) return; // the focus change removed it
    }
    Point cp = target->rootToClient(p);
    target->onMouseDown({cp.x, cp.y, b, flags, 0});
}

void TopWindow::mouseUp(Point p, MouseButton b, uint32_t flags)
{
    Window* target = capture_;
    if (target && target->sbPart_) {
        if (b == MouseButton::Left) target->scrollBarMouseUp();
        return;
    }
    if (!target) {
        target = windowAt(p);
        if (!target || !target->isEnabled()) return;
        Window* m = modalTop();
        if (!modal_.empty() && (!m || !m->isAncestorOf(target))) return;
    }
    Point cp = target->rootToClient(p);
    target->onMouseUp({cp.x, cp.y, b, flags, 0});
    if (b == MouseButton::Right && !capture_) {
        // Releasing the right button asks for a context menu, innermost window first.
        Window* w = windowAt(p);
        Window* m = modalTop();
        if (!modal_.empty() && w && (!m || !m->isAncestorOf(w))) return;
        for (; w; w = w->parent())
            if (w->isEnabled() && w->onContextMenu(p)) break;
    }
}

void TopWindow::mouseMove(Point p, uint32_t flags)
{
    if (capture_) {
        Point cp = capture_->rootToClient(p);
        if (capture_->sbPart_) {
            capture_->scrollBarMouseMove(cp);
            return;
        }
        capture_->onMouseMove({cp.x, cp.y, MouseButton::Left, flags, 0});
        return;
    }
    Window* target = windowAt(p);
    Window* m = modalTop();
    if (target && !modal_.empty() && (!m || !m->isAncestorOf(target))) target = nullptr;
    if (target && !target->isEnabled()) target = nullptr;
    setHover(target);
    if (modal_.empty()) tip_->pointerMoved(target, p);
    if (!target) return;
    Point cp = target->rootToClient(p);
    target->onMouseMove({cp.x, cp.y, MouseButton::Left, flags, 0});
}

void TopWindow::mouseWheel(Point p, int delta, uint32_t flags)
{
    tip_->dismiss();
    Window* w = capture_ ? capture_ : windowAt(p);
    Window* m = modalTop();
    if (w && !modal_.empty() && (!m || !m->isAncestorOf(w))) return;
    for (; w; w = w->parent()) {
        if (!w->isEnabled()) continue;
        Point cp = w->rootToClient(p);
        if (w->onMouseWheel({cp.x, cp.y, MouseButton::Middle, flags, delta})) break;
    }
}

void TopWindow::mouseLeft()
{
    tip_->cancel();
    if (!capture_) setHover(nullptr);
}

void TopWindow::nativeCaptureLost()
{
    if (!capture_) return;
    Window* w = capture_;
    if (w->sbPart_) {
        w->sbPart_ = 0;
        w->killTimer(Window::ScrollTimerId);
    }
    setCaptureTo(nullptr);
}

// ---------------------------------------------------------------- keyboard

void TopWindow::keyDown(int k)
{
    if (k < 0 || k >= key::Count) return;
    tip_->dismiss();
    bool repeat = keys_[k];
    keys_[k] = true;
    Window* target = focus_ ? focus_ : this;
    Window* m = modalTop();
    if (!modal_.empty() && m && !m->isAncestorOf(target)) target = m;
    target->onKeyDown({k, repeat, modifierFlags()});
}

void TopWindow::keyUp(int k)
{
    if (k < 0 || k >= key::Count) return;
    keys_[k] = false;
    Window* target = focus_ ? focus_ : this;
    Window* m = modalTop();
    if (!modal_.empty() && m && !m->isAncestorOf(target)) target = m;
    target->onKeyUp({k, false, modifierFlags()});
}

void TopWindow::character(uint8_t ch)
{
    Window* target = focus_ ? focus_ : this;
    Window* m = modalTop();
    if (!modal_.empty() && m && !m->isAncestorOf(target)) target = m;
    target->onChar({ch, false, modifierFlags()});
}

void TopWindow::nativeFocus(bool in)
{
    if (in) {
        if (!focus_ && lastFocus_) setFocusTo(lastFocus_);
        return;
    }
    // Keys released while another window had the keyboard never reach us: forget them.
    std::fill(std::begin(keys_), std::end(keys_), false);
    Window* keep = focus_;
    setFocusTo(nullptr);
    lastFocus_ = keep;
}

// ---------------------------------------------------------------- timers

void TopWindow::setTimerFor(Window* w, int id, uint32_t intervalMs)
{
    uint32_t interval = std::max<uint32_t>(intervalMs, 1);
    uint64_t due = clock_.nowMs() + interval;
    for (Timer& t : timers_)
        if (t.window == w && t.id == id) {
            t.interval = interval;
            t.due = due;
            return;
        }
    timers_.push_back({w, id, interval, due});
}

void TopWindow::killTimerFor(Window* w, int id)
{
    std::erase_if(timers_, [&](const Timer& t) { return t.window == w && t.id == id; });
}

void TopWindow::runTimers()
{
    uint64_t now = clock_.nowMs();
    std::vector<std::pair<Window*, int>> due;
    for (const Timer& t : timers_)
        if (t.due <= now) due.emplace_back(t.window, t.id);
    for (const auto& entry : due) {
        Window* w = entry.first;
        const int id = entry.second;
        // A handler may have killed or reset this timer, or destroyed its window.
        auto it = std::find_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.window == w && t.id == id; });
        if (it == timers_.end() || it->due > now) continue;
        it->due = now + it->interval; // missed periods are not made up, as the platform does
        if (id == Window::ScrollTimerId) w->scrollBarTimer();
        else w->onTimer(id);
    }
}

int64_t TopWindow::msUntilNextTimer() const
{
    if (timers_.empty()) return -1;
    uint64_t next = UINT64_MAX;
    for (const Timer& t : timers_) next = std::min(next, t.due);
    uint64_t now = clock_.nowMs();
    return next <= now ? 0 : static_cast<int64_t>(next - now);
}

// ---------------------------------------------------------------- painting

void TopWindow::invalidateRoot(const Rect& r)
{
    Rect c = clip(r, Rect::xywh(0, 0, backing_->width(), backing_->height()));
    if (!c.empty()) invalid_.unite(c);
}

void TopWindow::paintWindow(Window* w, const Rect& area)
{
    if (!w->isShown()) return;
    Point o = w->clientToRoot({0, 0});
    Rect whole = clip(Rect::xywh(o.x, o.y, w->rect().width(), w->rect().height()), area);
    if (whole.empty()) return;
    Rect client = clip(offset(w->clientRect(), o), whole);
    {
        gfx::DC dc(*backing_);
        dc.set_origin(o);
        dc.intersect_clip(offset(whole, Point{-o.x, -o.y}));
        w->paintScrollBars(dc);
        if (!client.empty()) {
            dc.reset_clip();
            dc.intersect_clip(offset(client, Point{-o.x, -o.y}));
            if (w->background()) dc.fill_rect(w->clientRect(), *w->background());
            w->onPaint(dc);
        }
    }
    if (client.empty()) return;
    // Copy: a paint handler must not change the tree, but be safe if it does.
    std::vector<Window*> kids = w->children();
    for (Window* c : kids)
        if (c->parent() == w) paintWindow(c, client);
}

std::vector<Rect> TopWindow::paint()
{
    std::vector<Rect> rects = invalid_.rects();
    invalid_ = gfx::Region();
    for (const Rect& r : rects) paintWindow(this, r);
    if (surface_ && !rects.empty()) surface_->present(*backing_, rects);
    return rects;
}

void TopWindow::paintAll()
{
    invalidateRoot(Rect::xywh(0, 0, backing_->width(), backing_->height()));
    paint();
}

// ---------------------------------------------------------------- modal windows

bool TopWindow::runModal(Window& w, const std::function<bool()>& done, std::function<void()> outsidePress)
{
    if (!surface_) return false;
    Window* savedCapture = capture_;
    if (savedCapture) setCaptureTo(nullptr);
    modal_.push_back({&w, std::move(outsidePress)});
    size_t depth = modal_.size();
    bool ok = surface_->runModal([&] { return modal_.size() < depth || modal_[depth - 1].window == nullptr || done(); });
    modal_.resize(depth - 1);
    return ok;
}

} // namespace kv::ui
