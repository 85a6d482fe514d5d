#pragma once
// Edit: a single-line text box (Windows-1252 text).
//
// Caret and selection: the selection runs between an anchor and the caret (character
// boundaries 0..size). Left/Right/Home/End move the caret (Shift extends the selection),
// Backspace and Delete remove, Control+A/C/X/V select all, copy, cut and paste through the
// in-process clipboard. Typed characters replace the selection; control characters, Tab and
// Return are never inserted (they are offered to charFilter first, for the panel's tab
// navigation). A press places the caret, a drag selects. The text scrolls horizontally to
// keep the caret in view. A read-only box still moves, selects and copies.
//
// onChange reports every change made by the user (not by setText); onFocusLost lets the
// owner commit the text.
#include <functional>
#include <string>

#include "platform/ui/control.h"

namespace kv::ui {

class Edit : public Control {
public:
    Edit();

    void setText(const std::string& text) override; // caret and selection to the start
    void setReadOnly(bool on);
    bool readOnly() const { return readOnly_; }
    void setMaxLength(size_t n) { maxLength_ = n; }
    // Select the whole text whenever the box gains the focus (a click then places the caret).
    void setSelectAllOnFocus(bool on) { selectAllOnFocus_ = on; }
    void setSelection(size_t anchor, size_t caret);
    void selectAll() { setSelection(0, text().size()); }
    size_t caret() const { return caret_; }
    size_t anchor() const { return anchor_; }
    std::string selectedText() const;
    // Replaces the selection as typing would (respecting the length limit).
    void replaceSelection(std::string_view s);
    int scrollX() const { return scrollX_; }

    std::function<void()> onChange;
    std::function<void()> onFocusLost;

    static constexpr int Border = 2, Margin = 1;

    void onPaint(gfx::DC& dc) override;
    void onMouseDown(const MouseEvent& e) override;
    void onMouseMove(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;
    void onKeyDown(const KeyEvent& e) override;
    void onChar(const CharEvent& e) override;
    void onSetFocus() override;
    void onKillFocus() override;
    void onSize() override;

private:
    int xOf(size_t index) const; // text pixels from the start of the text
    size_t indexAt(int clientX) const;
    int textTop() const;
    Rect textArea() const;
    void moveCaret(size_t to, bool extend);
    void scrollToCaret();
    void changed();

    size_t caret_ = 0, anchor_ = 0;
    int scrollX_ = 0;
    bool readOnly_ = false;
    bool selecting_ = false;
    size_t maxLength_ = 30000;
    bool selectAllOnFocus_ = false;
};

} // namespace kv::ui
