// The X11 back end under a real (Xvfb) server: the screenshot equals the headless render of
// the same input, two editors stay independent, and the host may destroy its window first.
#include "tests/platform/window/x11_harness.h"

#include "platform/gfx/dc.h"
#include "tests/platform/window/control_panel.h"

namespace kv::ui {
namespace {

using test::TestHostWindow;

// A small panel whose picture depends on clicks, drags and typed characters.
struct Board {
    struct Toggle : Window {
        bool on = false;
        void onPaint(gfx::DC& dc) override { dc.fill_rect(clientRect(), on ? gfx::rgb(0, 160, 0) : gfx::rgb(160, 0, 0)); }
        void onMouseDown(const MouseEvent&) override
        {
            on = !on;
            invalidate();
        }
    };
    struct Dragger : Window {
        Point grab;
        void onPaint(gfx::DC& dc) override { dc.fill_rect(clientRect(), gfx::rgb(0, 0, 200)); }
        void onMouseDown(const MouseEvent& e) override
        {
            grab = {e.x, e.y};
            captureMouse();
        }
        void onMouseMove(const MouseEvent& e) override
        {
            if (hasCapture()) move(rect().left + e.x - grab.x, rect().top + e.y - grab.y);
        }
        void onMouseUp(const MouseEvent&) override { releaseCapture(); }
    };
    struct Typed : Window {
        std::string text;
        Typed() { setTakesFocusOnClick(true); }
        void onPaint(gfx::DC& dc) override
        {
            dc.fill_rect(clientRect(), hasFocus() ? gfx::rgb(255, 255, 200) : gfx::rgb(200, 200, 200));
            // One bar per character, its height from the byte.
            for (size_t i = 0; i < text.size(); ++i)
                dc.fill_rect(Rect::xywh(2 + int(i) * 4, 2, 3, (uint8_t(text[i]) & 31) + 1), gfx::rgb(0, 0, 0));
        }
        void onChar(const CharEvent& e) override
        {
            text += char(e.ch);
            invalidate();
        }
        void onSetFocus() override { invalidate(); }
        void onKillFocus() override { invalidate(); }
    };

