#pragma once
// ListBox: a scrolling list of text rows with one selected row. A press selects (onSelect);
// a second press on the same row within 500 ms, or Return, activates it (onActivate).
// Up/Down/Home/End/PageUp/PageDown move the selection, the wheel and the scroll bar scroll.
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace kv::ui {

class ListBox : public Control {
public:
    ListBox();

    void setItems(std::vector<std::string> items);
    const std::vector<std::string>& items() const { return items_; }
    int selected() const { return selected_; }
    void select(int index); // scrolls it into view; no onSelect
    int top() const { return top_; }
    int rowHeight() const { return lineHeight() + 2; }

    std::function<void(int)> onSelect;
    std::function<void(int)> onActivate;

    void onPaint(gfx::DC& dc) override;
    void onMouseDown(const MouseEvent& e) override;
    bool onMouseWheel(const MouseEvent& e) override;
    void onKeyDown(const KeyEvent& e) override;
    void onChar(const CharEvent& e) override;
    void onScroll(ScrollBarKind bar, ScrollCode code, int pos) override;
    void onSize() override;
    void onSetFocus() override;
    void onKillFocus() override;

    static constexpr uint64_t DoubleClickMs = 500;

private:
    int visibleRows() const;
    void scrollTo(int top);
    void userSelect(int index);
    void updateBar();

    std::vector<std::string> items_;
    int selected_ = -1;
    int top_ = 0;
    uint64_t lastPress_ = 0;
    int lastPressIndex_ = -1;
};

} // namespace kv::ui
