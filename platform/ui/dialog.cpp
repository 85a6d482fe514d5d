#include "platform/ui/dialog.h"

#include <algorithm>

#include "platform/text/text_draw.h"
#include "platform/window/frame_draw.h"

namespace kv::ui {

namespace sys = gfx::sys;

Dialog::Dialog(std::string title)
{
    setText(title);
}

void Dialog::setBodySize(int width, int height)
{
    setRect(Rect::xywh(rect().left, rect().top, width + 2 * Frame, height + TitleHeight + 2 * Frame));
}

Rect Dialog::bodyRect() const
{
    Rect c = clientRect();
    return {c.left + Frame, c.top + Frame + TitleHeight, c.right - Frame, c.bottom - Frame};
}

void Dialog::addControl(Control& c, const Rect& r)
{
    Rect b = bodyRect();
    c.setRect(r.offset(b.left, b.top));
    addChild(&c);
    controls_.push_back(&c);
    c.charFilter = [this](const CharEvent& e) { return handleNavigation(e); };
}

int Dialog::run(TopWindow& root)
{
    if (!font() && root.defaultFont()) setFont(root.defaultFont());
    Rect area = root.clientRect();
    int w = std::min(rect().width(), area.width()), h = std::min(rect().height(), area.height());
    setRect(Rect::xywh((area.width() - w) / 2, (area.height() - h) / 2, w, h));
    Window* oldFocus = root.focus();
    root.addChild(this);
    running_ = true;
    ended_ = false;
    if (initialFocus_) initialFocus_->setFocus();
    else if (default_) default_->setFocus();
    else root.setFocusTo(this);
    bool ok = root.runModal(*this, [this] { return ended_; });
    running_ = false;
    root.removeChild(this);
    if (oldFocus && oldFocus->root() == &root) oldFocus->setFocus();
    return ok ? result_ : cancelValue_;
}

void Dialog::end(int result)
{
    result_ = result;
    ended_ = true;
}

void Dialog::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    drawButtonBox(dc, c, false);
    Rect title{c.left + Frame, c.top + Frame, c.right - Frame, c.top + Frame + TitleHeight};
    dc.fill_rect(title, sys::highlight);
    textSetup(dc, sys::highlight_text);
    Rect tr{title.left + 4, title.top, title.right - 2, title.bottom};
    gfx::draw_text(dc, text(), tr,
                   gfx::dt::left | gfx::dt::vcenter | gfx::dt::singleline | gfx::dt::noprefix | gfx::dt::end_ellipsis);
}

void Dialog::focusNext(bool backward)
{
    std::vector<Control*> stops;
    for (Control* c : controls_)
        if (c->takesFocusOnClick() && c->isVisible() && c->isEnabled()) stops.push_back(c);
    if (stops.empty()) return;
    TopWindow* r = root();
    auto it = std::find(stops.begin(), stops.end(), r ? r->focus() : nullptr);
    int n = int(stops.size());
    int i = it == stops.end() ? (backward ? n - 1 : 0) : int(it - stops.begin()) + (backward ? -1 : 1);
    stops[size_t((i % n + n) % n)]->setFocus();
}

bool Dialog::handleNavigation(const CharEvent& e)
{
    TopWindow* r = root();
    switch (e.ch) {
    case '\t': focusNext(r && r->isKeyDown(key::Shift)); return true;
    case '\r': {
        // Return clicks the focused button, else the default one.
        auto* b = r ? dynamic_cast<Button*>(r->focus()) : nullptr;
        if (!b || b->kind() != Button::Kind::Push) b = default_;
        if (b && b->onClick) b->onClick();
        return true;
    }
    case 0x1B: end(cancelValue_); return true;
    default: return false;
    }
}

void Dialog::onKeyDown(const KeyEvent&) {}

void Dialog::onChar(const CharEvent& e)
{
    handleNavigation(e);
}

} // namespace kv::ui
