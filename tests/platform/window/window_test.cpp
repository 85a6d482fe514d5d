// Window tree, routing, per-editor focus and capture, invalidation and paint order, timers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gfx/dc.h"
#include "platform/window/headless_host.h"

namespace kv::ui {
namespace {

// A window that records what happens to it into a shared log and paints a solid colour.
struct Probe : Window {
    Probe(std::string n, std::vector<std::string>& log, gfx::Colour c = gfx::rgb(200, 0, 0)) : name(std::move(n)), log(log), colour(c) {}
    std::string name;
    std::vector<std::string>& log;
    gfx::Colour colour;
    bool captureOnPress = false;
    bool eatWheel = false;
    bool eatMenu = false;
    void add(const std::string& what) { log.push_back(name + ":" + what); }
    void onPaint(gfx::DC& dc) override
    {
        Rect cb = dc.clip_box();
        add("paint " + std::to_string(cb.left) + "," + std::to_string(cb.top) + "," + std::to_string(cb.right) + "," +
            std::to_string(cb.bottom));
        dc.fill_rect(clientRect(), colour);
    }
    void onMouseDown(const MouseEvent& e) override
    {
        add("down " + std::to_string(e.x) + "," + std::to_string(e.y));
        if (captureOnPress) captureMouse();
    }
    void onMouseUp(const MouseEvent& e) override
    {
        add("up " + std::to_string(e.x) + "," + std::to_string(e.y));
        releaseCapture();
    }
    void onMouseMove(const MouseEvent& e) override { add("move " + std::to_string(e.x) + "," + std::to_string(e.y)); }
    void onMouseLeave() override { add("leave"); }
    bool onMouseWheel(const MouseEvent& e) override
    {
        add("wheel " + std::to_string(e.wheel));
        return eatWheel;
    }
    bool onContextMenu(Point) override
    {
        add("menu");
        return eatMenu;
    }
    void onKeyDown(const KeyEvent& e) override { add("keydown " + std::to_string(e.key) + (e.repeat ? " repeat" : "")); }
    void onKeyUp(const KeyEvent& e) override { add("keyup " + std::to_string(e.key)); }
    void onChar(const CharEvent& e) override { add(std::string("char ") + char(e.ch)); }
    void onSetFocus() override { add("setfocus"); }
    void onKillFocus() override { add("killfocus"); }
    void onCaptureLost() override { add("capturelost"); }
    void onTimer(int id) override { add("timer " + std::to_string(id)); }
};

struct Editor {
    explicit Editor(FakeClock& clock, std::vector<std::string>& log) : root(clock), host(root, clock), a("a", log), b("b", log)
    {
        root.setSize(200, 100);
        a.setRect(Rect::xywh(10, 10, 50, 50));
        b.setRect(Rect::xywh(40, 20, 50, 50)); // overlaps a; added later, so on top
        root.addChild(&a);
        root.addChild(&b);
        host.render();
    }
    TopWindow root;
    HeadlessHost host;
    Probe a, b;
};

TEST(WindowRouting, PressGoesToTopmostWindowInClientCoordinates)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    log.clear();
    ed.host.play(Script().press(45, 25).release(45, 25).press(15, 15).release(15, 15));
    EXPECT_EQ(log, (std::vector<std::string>{"b:down 5,5", "b:up 5,5", "b:leave", "a:down 5,5", "a:up 5,5"}))
        << ::testing::PrintToString(log);
}

TEST(WindowRouting, CaptureReceivesMovesAndReleaseOutside)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    ed.a.captureOnPress = true;
    log.clear();
    ed.host.play(Script().press(15, 15).move(150, 90).release(150, 90));
    EXPECT_EQ(log, (std::vector<std::string>{"a:down 5,5", "a:move 140,80", "a:up 140,80", "a:capturelost"}));
    EXPECT_FALSE(ed.host.captured());
    EXPECT_EQ(ed.root.capture(), nullptr);
}

