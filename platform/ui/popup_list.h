#pragma once
// PopupList: the list that pop-up menus and drop-down lists show on top of the editor.
//
// It runs modally (TopWindow::runModal): the pointer highlights the item under it, a release
// over an enabled item chooses it, a press outside the list or Escape cancels, Up/Down move
// the highlight (skipping separators and disabled items) and Return chooses. Lists taller
// than the room they get scroll with a scroll bar and the wheel. The list stays inside the
// editor's area: it opens below its anchor, or above when there is no room below.
//
// Headless, a list opened by a scripted step is answered by the following steps of the
// same script; with none left it is cancelled.
#include <string>
#include <vector>

#include "platform/ui/control.h"

namespace kv::ui {

struct ListItem {
    std::string text;
    int id = 0;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
};

class PopupList : public Control {
public:
    enum class Look { Menu, DropDown };
    PopupList(std::vector<ListItem> items, Look look);

    // Opens the list in `root` under the rectangle `anchor` (root coordinates), at least
    // `minWidth` wide and at most `maxHeight` tall, with `current` highlighted; answers the
    // chosen index or -1.
    int run(TopWindow& root, const Rect& anchor, int minWidth, int maxHeight, int current = -1);

    int itemHeight() const;
    int highlighted() const { return hot_; }

    void onPaint(gfx::DC& dc) override;
    void onMouseMove(const MouseEvent& e) override;
    void onMouseUp(const MouseEvent& e) override;
    void onMouseDown(const MouseEvent& e) override;
    bool onMouseWheel(const MouseEvent& e) override;
    void onKeyDown(const KeyEvent& e) override;
    void onScroll(ScrollBarKind bar, ScrollCode code, int pos) override;

private:
    int indexAt(Point p) const;
    bool selectable(int i) const;
    void setHot(int i);
    void scrollTo(int top);
    void ensureVisible(int i);
    int visibleCount() const;
    int itemTop(int i) const;

    std::vector<ListItem> items_;
    Look look_;
    int hot_ = -1;
    int top_ = 0; // first item shown
    int chosen_ = -1;
    bool finished_ = false;
};

// A pop-up menu: items with identifiers; track() answers the chosen identifier or 0.
class PopupMenu {
public:
    PopupMenu& add(std::string text, int id, bool enabled = true, bool checked = false);
    PopupMenu& addSeparator();
    const std::vector<ListItem>& items() const { return items_; }
    bool empty() const { return items_.empty(); }
    // Shows the menu with its top-left at `at` (root coordinates).
    int track(TopWindow& root, Point at) const;

private:
    std::vector<ListItem> items_;
};

} // namespace kv::ui
