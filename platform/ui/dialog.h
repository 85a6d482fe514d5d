#pragma once
// Dialog: a modal window inside the editor: a frame with a title bar, a face-coloured body
// holding child controls, centred in the editor (and kept inside it).
//
// run() shows it and runs the nested loop until end() is called; it answers the value given
// to end(), or `cancelValue` when the back end gives up (headless script exhausted, native
// window gone). Inside, Tab and Shift+Tab move the focus between the controls that take
// focus, Return clicks the default button and Escape ends with the cancel value.
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/control.h"

namespace kv::ui {

class Dialog : public Control {
public:
    explicit Dialog(std::string title);

    // Client size of the body (below the title bar); the dialog adds its frame.
    void setBodySize(int width, int height);
    Rect bodyRect() const; // in the dialog's client coordinates
    // Adds a control to the body at a rectangle in body coordinates; the dialog does not own it.
    void addControl(Control& c, const Rect& bodyRect);
    void setDefaultButton(Button* b) { default_ = b; }
    void setCancelValue(int v) { cancelValue_ = v; }
    // The control focused when the dialog opens.
    void setInitialFocus(Control* c) { initialFocus_ = c; }

    int run(TopWindow& root);
    void end(int result);
    bool running() const { return running_; }

    void onPaint(gfx::DC& dc) override;
    void onKeyDown(const KeyEvent& e) override;
    void onChar(const CharEvent& e) override;

    static constexpr int TitleHeight = 18, Frame = 3;

private:
    bool handleNavigation(const CharEvent& e);
    void focusNext(bool backward);

    std::vector<Control*> controls_;
    Button* default_ = nullptr;
    Control* initialFocus_ = nullptr;
    int cancelValue_ = 0;
    int result_ = 0;
    bool running_ = false;
    bool ended_ = false;
};

} // namespace kv::ui