TEST(WindowRouting, WheelAndContextMenuBubbleUntilHandled)
{
    FakeClock clock;
    std::vector<std::string> log;
    TopWindow root(clock);
    HeadlessHost host(root, clock);
    root.setSize(100, 100);
    Probe outer("outer", log), inner("inner", log);
    outer.setRect(Rect::xywh(0, 0, 80, 80));
    inner.setRect(Rect::xywh(10, 10, 20, 20));
    root.addChild(&outer);
    outer.addChild(&inner);
    outer.eatWheel = outer.eatMenu = true;
    host.render();
    log.clear();
    host.play(Script().wheel(15, 15, -120).click(15, 15, MouseButton::Right));
    EXPECT_EQ(log, (std::vector<std::string>{"inner:wheel -120", "outer:wheel -120", "inner:move 5,5", "inner:down 5,5",
                                             "inner:up 5,5", "inner:menu", "outer:menu"}));
}

TEST(WindowRouting, KeysGoToFocusOrRootAndTrackRepeat)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    log.clear();
    ed.host.play(Script().keyDown('A').keyDown('A').keyUp('A'));
    EXPECT_TRUE(log.empty()); // nothing focused: the root (no probe) gets the keys
    ed.b.setFocus();
    ed.host.play(Script().keyDown(key::Shift).type("x").keyUp(key::Shift));
    EXPECT_EQ(log, (std::vector<std::string>{"b:setfocus", "b:keydown 16", "b:keydown 88", "b:char X", "b:keyup 88",
                                             "b:keyup 16"}));
    EXPECT_FALSE(ed.root.isKeyDown(key::Shift));
    ed.a.setFocus();
    ed.host.play(Script().keyDown('Q').keyDown('Q'));
    EXPECT_EQ(log[log.size() - 2], "a:keydown 81 repeat");
}

TEST(WindowRouting, TwoEditorsKeepTheirOwnFocusCaptureAndKeys)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor one(clock, log), two(clock, log);
    one.a.setFocus();
    two.b.setFocus();
    one.a.captureOnPress = true;
    one.host.play(Script().press(15, 15)); // one holds a capture, mid-drag
    log.clear();
    two.host.play(Script().keyDown(key::Control).type("k").press(15, 15).release(15, 15));
    // Editor two's focus and capture are untouched by editor one's state.
    EXPECT_EQ(one.root.focus(), &one.a);
    EXPECT_EQ(two.root.focus(), &two.b);
    EXPECT_EQ(one.root.capture(), &one.a);
    EXPECT_EQ(two.root.capture(), nullptr);
    EXPECT_TRUE(two.root.isKeyDown(key::Control));
    EXPECT_FALSE(one.root.isKeyDown(key::Control));
    EXPECT_EQ(log, (std::vector<std::string>{"b:keydown 17", "b:keydown 75", "b:char \x0b", "b:keyup 75", "a:down 5,5",
                                             "a:up 5,5"}));
    EXPECT_TRUE(one.host.captured());
    EXPECT_FALSE(two.host.captured());
}

TEST(WindowTree, DestroyedWindowLeavesNoRecords)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    {
        Probe temp("t", log);
        temp.setRect(Rect::xywh(0, 0, 10, 10));
        ed.root.addChild(&temp);
        ed.host.play(Script().move(5, 5));
        temp.setFocus();
        temp.captureMouse();
        temp.setTimer(1, 10);
        EXPECT_EQ(ed.root.hover(), &temp);
    }
    EXPECT_EQ(ed.root.focus(), nullptr);
    EXPECT_EQ(ed.root.capture(), nullptr);
    EXPECT_EQ(ed.root.hover(), nullptr);
    EXPECT_EQ(ed.root.msUntilNextTimer(), -1);
    ed.host.play(Script().wait(50).click(5, 5).type("z")); // nothing dangles
}

TEST(WindowTree, FocusMovesWithKillBeforeSetAndNotToHiddenOrDisabled)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    ed.a.setFocus();
    log.clear();
    ed.b.setFocus();
    EXPECT_EQ(log, (std::vector<std::string>{"a:killfocus", "b:setfocus"}));
    ed.a.show(false);
    ed.a.setFocus();
    EXPECT_EQ(ed.root.focus(), &ed.b);
    ed.b.enable(false);
    EXPECT_EQ(ed.root.focus(), nullptr);
    ed.host.play(Script().focusOut().focusIn());
    EXPECT_EQ(ed.root.focus(), nullptr);
    ed.b.enable(true);
    ed.b.setFocus();
    ed.host.play(Script().keyDown(key::Shift).focusOut());
    EXPECT_EQ(ed.root.focus(), nullptr);
    EXPECT_FALSE(ed.root.isKeyDown(key::Shift)); // keys forgotten while away
    ed.host.play(Script().focusIn());
    EXPECT_EQ(ed.root.focus(), &ed.b); // the focus comes back where it was
}