    explicit Board(Clock& clock) : root(clock)
    {
        root.setSize(160, 100);
        toggle.setRect(Rect::xywh(10, 10, 30, 30));
        dragger.setRect(Rect::xywh(50, 10, 20, 20));
        typed.setRect(Rect::xywh(10, 50, 140, 40));
        root.addChild(&toggle);
        root.addChild(&dragger);
        root.addChild(&typed);
    }
    TopWindow root;
    Toggle toggle;
    Dragger dragger;
    Typed typed;
};

Script boardScript()
{
    return Script().click(20, 20).drag(55, 15, 100, 30, 3).click(40, 60).keyDown(key::Shift).key('H').keyUp(key::Shift).key('I').key(key::Space).key('7');
}

TEST(X11Surface, ScreenshotEqualsHeadlessRenderAfterScriptedInput)
{
    KV_REQUIRE_DISPLAY();
    // Headless reference.
    FakeClock clock;
    Board ref(clock);
    HeadlessHost host(ref.root, clock);
    host.play(boardScript());
    ASSERT_EQ(ref.typed.text, "Hi 7");
    ASSERT_EQ(ref.dragger.rect().left, 95);

    TestHostWindow hw(160, 100);
    ASSERT_TRUE(hw.ok());
    Board live(SteadyClock::instance());
    std::string err;
    auto surface = X11Surface::open(live.root, hw.window(), &err);
    ASSERT_TRUE(surface) << err;
    TestHostWindow::settle(*surface);
    hw.play(*surface, boardScript());
    EXPECT_TRUE(live.toggle.on);
    EXPECT_EQ(live.typed.text, "Hi 7");
    EXPECT_EQ(live.dragger.rect(), ref.dragger.rect());
    EXPECT_TRUE(test::samePixels(hw.screenshot(*surface, 160, 100), host.render()));
    EXPECT_EQ(surface->errorCount(), 0);
}

TEST(X11Surface, ControlsUnderXTestMatchTheHeadlessRenderPixelForPixel)
{
    KV_REQUIRE_DISPLAY();
    FakeClock clock;
    test::ControlPanel ref(clock);
    HeadlessHost host(ref.root, clock);
    host.play(test::ControlPanel::script());
    ASSERT_EQ(ref.combo.selected(), 2);

    TestHostWindow hw(300, 200);
    ASSERT_TRUE(hw.ok());
    // The live panel runs on the real clock; the script holds no button long enough for a
    // repeat, so both sessions see the same steps.
    test::ControlPanel live(SteadyClock::instance());
    auto surface = X11Surface::open(live.root, hw.window());
    ASSERT_TRUE(surface);
    hw.play(*surface, test::ControlPanel::script());
    EXPECT_EQ(live.combo.selected(), 2); // chosen inside the drop-down's nested loop
    EXPECT_EQ(live.buddy.text(), "3");
    EXPECT_EQ(live.edit.selectedText(), "440");
    EXPECT_EQ(live.track.pos(), ref.track.pos());
    EXPECT_TRUE(test::samePixels(hw.screenshot(*surface, 300, 200), host.render()));
    EXPECT_EQ(surface->errorCount(), 0);

    // Close and open again in the same host window: the same picture.
    surface.reset();
    surface = X11Surface::open(live.root, hw.window());
    ASSERT_TRUE(surface);
    live.root.paintAll();
    TestHostWindow::settle(*surface);
    EXPECT_TRUE(test::samePixels(hw.screenshot(*surface, 300, 200), host.render()));
}

TEST(X11Surface, TwoEditorsInOneProcessKeepTheirOwnFocusAndCapture)
{
    KV_REQUIRE_DISPLAY();
    TestHostWindow hw1(160, 100), hw2(160, 100, 300, 0);
    ASSERT_TRUE(hw1.ok() && hw2.ok());
    Board one(SteadyClock::instance()), two(SteadyClock::instance());
    auto s1 = X11Surface::open(one.root, hw1.window());
    auto s2 = X11Surface::open(two.root, hw2.window());
    ASSERT_TRUE(s1 && s2);
    two.typed.setFocus();
    hw1.play(*s1, Script().move(55, 15).press(55, 15)); // editor one mid-drag
    TestHostWindow::settle(*s2);
    EXPECT_EQ(one.root.capture(), &one.dragger);
    EXPECT_EQ(two.root.capture(), nullptr);
    EXPECT_EQ(two.root.focus(), &two.typed);
    EXPECT_EQ(one.root.focus(), nullptr);
    hw1.play(*s1, Script().release(55, 15));
}

TEST(X11Surface, HostDestroyingItsWindowFirstIsSurvived)
{
    KV_REQUIRE_DISPLAY();
    TestHostWindow hw(160, 100);
    ASSERT_TRUE(hw.ok());
    Board b(SteadyClock::instance());
    auto s = X11Surface::open(b.root, hw.window());
    ASSERT_TRUE(s);
    TestHostWindow::settle(*s);
    b.toggle.invalidate();
    hw.destroy(); // our child goes with it
    TestHostWindow::settle(*s);
    EXPECT_FALSE(s->alive());
    b.toggle.invalidate();
    s->idle();
    s.reset(); // closes the connection without touching the dead window
}

TEST(X11Surface, ServerGoingAwayDoesNotEndTheHost)
{
    KV_REQUIRE_DISPLAY();
    test::PrivateXServer server;
    ASSERT_TRUE(server.running()) << "cannot start Xvfb";
    Board b(SteadyClock::instance());
    std::unique_ptr<X11Surface> s;
    {
        TestHostWindow hw(160, 100);
        ASSERT_TRUE(hw.ok());
        s = X11Surface::open(b.root, hw.window());
        ASSERT_TRUE(s);
        TestHostWindow::settle(*s);
        server.kill();
        // Xlib's default handler would end the process here; ours marks the editor dead.
        b.toggle.invalidate();
        s->idle();
        EXPECT_FALSE(s->alive());
        s->idle();
    }
    s.reset();
}

TEST(X11Surface, AnEmptyEditorStillGetsAValidWindow)
{
    KV_REQUIRE_DISPLAY();
    TestHostWindow hw(10, 10);
    ASSERT_TRUE(hw.ok());
    TopWindow root;
    root.setSize(0, 0); // a patch with a 0 x 0 panel
    auto s = X11Surface::open(root, hw.window());
    ASSERT_TRUE(s);
    TestHostWindow::settle(*s);
    EXPECT_TRUE(s->alive());
    EXPECT_EQ(s->errorCount(), 0);
}

TEST(X11Surface, RefusesAMissingParent)
{
    KV_REQUIRE_DISPLAY();
    Board b(SteadyClock::instance());
    std::string err;
    EXPECT_FALSE(X11Surface::open(b.root, 0, &err));
    EXPECT_FALSE(X11Surface::open(b.root, 0x7FFFFFF, &err)); // no such window
    EXPECT_EQ(err, "the host window does not exist");
    EXPECT_EQ(b.root.surface(), nullptr);
}

} // namespace
} // namespace kv::ui
