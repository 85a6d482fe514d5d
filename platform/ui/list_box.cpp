#include "platform/ui/list_box.h"

#include <algorithm>

#include "platform/text/text_draw.h"
#include "platform/window/frame_draw.h"

namespace kv::ui {

namespace sys = gfx::sys;

ListBox::ListBox()
{
    setTakesFocusOnClick(true);
    setStyle(ws::VScroll);
}

void ListBox::setItems(std::vector<std::string> items)
{
    items_ = std::move(items);
    selected_ = -1;
    top_ = 0;
    lastPressIndex_ = -1;
    updateBar();
    invalidate();
}

int ListBox::visibleRows() const
{
    return std::max(1, (clientRect().height() - 4) / std::max(1, rowHeight()));
}

void ListBox::updateBar()
{
    setScrollInfo(ScrollBarKind::Vertical, {0, std::max(0, int(items_.size()) - 1), visibleRows(), top_});
}

void ListBox::scrollTo(int top)
{
    top = std::clamp(top, 0, std::max(0, int(items_.size()) - visibleRows()));
    if (top == top_) return;
    top_ = top;
    updateBar();
    invalidate();
}

void ListBox::select(int index)
{
    if (index < -1 || index >= int(items_.size())) index = -1;
    selected_ = index;
    if (index >= 0) {
        if (index < top_) scrollTo(index);
        else if (index >= top_ + visibleRows()) scrollTo(index - visibleRows() + 1);
    }
    invalidate();
}

void ListBox::userSelect(int index)
{
    if (items_.empty()) return;
    index = std::clamp(index, 0, int(items_.size()) - 1);
    if (index == selected_) return;
    select(index);
    if (onSelect) onSelect(index);
}

void ListBox::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    dc.fill_rect(c, sys::window);
    int rh = rowHeight();
    for (int i = top_, y = 2; i < int(items_.size()) && y < c.bottom - 2; ++i, y += rh) {
        Rect row{c.left + 2, y, c.right, y + rh};
        bool sel = i == selected_;
        if (sel) dc.fill_rect(row, hasFocus() ? sys::highlight : sys::button_face);
        textSetup(dc, sel && hasFocus() ? sys::highlight_text : sys::window_text);
        Rect tr{row.left + 2, row.top, row.right - 2, row.bottom};
        gfx::draw_text(dc, items_[size_t(i)], tr,
                       gfx::dt::left | gfx::dt::vcenter | gfx::dt::singleline | gfx::dt::noprefix | gfx::dt::end_ellipsis);
        if (sel && hasFocus()) dc.focus_rect(row);
    }
    // The sunken frame covers the client area and the scroll bar side.
    drawSunkenBorder(dc, {c.left, c.top, c.right + 2, c.bottom});
}

void ListBox::onMouseDown(const MouseEvent& e)
{
    activated();
    if (e.button != MouseButton::Left) return;
    int i = top_ + (e.y - 2) / std::max(1, rowHeight());
    if (e.y < 2 || i >= int(items_.size())) return;
    TopWindow* r = root();
    uint64_t now = r ? r->clock().nowMs() : 0;
    bool dbl = i == lastPressIndex_ && now - lastPress_ < DoubleClickMs;
    lastPress_ = now;
    lastPressIndex_ = dbl ? -1 : i;
    userSelect(i);
    if (dbl && onActivate) onActivate(i);
}

bool ListBox::onMouseWheel(const MouseEvent& e)
{
    scrollTo(top_ - e.wheel / 40);
    return true;
}

void ListBox::onKeyDown(const KeyEvent& e)
{
    if (filtered(e)) return;
    int page = visibleRows();
    switch (e.key) {
    case key::Up: userSelect(selected_ - 1); break;
    case key::Down: userSelect(selected_ + 1); break;
    case key::Home: userSelect(0); break;
    case key::End: userSelect(int(items_.size()) - 1); break;
    case key::PageUp: userSelect(selected_ - page); break;
    case key::PageDown: userSelect(selected_ + page); break;
    default: break;
    }
}

void ListBox::onChar(const CharEvent& e)
{
    if (filtered(e)) return;
    if (e.ch == '\r' && selected_ >= 0 && onActivate) onActivate(selected_);
}

void ListBox::onScroll(ScrollBarKind, ScrollCode code, int pos)
{
    switch (code) {
    case ScrollCode::LineUp: scrollTo(top_ - 1); break;
    case ScrollCode::LineDown: scrollTo(top_ + 1); break;
    case ScrollCode::PageUp: scrollTo(top_ - visibleRows()); break;
    case ScrollCode::PageDown: scrollTo(top_ + visibleRows()); break;
    case ScrollCode::ThumbTrack:
    case ScrollCode::ThumbPosition: scrollTo(pos); break;
    default: break;
    }
}

void ListBox::onSize()
{
    updateBar();
}

void ListBox::onSetFocus()
{
    activated();
    invalidate();
}

void ListBox::onKillFocus()
{
    invalidate();
}

} // namespace kv::ui
