// Drawing of the built-in scroll bars (the behaviour lives in window.cpp).
#include "platform/gfx/dc.h"
#include "platform/window/frame_draw.h"
#include "platform/window/window.h"

namespace kv::ui {

void Window::paintScrollBars(DC& dc)
{
    namespace sys = gfx::sys;
    for (ScrollBarKind bar : {ScrollBarKind::Vertical, ScrollBarKind::Horizontal}) {
        Rect b = scrollBarRect(bar);
        if (b.empty()) continue;
        bool vertical = bar == ScrollBarKind::Vertical;
        const ScrollInfo& s = scrollInfo(bar);
        bool active = s.max > s.min && !(s.page > 0 && s.page >= s.max - s.min + 1);
        dc.fill_rect(b, gfx::rgb(0xE0, 0xE0, 0xE0));
        int len = vertical ? b.height() : b.width();
        int arrow = std::min(ScrollBarSize, len / 2);
        Rect a1 = vertical ? Rect{b.left, b.top, b.right, b.top + arrow} : Rect{b.left, b.top, b.left + arrow, b.bottom};
        Rect a2 = vertical ? Rect{b.left, b.bottom - arrow, b.right, b.bottom} : Rect{b.right - arrow, b.top, b.right, b.bottom};
        bool p1 = sbPart_ == 1 && sbBar_ == bar, p2 = sbPart_ == 5 && sbBar_ == bar;
        drawButtonBox(dc, a1, p1);
        drawButtonBox(dc, a2, p2);
        gfx::Colour ac = active ? sys::button_text : sys::button_shadow;
        drawArrow(dc, a1, vertical ? Arrow::Up : Arrow::Left, ac);
        drawArrow(dc, a2, vertical ? Arrow::Down : Arrow::Right, ac);
        Rect th = scrollThumbRect(bar);
        if (!th.empty()) drawButtonBox(dc, th, false);
    }
    // The square where both bars meet.
    if ((style_ & ws::HScroll) && (style_ & ws::VScroll)) {
        Rect c = clientRect();
        dc.fill_rect({c.right, c.bottom, c.right + ScrollBarSize, c.bottom + ScrollBarSize}, sys::button_face);
    }
}

} // namespace kv::ui
