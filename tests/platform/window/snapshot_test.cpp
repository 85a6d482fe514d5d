// Stored pictures of the controls, the built-in scroll bars, an open menu and a message box
// (refresh on purpose with KORVANE_UPDATE_SNAPSHOTS=1, then look at the images).
#include <gtest/gtest.h>

#include "platform/text/font_cache.h"
#include "platform/ui/button.h"
#include "platform/ui/combo_box.h"
#include "platform/ui/edit.h"
#include "platform/ui/list_box.h"
#include "platform/ui/message_box.h"
#include "platform/ui/popup_list.h"
#include "platform/ui/spin_button.h"
#include "platform/ui/track_bar.h"
#include "platform/window/headless_host.h"
#include "tests/platform/snapshot/snapshot.h"
#include "tests/platform/window/control_panel.h"

namespace kv::ui {
namespace {

TEST(ControlsSnapshot, EveryControlInAKnownState)
{
    FakeClock clock;
    test::ControlPanel panel(clock);
    HeadlessHost host(panel.root, clock);
    host.play(test::ControlPanel::script());
    EXPECT_TRUE(kv::test::matches_snapshot(host.render(), "tests/platform/window/snapshots/controls.png"));
}

// Captures the editor's picture from inside a modal loop (a timer fires during the script's wait).
struct Grabber : Window {
    gfx::Bitmap shot;
    void onTimer(int) override
    {
        killTimer(1);
        root()->paint();
        shot = root()->backing();
    }
};

TEST(ControlsSnapshot, OpenMenuAndMessageBox)
{
    FakeClock clock;
    gfx::FontCache fonts(gfx::dejavu_test_fonts());
    TopWindow root(clock);
    HeadlessHost host(root, clock);
    root.setSize(260, 160);
    root.setDefaultFont(fonts.get({"DejaVu Sans", -11}));
    Grabber grab;
    grab.setRect(Rect::xywh(0, 0, 1, 1));
    root.addChild(&grab);
    struct Opener : Window {
        std::function<void()> f;
        void onMouseDown(const MouseEvent&) override { f(); }
    } opener;
    opener.setRect(Rect::xywh(0, 150, 260, 10));
    root.addChild(&opener);

    PopupMenu m;
    m.add("Load Bank", 34909).add("Save Bank", 34910, false).addSeparator().add("Sustain Seg", 3, true, true);
    opener.f = [&] { m.track(root, {30, 20}); };
    grab.setTimer(1, 5);
    host.play(Script().click(5, 155).key(key::Down).wait(10).key(key::Escape));
    EXPECT_TRUE(kv::test::matches_snapshot(grab.shot, "tests/platform/window/snapshots/menu.png"));

    opener.f = [&] { messageBox(root, "Sound Engine not responding. Please Save and Exit", "Korvane", MessageIcon::Exclamation); };
    grab.setTimer(1, 5);
    host.play(Script().click(5, 155).wait(10).key(key::Return));
    EXPECT_TRUE(kv::test::matches_snapshot(grab.shot, "tests/platform/window/snapshots/message_box.png"));

    opener.f = [&] { messageBox(root, "Error reading image file: knob.bmp", "Error", MessageIcon::Information); };
    grab.setTimer(1, 5);
    host.play(Script().click(5, 155).wait(10).key(key::Return));
    EXPECT_TRUE(kv::test::matches_snapshot(grab.shot, "tests/platform/window/snapshots/message_box_info.png"));
}

} // namespace
} // namespace kv::ui
