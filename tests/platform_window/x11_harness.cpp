// Xlib side of the X11 test host.
#include "tests/platform_window/x11_harness.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace kv::ui::test {

namespace {
// Two threads use Xlib in the X11 tests (the editor and the input feeder).
[[maybe_unused]] const bool threadsReady = XInitThreads() != 0;

Display* dpy(void* d) { return static_cast<Display*>(d); }

KeySym keysymOf(int k)
{
    if (k >= 'A' && k <= 'Z') return XK_a + (k - 'A');
    if (k >= '0' && k <= '9') return XK_0 + (k - '0');
    switch (k) {
    case key::Back: return XK_BackSpace;
    case key::Tab: return XK_Tab;
    case key::Return: return XK_Return;
    case key::Shift: return XK_Shift_L;
    case key::Control: return XK_Control_L;
    case key::Escape: return XK_Escape;
    case key::Space: return XK_space;
    case key::Left: return XK_Left;
    case key::Right: return XK_Right;
    case key::Up: return XK_Up;
    case key::Down: return XK_Down;
    case key::Home: return XK_Home;
    case key::End: return XK_End;
    case key::Delete: return XK_Delete;
    default: return NoSymbol;
    }
}
} // namespace

TestHostWindow::TestHostWindow(int w, int h, int x, int y)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) return;
    display_ = d;
    int s = DefaultScreen(d);
    ::Window win = XCreateSimpleWindow(d, RootWindow(d, s), x, y, unsigned(w), unsigned(h), 0, BlackPixel(d, s),
                                       BlackPixel(d, s));
    XSelectInput(d, win, StructureNotifyMask);
    XMapRaised(d, win);
    XEvent ev;
    do XNextEvent(d, &ev);
    while (ev.type != MapNotify);
    XSync(d, False);
    window_ = win;
}

TestHostWindow::~TestHostWindow()
{
    if (!display_) return;
    if (window_) XDestroyWindow(dpy(display_), ::Window(window_));
    XCloseDisplay(dpy(display_));
}

void TestHostWindow::destroy()
{
    XDestroyWindow(dpy(display_), ::Window(window_));
    XSync(dpy(display_), False);
    window_ = 0;
}

void TestHostWindow::settle(X11Surface& s, int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        s.idle();
        usleep(3000);
    }
    s.idle();
}

void TestHostWindow::play(X11Surface& s, const Script& script)
{
    // The input comes from another thread on its own connection, as from a user: the editor
    // may run a nested modal loop (menus, lists, dialogs) while later steps arrive.
    ::Window editor = ::Window(s.window());
    std::atomic<bool> done{false};
    std::thread feeder([&] {
        Display* d = XOpenDisplay(nullptr);
        if (!d) {
            done = true;
            return;
        }
        for (const ScriptStep& st : script.steps()) {
            using K = ScriptStep::Kind;
            int rx = 0, ry = 0;
            ::Window child;
            if (st.kind == K::Move || st.kind == K::Press || st.kind == K::Release || st.kind == K::Wheel)
                XTranslateCoordinates(d, editor, DefaultRootWindow(d), st.x, st.y, &rx, &ry, &child);
            switch (st.kind) {
            case K::Move: XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime); break;
            case K::Press:
            case K::Release:
                XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
                XTestFakeButtonEvent(d, st.value == 0 ? 1 : st.value == 1 ? 3 : 2, st.kind == K::Press, CurrentTime);
                break;
            case K::Wheel: {
                XTestFakeMotionEvent(d, -1, rx, ry, CurrentTime);
                unsigned b = st.value > 0 ? 4 : 5;
                XTestFakeButtonEvent(d, b, True, CurrentTime);
                XTestFakeButtonEvent(d, b, False, CurrentTime);
                break;
            }
            case K::KeyDown:
            case K::KeyUp: {
                KeyCode kc = XKeysymToKeycode(d, keysymOf(st.value));
                if (kc) XTestFakeKeyEvent(d, kc, st.kind == K::KeyDown, CurrentTime);
                break;
            }
            case K::Wait: usleep(unsigned(st.value) * 1000); break;
            default: break; // characters come from the keys
            }
            XSync(d, False);
            usleep(8000); // let the editor take each step in turn
        }
        XCloseDisplay(d);
        done = true;
    });
    while (!done) {
        s.idle();
        usleep(1000);
    }
    feeder.join();
    settle(s);
}

gfx::Bitmap TestHostWindow::screenshot(X11Surface& s, int w, int h)
{
    gfx::Bitmap out(w, h);
    XImage* img = XGetImage(dpy(display_), ::Window(s.window()), 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!img) return gfx::Bitmap();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.set(x, y, uint32_t(XGetPixel(img, x, y)) & 0xFFFFFF);
    XDestroyImage(img);
    return out;
}

::testing::AssertionResult samePixels(const gfx::Bitmap& a, const gfx::Bitmap& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "sizes differ: " << a.width() << "x" << a.height() << " vs "
                                             << b.width() << "x" << b.height();
    int diffs = 0, fx = -1, fy = -1;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.at(x, y) & 0xFFFFFF) != (b.at(x, y) & 0xFFFFFF)) {
                if (!diffs++) fx = x, fy = y;
            }
    if (!diffs) return ::testing::AssertionSuccess();
    char buf[160];
    std::snprintf(buf, sizeof buf, "%d pixels differ; first at (%d,%d): %06x vs %06x", diffs, fx, fy,
                  a.at(fx, fy) & 0xFFFFFF, b.at(fx, fy) & 0xFFFFFF);
    return ::testing::AssertionFailure() << buf;
}

} // namespace kv::ui::test
