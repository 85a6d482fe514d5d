#pragma once
// Control: the base of the platform controls we draw ourselves (buttons, edit box, drop-down
// list, spin control, track bar, menus and dialogs). It adds what every control shares to a
// Window: a font (its own or the editor's default), the hooks the panel code uses to see
// presses and focus changes (OnChildActivated in the panel) and to take Tab and Return for
// its own navigation before the control sees them.
#include <functional>
#include <memory>

#include "platform/gfx/dc.h"
#include "platform/text/font.h"
#include "platform/window/top_window.h"

namespace kv::ui {

class Control : public Window {
public:
    void setFont(std::shared_ptr<const gfx::Font> f);
    std::shared_ptr<const gfx::Font> font() const;
    // Cell height of the font (16 without a font).
    int lineHeight() const;
    int textWidth(std::string_view text) const;

    // Offered every typed character first; answering true consumes it.
    std::function<bool(const CharEvent&)> charFilter;
    // Offered every key press first; answering true consumes it.
    std::function<bool(const KeyEvent&)> keyFilter;
    // A mouse press on the control, or the control gaining the focus.
    std::function<void()> onActivate;

protected:
    bool filtered(const CharEvent& e) { return charFilter && charFilter(e); }
    bool filtered(const KeyEvent& e) { return keyFilter && keyFilter(e); }
    void activated()
    {
        if (onActivate) onActivate();
    }
    // Prepares a DC for text in this control's font: transparent background, top-left
    // alignment, the given colour.
    void textSetup(gfx::DC& dc, gfx::Colour c) const;

private:
    std::shared_ptr<const gfx::Font> font_;
};

} // namespace kv::ui
