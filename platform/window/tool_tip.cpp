#include "platform/window/tool_tip.h"

#include <algorithm>

#include "platform/gfx/dc.h"
#include "platform/text/text_draw.h"
#include "platform/window/top_window.h"

namespace kv::ui {

namespace {
constexpr int ShowTimer = 1, PopTimer = 2;
constexpr uint32_t Format = gfx::dt::left | gfx::dt::wordbreak | gfx::dt::noprefix;
} // namespace

ToolTip::ToolTip(TopWindow& root) : root_(root)
{
    show(false);
}

void ToolTip::hide()
{
    killTimer(ShowTimer);
    killTimer(PopTimer);
    show(false);
}

void ToolTip::pointerMoved(Window* over, Point p)
{
    if (over == this) return;
    if (over != owner_) {
        hide();
        owner_ = over;
        suppressed_ = false;
    }
    at_ = p;
    if (!owner_ || suppressed_ || isShown()) return;
    setTimer(ShowTimer, InitialMs); // restarts while the pointer keeps moving
}

void ToolTip::dismiss()
{
    hide();
    suppressed_ = true;
}

void ToolTip::cancel()
{
    hide();
    owner_ = nullptr;
}

void ToolTip::forget(Window* w)
{
    if (owner_ && w == owner_) cancel();
}

void ToolTip::onTimer(int id)
{
    if (id == PopTimer) {
        dismiss();
        return;
    }
    killTimer(ShowTimer);
    if (!owner_ || owner_->root() != &root_) return;
    std::string t = owner_->toolTipText(owner_->rootToClient(at_));
    if (t.empty()) return;
    setText(t);
    auto f = root_.defaultFont();
    Rect tr = Rect::xywh(0, 0, MaxWidth, 0);
    if (f) {
        gfx::Bitmap scratch(1, 1);
        gfx::DC dc(scratch);
        dc.set_font(f);
        gfx::draw_text(dc, t, tr, Format | gfx::dt::calcrect);
    }
    int w = std::min(tr.width(), MaxWidth) + 8, h = tr.height() + 4;
    Rect area = root_.clientRect();
    int x = std::clamp(at_.x, 0, std::max(0, area.right - w));
    int y = at_.y + 20;
    if (y + h > area.bottom) y = std::max(0, at_.y - h - 2);
    setRect(Rect::xywh(x, y, w, h));
    raise();
    show(true);
    setTimer(PopTimer, AutoPopMs);
}

void ToolTip::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    dc.fill_rect(c, gfx::sys::info_background);
    dc.frame_rect(c, gfx::sys::window_text);
    dc.set_font(root_.defaultFont());
    dc.set_text_colour(gfx::sys::window_text);
    dc.set_bk_mode(gfx::BkMode::transparent);
    Rect tr{c.left + 4, c.top + 2, c.right - 4, c.bottom - 2};
    gfx::draw_text(dc, text(), tr, Format);
}

} // namespace kv::ui