TEST(WindowPaint, InvalidRegionPaintsBackToFrontWithClip)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    log.clear();
    ed.a.invalidate(Rect::xywh(25, 5, 20, 10)); // a's client 25..45 x 5..15 = root 35..55 x 15..25
    auto painted = ed.root.paint();
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0], (Rect{35, 15, 55, 25}));
    // a paints its part (clip in a's coordinates), then b on top paints the overlap.
    EXPECT_EQ(log, (std::vector<std::string>{"a:paint 25,5,45,15", "b:paint 0,0,15,5"}));
    const gfx::Bitmap& bmp = ed.root.backing();
    EXPECT_EQ(gfx::pixel_rgb(bmp.at(36, 16)), gfx::rgb(200, 0, 0).pixel());
    // Nothing pending: a second paint does nothing.
    log.clear();
    EXPECT_TRUE(ed.root.paint().empty());
    EXPECT_TRUE(log.empty());
}

TEST(WindowPaint, MovingAndHidingRepaintOldAndNewAreas)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    ed.b.colour = gfx::rgb(0, 0, 200);
    ed.b.invalidate();
    ed.host.render();
    ed.b.move(120, 40);
    const gfx::Bitmap& bmp = ed.host.render();
    EXPECT_EQ(gfx::pixel_rgb(bmp.at(45, 25)), gfx::rgb(200, 0, 0).pixel()); // a shows again under b's old place
    EXPECT_EQ(gfx::pixel_rgb(bmp.at(85, 65)), gfx::sys::window.pixel());  // background where b was
    EXPECT_EQ(gfx::pixel_rgb(bmp.at(130, 50)), gfx::rgb(0, 0, 200).pixel());
    ed.b.show(false);
    EXPECT_EQ(gfx::pixel_rgb(ed.host.render().at(130, 50)), gfx::sys::window.pixel());
    // A child is clipped to its parent.
    Probe kid("kid", log, gfx::rgb(0, 150, 0));
    kid.setRect(Rect::xywh(40, 40, 30, 30)); // sticks out of a (50 x 50 at 10,10)
    ed.a.addChild(&kid);
    const gfx::Bitmap& b2 = ed.host.render();
    EXPECT_EQ(gfx::pixel_rgb(b2.at(55, 55)), gfx::rgb(0, 150, 0).pixel());
    EXPECT_EQ(gfx::pixel_rgb(b2.at(62, 62)), gfx::sys::window.pixel());
}

TEST(WindowTimers, FireOnTheFakeClockPerEditor)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor one(clock, log), two(clock, log);
    one.a.setTimer(1, 100);
    one.b.setTimer(2, 250);
    log.clear();
    one.host.wait(99);
    EXPECT_TRUE(log.empty());
    one.host.wait(1);
    EXPECT_EQ(log, (std::vector<std::string>{"a:timer 1"}));
    log.clear();
    one.host.wait(400); // t = 500: a at 200, 300, 400, 500; b at 250, 500
    EXPECT_EQ(log, (std::vector<std::string>{"a:timer 1", "b:timer 2", "a:timer 1", "a:timer 1", "a:timer 1", "b:timer 2"}));
    EXPECT_EQ(two.root.msUntilNextTimer(), -1); // the other editor has no timers
    one.a.killTimer(1);
    log.clear();
    one.host.wait(250);
    EXPECT_EQ(log, (std::vector<std::string>{"b:timer 2"}));
}

