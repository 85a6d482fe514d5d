#pragma once
// ComboBox: a drop-down list (no typing). The closed box shows the selected item's label and
// a drop button; a press opens the list below it (at most DropHeight pixels tall, the room
// the panel's wrapper gives it), and choosing an item selects it and reports onSelect.
// Up/Down and the wheel step through the items while closed; F4 or Alt+Down opens the list.
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace kv::ui {

class ComboBox : public Control {
public:
    struct Item {
        std::string label;
        int data = 0;
    };
    ComboBox();

    void clear();
    void addItem(std::string label, int data = 0);
    const std::vector<Item>& items() const { return items_; }
    int selected() const { return selected_; }
    void select(int index); // -1 for none; does not report onSelect
    // Index of the first item carrying `data`, or -1.
    int findData(int data) const;
    void setDropHeight(int h) { dropHeight_ = h; }

    // The user chose a different item.
    std::function<void(int index)> onSelect;

    void onPaint(gfx::DC& dc) override;
    void onMouseDown(const MouseEvent& e) override;
    bool onMouseWheel(const MouseEvent& e) override;
    void onKeyDown(const KeyEvent& e) override;
    void onChar(const CharEvent& e) override;
    void onSetFocus() override;
    void onKillFocus() override;

    void dropDown();
    bool dropped() const { return dropped_; }

private:
    void userSelect(int index);
    std::vector<Item> items_;
    int selected_ = -1;
    int dropHeight_ = 100;
    bool dropped_ = false;
};

} // namespace kv::ui
