#include "platform/ui/popup_list.h"

#include <algorithm>

#include "platform/text/text_draw.h"
#include "platform/window/frame_draw.h"

namespace kv::ui {

namespace sys = gfx::sys;

namespace {
constexpr int MenuCheckColumn = 18, MenuRightPad = 12, SeparatorHeight = 7;
} // namespace

PopupList::PopupList(std::vector<ListItem> items, Look look) : items_(std::move(items)), look_(look)
{
    setBackground(look == Look::Menu ? sys::button_face : sys::window);
}

int PopupList::itemHeight() const
{
    return lineHeight() + (look_ == Look::Menu ? 4 : 2);
}

int PopupList::itemTop(int i) const
{
    // Separators are shorter in menus; drop-down lists have none.
    int y = 1;
    for (int k = top_; k < i; ++k) y += items_[size_t(k)].separator ? SeparatorHeight : itemHeight();
    return y;
}

int PopupList::visibleCount() const
{
    int h = clientRect().height() - 2, n = 0, y = 0;
    for (size_t k = size_t(top_); k < items_.size(); ++k) {
        y += items_[k].separator ? SeparatorHeight : itemHeight();
        if (y > h) break;
        ++n;
    }
    return std::max(n, 1);
}

bool PopupList::selectable(int i) const
{
    return i >= 0 && i < int(items_.size()) && items_[size_t(i)].enabled && !items_[size_t(i)].separator;
}

int PopupList::indexAt(Point p) const
{
    if (!clientRect().contains(p)) return -1;
    int y = 1;
    for (int k = top_; k < int(items_.size()); ++k) {
        int h = items_[size_t(k)].separator ? SeparatorHeight : itemHeight();
        if (p.y >= y && p.y < y + h) return k;
        y += h;
    }
    return -1;
}

void PopupList::setHot(int i)
{
    if (i == hot_) return;
    hot_ = i;
    invalidate();
}

void PopupList::scrollTo(int top)
{
    int maxTop = std::max(0, int(items_.size()) - visibleCount());
    top = std::clamp(top, 0, maxTop);
    if (top == top_) return;
    top_ = top;
    setScrollPos(ScrollBarKind::Vertical, top_);
    invalidate();
}

void PopupList::ensureVisible(int i)
{
    if (i < 0) return;
    if (i < top_) scrollTo(i);
    else if (i >= top_ + visibleCount()) scrollTo(i - visibleCount() + 1);
}

int PopupList::run(TopWindow& root, const Rect& anchor, int minWidth, int maxHeight, int current)
{
    // Not in the tree yet: take the editor's font now, for the measuring below.
    if (!font() && root.defaultFont()) setFont(root.defaultFont());
    int textW = 0, fullH = 2;
    for (const ListItem& it : items_) {
        textW = std::max(textW, textWidth(it.text));
        fullH += it.separator ? SeparatorHeight : itemHeight();
    }
    int w = look_ == Look::Menu ? MenuCheckColumn + textW + MenuRightPad + 2 : textW + 6;
    w = std::max(w, minWidth);
    Rect area = root.clientRect();
    int h = std::min({fullH, maxHeight, area.height()});
    bool scrolls = h < fullH;
    if (scrolls) {
        setStyle(ws::VScroll);
        if (look_ == Look::Menu) w += ScrollBarSize;
    }
    w = std::min(w, area.width());
    int x = std::clamp(anchor.left, 0, std::max(0, area.right - w));
    int y = anchor.bottom;
    if (y + h > area.bottom) y = anchor.top - h >= 0 ? anchor.top - h : std::max(0, area.bottom - h);
    setRect(Rect::xywh(x, y, w, h));
    if (scrolls) setScrollInfo(ScrollBarKind::Vertical, {0, int(items_.size()) - 1, visibleCount(), 0});
    hot_ = selectable(current) ? current : -1;
    ensureVisible(hot_);

    root.addChild(this);
    bool ok = root.runModal(*this, [this] { return finished_; }, [this] { finished_ = true; });
    root.removeChild(this);
    return ok ? chosen_ : -1;
}

void PopupList::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    if (look_ == Look::Menu) {
        // A raised frame around the whole list (the scroll bar sits outside the client).
        dc.frame_rect(c, sys::button_shadow);
    } else {
        dc.frame_rect(c, sys::window_text);
    }
    int y = 1, ih = itemHeight();
    for (int i = top_; i < int(items_.size()) && y < c.bottom; ++i) {
        const ListItem& it = items_[size_t(i)];
        if (it.separator) {
            dc.fill_rect({c.left + 1, y + 3, c.right - 1, y + 4}, sys::button_shadow);
            dc.fill_rect({c.left + 1, y + 4, c.right - 1, y + 5}, sys::button_highlight);
            y += SeparatorHeight;
            continue;
        }
        Rect row{c.left + 1, y, c.right - 1, y + ih};
        bool hot = i == hot_;
        if (hot) dc.fill_rect(row, sys::highlight);
        gfx::Colour ink = !it.enabled ? sys::gray_text : hot ? sys::highlight_text : sys::window_text;
        textSetup(dc, ink);
        int tx = look_ == Look::Menu ? MenuCheckColumn : 3;
        if (look_ == Look::Menu && it.checked)
            drawCheckMark(dc, {row.left, row.top, row.left + MenuCheckColumn, row.bottom}, ink);
        Rect tr{row.left + tx - 1, row.top, row.right - 2, row.bottom};
        gfx::draw_text(dc, it.text, tr, gfx::dt::left | gfx::dt::vcenter | gfx::dt::singleline | gfx::dt::noprefix);
        y += ih;
    }
}

