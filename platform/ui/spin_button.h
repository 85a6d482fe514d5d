#pragma once
// SpinButton: an up-down control. Its upper half steps the position up, the lower half down
// (holding repeats: first after 400 ms, then every 100 ms); Up and Down keys in the buddy edit
// box step too. With a buddy, the position is read from the buddy's text before each step
// (so typed numbers count) and written back as a decimal integer afterwards, like the
// platform's buddy-integer style. Steps stop at the ends of the range.
#include <functional>

#include "platform/ui/control.h"

namespace kv::ui {

class Edit;

class SpinButton : public Control {
public:
    SpinButton();
    ~SpinButton() override;

    void setRange(int lo, int hi);
    int lower() const { return lo_; }
    int upper() const { return hi_; }
    void setPos(int pos); // clamped; updates the buddy; no onStep
    int pos() const { return pos_; }
    void setBuddy(Edit* buddy);
    Edit* buddy() const { return buddy_; }

    // The user stepped: the new position (the buddy's text is already written).
    std::function<void(int pos)> onStep;

    void onPaint(gfx::DC& dc) override;
    void onMouseDown(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;
    void onCaptureLost() override;
    void onTimer(int id) override;
    bool onMouseWheel(const MouseEvent& e) override;

    void step(int dir);

private:
    void writeBuddy();
    int pressed_ = 0; // +1 upper half held, -1 lower half, 0 none
    int lo_ = 0, hi_ = 100, pos_ = 0;
    Edit* buddy_ = nullptr;
};

} // namespace kv::ui
