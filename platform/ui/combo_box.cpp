#include "platform/ui/combo_box.h"

#include <algorithm>

#include "platform/text/text_draw.h"
#include "platform/ui/popup_list.h"
#include "platform/window/frame_draw.h"

namespace kv::ui {

namespace sys = gfx::sys;

ComboBox::ComboBox()
{
    setTakesFocusOnClick(true);
}

void ComboBox::clear()
{
    items_.clear();
    selected_ = -1;
    invalidate();
}

void ComboBox::addItem(std::string label, int data)
{
    items_.push_back({std::move(label), data});
    invalidate();
}

void ComboBox::select(int index)
{
    if (index < -1 || index >= int(items_.size())) index = -1;
    if (index == selected_) return;
    selected_ = index;
    invalidate();
}

int ComboBox::findData(int data) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].data == data) return int(i);
    return -1;
}

void ComboBox::userSelect(int index)
{
    if (index < 0 || index >= int(items_.size()) || index == selected_) return;
    select(index);
    if (onSelect) onSelect(index);
}

void ComboBox::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    dc.fill_rect(c, isEnabled() ? sys::window : sys::button_face);
    drawSunkenBorder(dc, c);
    int bw = std::min(ScrollBarSize, std::max(0, c.width() - 4));
    Rect btn{c.right - 2 - bw, c.top + 2, c.right - 2, c.bottom - 2};
    drawButtonBox(dc, btn, dropped_);
    drawArrow(dc, dropped_ ? btn.offset(1, 1) : btn, Arrow::Down, isEnabled() ? sys::button_text : sys::button_shadow);
    Rect field{c.left + 2, c.top + 2, btn.left, c.bottom - 2};
    if (field.empty()) return;
    bool focus = hasFocus() && !dropped_;
    if (focus) dc.fill_rect({field.left + 1, field.top + 1, field.right - 1, field.bottom - 1}, sys::highlight);
    if (selected_ >= 0) {
        textSetup(dc, !isEnabled() ? sys::gray_text : focus ? sys::highlight_text : sys::window_text);
        Rect tr{field.left + 2, field.top, field.right - 1, field.bottom};
        gfx::draw_text(dc, items_[size_t(selected_)].label, tr,
                       gfx::dt::left | gfx::dt::vcenter | gfx::dt::singleline | gfx::dt::noprefix);
    }
    if (focus) dc.focus_rect({field.left + 1, field.top + 1, field.right - 1, field.bottom - 1});
}

void ComboBox::dropDown()
{
    TopWindow* r = root();
    if (!r || dropped_ || !isEnabled()) return;
    std::vector<ListItem> list;
    for (size_t i = 0; i < items_.size(); ++i) list.push_back({items_[i].label, int(i)});
    dropped_ = true;
    invalidate();
    PopupList popup(std::move(list), PopupList::Look::DropDown);
    popup.setFont(font());
    Point o = clientToRoot({0, 0});
    int chosen = popup.run(*r, Rect::xywh(o.x, o.y, rect().width(), rect().height()), rect().width(), dropHeight_, selected_);
    dropped_ = false;
    invalidate();
    userSelect(chosen);
}

void ComboBox::onMouseDown(const MouseEvent& e)
{
    activated();
    if (e.button == MouseButton::Left) dropDown();
}

bool ComboBox::onMouseWheel(const MouseEvent& e)
{
    if (items_.empty()) return true;
    int step = e.wheel > 0 ? -1 : 1;
    userSelect(std::clamp(selected_ + step, 0, int(items_.size()) - 1));
    return true;
}

void ComboBox::onKeyDown(const KeyEvent& e)
{
    if (filtered(e)) return;
    TopWindow* r = root();
    bool alt = r && r->isKeyDown(key::Alt);
    if (e.key == key::F1 + 3 || (alt && e.key == key::Down)) {
        dropDown();
        return;
    }
    if (items_.empty()) return;
    int last = int(items_.size()) - 1;
    switch (e.key) {
    case key::Up: userSelect(std::max(0, selected_ - 1)); break;
    case key::Down: userSelect(std::min(last, selected_ + 1)); break;
    case key::Home: userSelect(0); break;
    case key::End: userSelect(last); break;
    default: break;
    }
}

void ComboBox::onChar(const CharEvent& e)
{
    filtered(e);
}

void ComboBox::onSetFocus()
{
    activated();
    invalidate();
}

void ComboBox::onKillFocus()
{
    invalidate();
}

} // namespace kv::ui
