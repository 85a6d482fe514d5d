#include "platform/ui/edit.h"

#include <algorithm>

#include "platform/text/text_draw.h"
#include "platform/ui/clipboard.h"
#include "platform/window/frame_draw.h"

namespace kv::ui {

namespace sys = gfx::sys;

Edit::Edit()
{
    setTakesFocusOnClick(true);
    setCursor(Cursor::IBeam);
}

void Edit::setText(const std::string& t)
{
    Window::setText(t);
    caret_ = anchor_ = 0;
    scrollX_ = 0;
    invalidate();
}

void Edit::setReadOnly(bool on)
{
    if (on == readOnly_) return;
    readOnly_ = on;
    invalidate();
}

void Edit::setSelection(size_t anchor, size_t caret)
{
    anchor_ = std::min(anchor, text().size());
    caret_ = std::min(caret, text().size());
    scrollToCaret();
    invalidate();
}

std::string Edit::selectedText() const
{
    size_t a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
    return text().substr(a, b - a);
}

int Edit::xOf(size_t index) const
{
    auto f = font();
    if (!f) return 0;
    int x = 0;
    for (size_t i = 0; i < index && i < text().size(); ++i) x += f->advance(static_cast<uint8_t>(text()[i]));
    return x;
}

Rect Edit::textArea() const
{
    Rect c = clientRect();
    return {c.left + Border + Margin, c.top + Border, c.right - Border - Margin, c.bottom - Border};
}

int Edit::textTop() const
{
    Rect a = textArea();
    return a.top + std::max(0, (a.height() - lineHeight()) / 2);
}

size_t Edit::indexAt(int clientX) const
{
    int x = clientX - textArea().left + scrollX_;
    auto f = font();
    if (!f || x <= 0) return 0;
    int at = 0;
    for (size_t i = 0; i < text().size(); ++i) {
        int w = f->advance(static_cast<uint8_t>(text()[i]));
        if (x < at + (w + 1) / 2) return i;
        at += w;
    }
    return text().size();
}

void Edit::scrollToCaret()
{
    int w = textArea().width();
    if (w <= 0) return;
    int cx = xOf(caret_);
    if (cx - scrollX_ > w - 1) scrollX_ = cx - w + 1;
    if (cx < scrollX_) scrollX_ = cx;
    // Never leave empty room on the right while text is hidden on the left.
    int total = xOf(text().size());
    scrollX_ = std::clamp(scrollX_, 0, std::max(0, total - w + 1));
}

void Edit::moveCaret(size_t to, bool extend)
{
    caret_ = std::min(to, text().size());
    if (!extend) anchor_ = caret_;
    scrollToCaret();
    invalidate();
}

void Edit::changed()
{
    scrollToCaret();
    invalidate();
    if (onChange) onChange();
}

void Edit::replaceSelection(std::string_view s)
{
    size_t a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
    std::string t = text();
    size_t room = maxLength_ > t.size() - (b - a) ? maxLength_ - (t.size() - (b - a)) : 0;
    std::string_view ins = s.substr(0, std::min(room, s.size()));
    if (ins.empty() && a == b) return;
    t.replace(a, b - a, ins);
    Window::setText(t);
    caret_ = anchor_ = a + ins.size();
    changed();
}

void Edit::onPaint(gfx::DC& dc)
{
    Rect c = clientRect();
    bool grey = readOnly_ || !isEnabled();
    dc.fill_rect(c, grey ? sys::button_face : sys::window);
    drawSunkenBorder(dc, c);
    Rect area = textArea();
    if (area.empty()) return;
    dc.save();
    dc.intersect_clip(area);
    int x0 = area.left - scrollX_, y = textTop();
    textSetup(dc, isEnabled() ? sys::window_text : sys::gray_text);
    gfx::text_out(dc, {x0, y}, text());
    size_t a = std::min(anchor_, caret_), b = std::max(anchor_, caret_);
    if (hasFocus() && a != b) {
        Rect sel{x0 + xOf(a), y, x0 + xOf(b), y + lineHeight()};
        dc.fill_rect(sel, sys::highlight);
        dc.save();
        dc.intersect_clip(sel);
        dc.set_text_colour(sys::highlight_text);
        gfx::text_out(dc, {x0 + xOf(a), y}, std::string_view(text()).substr(a, b - a));
        dc.restore();
    }
    if (hasFocus()) dc.fill_rect(Rect::xywh(x0 + xOf(caret_), y, 1, lineHeight()), sys::window_text);
    dc.restore();
}

void Edit::onMouseDown(const MouseEvent& e)
{
    activated();
    if (e.button != MouseButton::Left) return;
    moveCaret(indexAt(e.x), (e.flags & mk::Shift) != 0);
    selecting_ = true;
    captureMouse();
}

void Edit::onMouseMove(const MouseEvent& e)
{
    if (selecting_) moveCaret(indexAt(e.x), true);
}

void Edit::onMouseUp(const MouseEvent& e)
{
    if (!selecting_) return;
    selecting_ = false;
    moveCaret(indexAt(e.x), true);
    releaseCapture();
}

void Edit::onKeyDown(const KeyEvent& e)
{
    if (filtered(e)) return;
    bool shift = (e.flags & mk::Shift) != 0;
    switch (e.key) {
    case key::Left:
        if (!shift && anchor_ != caret_) moveCaret(std::min(anchor_, caret_), false);
        else moveCaret(caret_ > 0 ? caret_ - 1 : 0, shift);
        break;
    case key::Right:
        if (!shift && anchor_ != caret_) moveCaret(std::max(anchor_, caret_), false);
        else moveCaret(caret_ + 1, shift);
        break;
    case key::Home: moveCaret(0, shift); break;
    case key::End: moveCaret(text().size(), shift); break;
    case key::Delete:
        if (readOnly_) break;
        if (anchor_ == caret_) {
            if (caret_ >= text().size()) break;
            anchor_ = caret_ + 1;
        }
        replaceSelection({});
        break;
    default: break;
    }
}

void Edit::onChar(const CharEvent& e)
{
    if (filtered(e)) return;
    uint8_t ch = e.ch;
    switch (ch) {
    case 0x01: selectAll(); return;                              // Control+A
    case 0x03: setClipboardText(selectedText()); return;         // Control+C
    case 0x18:                                                   // Control+X
        setClipboardText(selectedText());
        if (!readOnly_) replaceSelection({});
        return;
    case 0x16: {                                                 // Control+V
        if (readOnly_) return;
        // Only the first line, without control characters: this is a single-line box.
        std::string t = clipboardText();
        std::string clean;
        for (char c : t) {
            if (c == '\r' || c == '\n') break;
            if (static_cast<uint8_t>(c) >= 0x20 && static_cast<uint8_t>(c) != 0x7F) clean += c;
        }
        replaceSelection(clean);
        return;
    }
    case '\b':
        if (readOnly_) return;
        if (anchor_ == caret_) {
            if (caret_ == 0) return;
            anchor_ = caret_ - 1;
        }
        replaceSelection({});
        return;
    default: break;
    }
    if (ch < 0x20 || ch == 0x7F || readOnly_) return;
    char c = static_cast<char>(ch);
    replaceSelection(std::string_view(&c, 1));
}

void Edit::onSetFocus()
{
    if (selectAllOnFocus_) selectAll();
    activated();
    invalidate();
}

void Edit::onKillFocus()
{
    selecting_ = false;
    invalidate();
    if (onFocusLost) onFocusLost();
}

void Edit::onSize()
{
    scrollToCaret();
}

} // namespace kv::ui
