#include "platform/ui/track_bar.h"

#include <algorithm>

#include "platform/window/frame_draw.h"

namespace kv::ui {

namespace sys = gfx::sys;

namespace {
constexpr int PageTimer = 1;
constexpr int Pad = 8; // space above and below the channel: half a thumb plus room
} // namespace

TrackBar::TrackBar()
{
    setTakesFocusOnClick(true);
}

void TrackBar::setRange(int lo, int hi)
{
    lo_ = std::min(lo, hi);
    hi_ = std::max(lo, hi);
    setPos(pos_);
    invalidate();
}

void TrackBar::setPos(int pos)
{
    pos = std::clamp(pos, lo_, hi_);
    if (pos == pos_) return;
    pos_ = pos;
    invalidate();
}

Rect TrackBar::channelRect() const
{
    Rect c = clientRect();
    int x = c.left + (c.width() - ThumbWidth) / 2 + ThumbWidth / 2 - 2;
    return {x, c.top + Pad, x + 4, c.bottom - Pad};
}

int TrackBar::yOf(int pos) const
{
    Rect ch = channelRect();
    int travel = std::max(0, ch.height() - ThumbLength);
    int span = hi_ - lo_;
    int off = span > 0 ? static_cast<int>(int64_t(travel) * (pos - lo_) / span) : 0;
    return ch.top + off;
}

Rect TrackBar::thumbRect() const
{
    Rect c = clientRect();
    int x = c.left + (c.width() - ThumbWidth) / 2;
    int y = yOf(pos_);
    return {x, y, x + ThumbWidth, y + ThumbLength};
}

int TrackBar::posAt(int thumbTop) const
{
    Rect ch = channelRect();
    int travel = std::max(1, ch.height() - ThumbLength);
    int off = std::clamp(thumbTop - ch.top, 0, travel);
    return lo_ + static_cast<int>((int64_t(off) * (hi_ - lo_) + travel / 2) / travel);
}

void TrackBar::userSet(int pos)
{
    pos = std::clamp(pos, lo_, hi_);
    if (pos == pos_) return;
    setPos(pos);
    if (onScroll) onScroll(pos_);
}

void TrackBar::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    dc.fill_rect(c, sys::button_face);
    Rect ch = channelRect();
    dc.fill_rect(ch, sys::window);
    drawSunkenBorder(dc, ch);
    // Ticks on the right, one per tick frequency, at the thumb centre of each position.
    int tx = c.left + (c.width() + ThumbWidth) / 2 + 2;
    if (tick_ > 0 && hi_ > lo_)
        for (int p = lo_; p <= hi_; p += tick_) {
            int y = yOf(p) + ThumbLength / 2;
            dc.fill_rect({tx, y, tx + 4, y + 1}, sys::window_text);
        }
    if (hi_ > lo_) {
        int y = yOf(hi_) + ThumbLength / 2;
        dc.fill_rect({tx, y, tx + 4, y + 1}, sys::window_text);
    }
    drawButtonBox(dc, thumbRect(), false);
    if (hasFocus()) dc.focus_rect(c);
}

void TrackBar::pageToward()
{
    Rect th = thumbRect();
    if (lastY_ < th.top) userSet(pos_ - pageSize());
    else if (lastY_ >= th.bottom) userSet(pos_ + pageSize());
}

void TrackBar::onMouseDown(const MouseEvent& e)
{
    activated();
    if (e.button != MouseButton::Left) return;
    Rect th = thumbRect();
    lastY_ = e.y;
    captureMouse();
    if (th.contains({e.x, e.y})) {
        dragging_ = 1;
        grab_ = e.y - th.top;
        return;
    }
    dragging_ = 2;
    pageToward();
    setTimer(PageTimer, 400);
}

void TrackBar::onMouseMove(const MouseEvent& e)
{
    lastY_ = e.y;
    if (dragging_ == 1) userSet(posAt(e.y - grab_));
}

void TrackBar::onMouseUp(const MouseEvent&)
{
    if (!dragging_) return;
    dragging_ = 0;
    killTimer(PageTimer);
    releaseCapture();
}

void TrackBar::onCaptureLost()
{
    dragging_ = 0;
    killTimer(PageTimer);
}

void TrackBar::onTimer(int id)
{
    if (id != PageTimer || dragging_ != 2) return;
    setTimer(PageTimer, 100);
    pageToward();
}

void TrackBar::onKeyDown(const KeyEvent& e)
{
    if (filtered(e)) return;
    switch (e.key) {
    case key::Up:
    case key::Left: userSet(pos_ - 1); break;
    case key::Down:
    case key::Right: userSet(pos_ + 1); break;
    case key::PageUp: userSet(pos_ - pageSize()); break;
    case key::PageDown: userSet(pos_ + pageSize()); break;
    case key::Home: userSet(lo_); break;
    case key::End: userSet(hi_); break;
    default: break;
    }
}

void TrackBar::onChar(const CharEvent& e)
{
    filtered(e);
}

bool TrackBar::onMouseWheel(const MouseEvent& e)
{
    userSet(pos_ - e.wheel / 120);
    return true;
}

void TrackBar::onSetFocus()
{
    activated();
    invalidate();
}

void TrackBar::onKillFocus()
{
    invalidate();
}

} // namespace kv::ui