void PopupList::onMouseMove(const MouseEvent& e)
{
    int i = indexAt({e.x, e.y});
    setHot(selectable(i) ? i : -1);
}

void PopupList::onMouseDown(const MouseEvent& e)
{
    int i = indexAt({e.x, e.y});
    setHot(selectable(i) ? i : -1);
}

void PopupList::onMouseUp(const MouseEvent& e)
{
    int i = indexAt({e.x, e.y});
    if (!selectable(i)) return;
    chosen_ = i;
    finished_ = true;
}

bool PopupList::onMouseWheel(const MouseEvent& e)
{
    scrollTo(top_ - e.wheel / 40); // three items a notch
    return true;
}

void PopupList::onKeyDown(const KeyEvent& e)
{
    int n = int(items_.size());
    auto step = [&](int dir) {
        for (int i = hot_ + dir, k = 0; k < n; ++k, i += dir) {
            if (i < 0) i = n - 1;
            if (i >= n) i = 0;
            if (selectable(i)) {
                setHot(i);
                ensureVisible(i);
                return;
            }
        }
    };
    switch (e.key) {
    case key::Down: step(1); break;
    case key::Up: step(-1); break;
    case key::Return:
        if (selectable(hot_)) chosen_ = hot_;
        finished_ = true;
        break;
    case key::Escape: finished_ = true; break;
    default: break;
    }
}

void PopupList::onScroll(ScrollBarKind, ScrollCode code, int pos)
{
    switch (code) {
    case ScrollCode::LineUp: scrollTo(top_ - 1); break;
    case ScrollCode::LineDown: scrollTo(top_ + 1); break;
    case ScrollCode::PageUp: scrollTo(top_ - visibleCount()); break;
    case ScrollCode::PageDown: scrollTo(top_ + visibleCount()); break;
    case ScrollCode::ThumbTrack:
    case ScrollCode::ThumbPosition: scrollTo(pos); break;
    default: break;
    }
}

// ---------------------------------------------------------------- PopupMenu

PopupMenu& PopupMenu::add(std::string text, int id, bool enabled, bool checked)
{
    items_.push_back({std::move(text), id, enabled, checked, false});
    return *this;
}

PopupMenu& PopupMenu::addSeparator()
{
    items_.push_back({{}, 0, false, false, true});
    return *this;
}

int PopupMenu::track(TopWindow& root, Point at) const
{
    if (items_.empty()) return 0;
    PopupList list(items_, PopupList::Look::Menu);
    int i = list.run(root, Rect::xywh(at.x, at.y, 0, 0), 0, root.clientRect().height());
    return i >= 0 ? items_[size_t(i)].id : 0;
}

} // namespace kv::ui
