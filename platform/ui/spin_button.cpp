#include "platform/ui/spin_button.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "platform/ui/edit.h"
#include "platform/window/frame_draw.h"

namespace kv::ui {

namespace sys = gfx::sys;

namespace {
constexpr int RepeatTimer = 1;
} // namespace

SpinButton::SpinButton() = default;

SpinButton::~SpinButton()
{
    setBuddy(nullptr);
}

void SpinButton::setRange(int lo, int hi)
{
    lo_ = lo;
    hi_ = hi;
    setPos(pos_);
}

void SpinButton::setPos(int pos)
{
    pos_ = std::clamp(pos, std::min(lo_, hi_), std::max(lo_, hi_));
    writeBuddy();
}

void SpinButton::setBuddy(Edit* buddy)
{
    if (buddy_) buddy_->keyFilter = nullptr;
    buddy_ = buddy;
    if (!buddy_) return;
    buddy_->keyFilter = [this](const KeyEvent& e) {
        if (!isEnabled()) return false;
        if (e.key == key::Up) step(1);
        else if (e.key == key::Down) step(-1);
        else return false;
        return true;
    };
    writeBuddy();
}

void SpinButton::writeBuddy()
{
    if (buddy_) buddy_->setText(std::to_string(pos_));
}

void SpinButton::step(int dir)
{
    if (buddy_) {
        // The buddy's text is the position the user sees: start from it, as atoi would read it.
        const std::string& t = buddy_->text();
        size_t i = 0;
        while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
        int v = 0;
        if (std::from_chars(t.data() + i, t.data() + t.size(), v).ec == std::errc()) pos_ = std::clamp(v, std::min(lo_, hi_), std::max(lo_, hi_));
    }
    // A range given high to low steps the other way, as the platform control does.
    int delta = lo_ <= hi_ ? dir : -dir;
    int next = std::clamp(pos_ + delta, std::min(lo_, hi_), std::max(lo_, hi_));
    pos_ = next;
    writeBuddy();
    if (onStep) onStep(pos_);
}

void SpinButton::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    int mid = c.height() / 2;
    Rect up{c.left, c.top, c.right, c.top + mid}, down{c.left, c.top + mid, c.right, c.bottom};
    drawButtonBox(dc, up, pressed_ > 0);
    drawButtonBox(dc, down, pressed_ < 0);
    gfx::Colour ink = isEnabled() ? sys::button_text : sys::button_shadow;
    int size = std::clamp((std::min(c.width(), mid) - 4) | 1, 3, 7);
    drawArrow(dc, pressed_ > 0 ? up.offset(1, 1) : up, Arrow::Up, ink, size);
    drawArrow(dc, pressed_ < 0 ? down.offset(1, 1) : down, Arrow::Down, ink, size);
}

void SpinButton::onMouseDown(const MouseEvent& e)
{
    activated();
    if (e.button != MouseButton::Left) return;
    pressed_ = e.y < clientRect().height() / 2 ? 1 : -1;
    captureMouse();
    invalidate();
    step(pressed_);
    setTimer(RepeatTimer, 400);
}

void SpinButton::onMouseUp(const MouseEvent&)
{
    if (!pressed_) return;
    pressed_ = 0;
    killTimer(RepeatTimer);
    releaseCapture();
    invalidate();
}

void SpinButton::onCaptureLost()
{
    pressed_ = 0;
    killTimer(RepeatTimer);
    invalidate();
}

void SpinButton::onTimer(int id)
{
    if (id != RepeatTimer || !pressed_) return;
    setTimer(RepeatTimer, 100);
    step(pressed_);
}

bool SpinButton::onMouseWheel(const MouseEvent& e)
{
    step(e.wheel > 0 ? 1 : -1);
    return true;
}

} // namespace kv::ui
