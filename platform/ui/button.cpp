#include "platform/ui/button.h"

#include "platform/text/text_draw.h"
#include "platform/window/frame_draw.h"

namespace kv::ui {

namespace sys = gfx::sys;

namespace {
constexpr int BoxSize = 13; // check box / radio circle
} // namespace

Button::Button(Kind kind, std::string caption) : kind_(kind)
{
    setText(caption);
    setTakesFocusOnClick(true);
}

void Button::setChecked(bool on)
{
    if (on == checked_) return;
    checked_ = on;
    invalidate();
}

Size Button::preferredSize() const
{
    if (kind_ == Kind::OwnerDrawn) return {20, 20};
    if (text().empty() && kind_ == Kind::Push) return {20, 15};
    int w = textWidth(text()), h = lineHeight();
    if (kind_ == Kind::Push) return {w + 8, h + 4};
    return {BoxSize + 4 + w + 2, std::max(h, BoxSize) + 2};
}

void Button::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    gfx::Colour ink = isEnabled() ? sys::button_text : sys::gray_text;
    switch (kind_) {
    case Kind::OwnerDrawn:
        if (paintFace) paintFace(dc, c, pushed_);
        else drawButtonBox(dc, c, pushed_);
        break;
    case Kind::Push: {
        drawButtonBox(dc, c, pushed_);
        textSetup(dc, ink);
        Rect tr{c.left + 2, c.top + 2, c.right - 2, c.bottom - 2};
        if (pushed_) tr = tr.offset(1, 1);
        gfx::draw_text(dc, text(), tr, gfx::dt::center | gfx::dt::vcenter | gfx::dt::singleline | gfx::dt::noprefix);
        if (hasFocus()) dc.focus_rect({c.left + 3, c.top + 3, c.right - 3, c.bottom - 3});
        break;
    }
    case Kind::Check:
    case Kind::Radio: {
        dc.fill_rect(c, sys::button_face);
        int by = (c.height() - BoxSize) / 2;
        Rect box = Rect::xywh(0, by, BoxSize, BoxSize);
        gfx::Colour fill = pushed_ || !isEnabled() ? sys::button_face : sys::window;
        if (kind_ == Kind::Check) {
            dc.fill_rect(box, fill);
            drawSunkenBorder(dc, box);
            if (checked_) drawCheckMark(dc, box, ink);
        } else {
            dc.set_pen({sys::button_shadow, 1, gfx::PenStyle::solid});
            dc.set_brush(gfx::Brush::solid(fill));
            dc.ellipse(box);
            if (checked_) {
                dc.set_pen({ink, 1, gfx::PenStyle::solid});
                dc.set_brush(gfx::Brush::solid(ink));
                dc.ellipse(Rect::xywh(box.left + 4, box.top + 4, 5, 5));
            }
        }
        textSetup(dc, ink);
        Rect tr{BoxSize + 4, 0, c.right, c.bottom};
        gfx::draw_text(dc, text(), tr, gfx::dt::left | gfx::dt::vcenter | gfx::dt::singleline | gfx::dt::noprefix);
        if (hasFocus() && !text().empty()) {
            int tw = textWidth(text()), th = lineHeight();
            int ty = (c.height() - th) / 2;
            dc.focus_rect({BoxSize + 3, ty - 1, std::min(c.right, BoxSize + 5 + tw), ty + th + 1});
        }
        break;
    }
    }
}

void Button::press()
{
    pushed_ = true;
    invalidate();
    if (onPress) onPress();
}

void Button::release(bool click)
{
    bool was = pushed_;
    pushed_ = false;
    invalidate();
    if (onRelease) onRelease();
    if (!click || !was) return;
    if (kind_ == Kind::Check) setChecked(!checked_);
    if (kind_ == Kind::Radio) {
        if (Window* p = parent())
            for (Window* w : p->children())
                if (auto* b = dynamic_cast<Button*>(w); b && b != this && b->kind_ == Kind::Radio && b->group_ == group_)
                    b->setChecked(false);
        setChecked(true);
    }
    if (onClick) onClick();
}

void Button::onMouseDown(const MouseEvent& e)
{
    activated();
    if (e.button != MouseButton::Left) return;
    tracking_ = true;
    captureMouse();
    press();
}

void Button::onMouseMove(const MouseEvent& e)
{
    if (!tracking_) return;
    bool inside = clientRect().contains({e.x, e.y});
    if (inside != pushed_) {
        pushed_ = inside;
        invalidate();
    }
}

void Button::onMouseUp(const MouseEvent& e)
{
    if (!tracking_ || e.button != MouseButton::Left) return;
    tracking_ = false;
    releaseCapture();
    pushed_ = clientRect().contains({e.x, e.y});
    release(pushed_);
}

void Button::onCaptureLost()
{
    if (!tracking_) return;
    tracking_ = false;
    pushed_ = false;
    invalidate();
    if (onRelease) onRelease();
}

void Button::onKeyDown(const KeyEvent& e)
{
    if (filtered(e)) return;
    if (e.key == key::Space && !e.repeat && !tracking_) {
        spaceDown_ = true;
        press();
    }
}

void Button::onKeyUp(const KeyEvent& e)
{
    if (e.key == key::Space && spaceDown_) {
        spaceDown_ = false;
        pushed_ = true;
        release(true);
    }
}

void Button::onChar(const CharEvent& e)
{
    filtered(e);
}

void Button::onSetFocus()
{
    activated();
    invalidate();
}

void Button::onKillFocus()
{
    if (spaceDown_) {
        spaceDown_ = false;
        pushed_ = false;
        if (onRelease) onRelease();
    }
    invalidate();
}

} // namespace kv::ui
