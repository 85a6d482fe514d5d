#pragma once
// TrackBar: a vertical track bar (slider) with a range, tick marks on the right every
// `tickFrequency` positions, and a thumb. The top of the track is the range's minimum, as on
// the platform. Dragging the thumb tracks the pointer; a press on the track above or below
// the thumb moves it a page (a fifth of the range) toward the pointer and repeats while held;
// Up/Down (a line), PageUp/PageDown and Home/End step from the keyboard; the wheel moves a
// line per notch. Each change the user makes is reported by onScroll.
#include <functional>

#include "platform/ui/control.h"

namespace kv::ui {

class TrackBar : public Control {
public:
    TrackBar();

    void setRange(int lo, int hi);
    void setPos(int pos); // clamped; no onScroll
    int pos() const { return pos_; }
    void setTickFrequency(int f) { tick_ = f; invalidate(); }
    int pageSize() const { return std::max(1, (hi_ - lo_) / 5); }

    std::function<void(int pos)> onScroll;

    // Geometry (client coordinates), exposed for tests and owners.
    Rect channelRect() const;
    Rect thumbRect() const;
    static constexpr int ThumbLength = 10, ThumbWidth = 20;

    void onPaint(gfx::DC& dc) override;
    void onMouseDown(const MouseEvent& e) override;
    void onMouseMove(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;
    void onCaptureLost() override;
    void onTimer(int id) override;
    void onKeyDown(const KeyEvent& e) override;
    void onChar(const CharEvent& e) override;
    bool onMouseWheel(const MouseEvent& e) override;
    void onSetFocus() override;
    void onKillFocus() override;

private:
    int posAt(int y) const; // thumb centre at y
    int yOf(int pos) const; // thumb top for pos
    void userSet(int pos);
    void pageToward();

    int lo_ = 0, hi_ = 100, pos_ = 0, tick_ = 10;
    int dragging_ = 0; // 1 thumb drag, 2 paging
    int grab_ = 0;
    int lastY_ = 0;
};

} // namespace kv::ui
