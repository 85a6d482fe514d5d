#pragma once
// Button: push button, check box, radio button, or owner-drawn button.
//
// A press (left button, or Space while focused) shows the button pushed and reports
// onPress; the release reports onRelease and, when it happens over the button (always for
// Space), onClick. A check box flips its check on click; a radio button checks itself and
// clears the radio buttons of the same group among its siblings. Disabled buttons ignore
// input and draw their text greyed.
#include <functional>
#include <string>

#include "platform/ui/control.h"

namespace kv::ui {

class Button : public Control {
public:
    enum class Kind { Push, Check, Radio, OwnerDrawn };
    explicit Button(Kind kind = Kind::Push, std::string caption = {});

    Kind kind() const { return kind_; }
    bool checked() const { return checked_; }
    void setChecked(bool on);
    bool pushed() const { return pushed_; }
    void setGroup(int g) { group_ = g; }
    int group() const { return group_; }
    // The preferred size: (text width + 8, text height + 4) for push buttons, like the
    // panel's push-button wrapper; check and radio buttons add their box.
    Size preferredSize() const;

    std::function<void()> onPress, onRelease, onClick;
    // Owner-drawn buttons paint themselves: (dc, client rectangle, pushed).
    std::function<void(gfx::DC&, const Rect&, bool)> paintFace;

    void onPaint(gfx::DC& dc) override;
    void onMouseDown(const MouseEvent& e) override;
    void onMouseMove(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;
    void onCaptureLost() override;
    void onKeyDown(const KeyEvent& e) override;
    void onKeyUp(const KeyEvent& e) override;
    void onChar(const CharEvent& e) override;
    void onSetFocus() override;
    void onKillFocus() override;

private:
    void press();
    void release(bool click);
    Kind kind_;
    bool checked_ = false;
    bool pushed_ = false;    // drawn pushed
    bool tracking_ = false;  // mouse press in progress
    bool spaceDown_ = false;
    int group_ = 0;
};

} // namespace kv::ui