TEST(WindowScrollBar, ArrowsPagesThumbAndRepeatReportLikeThePlatform)
{
    FakeClock clock;
    TopWindow root(clock);
    HeadlessHost host(root, clock);
    root.setSize(200, 200);
    struct Scrolled : Window {
        std::vector<std::string> log;
        void onScroll(ScrollBarKind, ScrollCode code, int pos) override
        {
            static const char* names[] = {"lineup", "linedown", "pageup", "pagedown", "track", "position", "top", "bottom", "end"};
            log.push_back(std::string(names[int(code)]) + " " + std::to_string(pos));
            int p = scrollPos(ScrollBarKind::Vertical);
            if (code == ScrollCode::LineDown) p += 10;
            if (code == ScrollCode::PageDown) p += scrollInfo(ScrollBarKind::Vertical).page;
            if (code == ScrollCode::ThumbTrack || code == ScrollCode::ThumbPosition) p = pos;
            setScrollPos(ScrollBarKind::Vertical, p);
        }
    } w;
    w.setStyle(ws::VScroll);
    w.setRect(Rect::xywh(0, 0, 100, 100)); // bar at x 84..100: arrows 16 px, track y 16..84
    root.addChild(&w);
    w.setScrollInfo(ScrollBarKind::Vertical, {0, 199, 50, 0}); // thumb 68 * 50 / 200 = 17 px
    EXPECT_EQ(w.clientRect(), (Rect{0, 0, 84, 100}));
    // Down arrow: one step at once, repeats after 400 ms, then every 50 ms.
    host.play(Script().press(90, 90).wait(399).wait(1).wait(50).release(90, 90));
    EXPECT_EQ(w.log, (std::vector<std::string>{"linedown 0", "linedown 10", "linedown 20", "end 30"}));
    w.log.clear();
    w.setScrollPos(ScrollBarKind::Vertical, 0);
    // Thumb (y 16..33) dragged from y 20: 51 px of travel cover positions 0..150.
    host.play(Script().press(90, 20).move(90, 37).move(90, 400).release(90, 400));
    EXPECT_EQ(w.log, (std::vector<std::string>{"track 50", "track 150", "position 150", "end 150"}));
    EXPECT_EQ(w.scrollPos(ScrollBarKind::Vertical), 150);
    w.log.clear();
    w.setScrollPos(ScrollBarKind::Vertical, 0);
    host.click(90, 60); // below the thumb: a page
    EXPECT_EQ(w.log, (std::vector<std::string>{"pagedown 0", "end 50"}));
    // Positions are clamped to max - page + 1.
    w.setScrollPos(ScrollBarKind::Vertical, 1000);
    EXPECT_EQ(w.scrollPos(ScrollBarKind::Vertical), 150);
    EXPECT_EQ(root.capture(), nullptr);
}

TEST(WindowCursor, FollowsTheWindowUnderThePointer)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    ed.b.setCursor(Cursor::IBeam);
    ed.host.play(Script().move(80, 40));
    EXPECT_EQ(ed.host.cursor(), Cursor::IBeam);
    ed.host.play(Script().move(150, 90));
    EXPECT_EQ(ed.host.cursor(), Cursor::Arrow);
}

TEST(WindowToolTip, ShowsAfterTheDelayAndHidesOnPressTimeoutAndOtherWindows)
{
    FakeClock clock;
    std::vector<std::string> log;
    Editor ed(clock, log);
    struct Tipped : Probe {
        using Probe::Probe;
        std::string toolTipText(Point p) const override { return "Cutoff : " + std::to_string(p.x); }
    } tipped("t", log);
    tipped.setRect(Rect::xywh(100, 60, 60, 30));
    ed.root.addChild(&tipped);
    const ToolTip& tip = ed.root.toolTip();
    ed.host.play(Script().move(110, 70).wait(100).move(112, 70).wait(499)); // moving restarts the delay
    EXPECT_FALSE(tip.showing());
    ed.host.wait(1);
    ASSERT_TRUE(tip.showing());
    EXPECT_EQ(tip.shownText(), "Cutoff : 12");
    EXPECT_LE(tip.rect().width(), ToolTip::MaxWidth + 8);
    EXPECT_EQ(ed.root.windowAt({tip.rect().left + 1, tip.rect().top + 1}) == &tip, false); // never hit
    ed.host.play(Script().press(112, 70).release(112, 70).move(115, 70).wait(600));
    EXPECT_FALSE(tip.showing()); // after a press it stays away on the same window
    ed.host.play(Script().move(45, 25).move(115, 70).wait(500));
    EXPECT_TRUE(tip.showing());
    ed.host.wait(ToolTip::AutoPopMs);
    EXPECT_FALSE(tip.showing());
    // Windows without a text show nothing.
    ed.host.play(Script().move(45, 25).wait(1000));
    EXPECT_FALSE(tip.showing());
}

} // namespace
} // namespace kv::ui
