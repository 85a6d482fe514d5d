// Xlib side of the X11 test host.
#include "tests/platform/window/x11_harness.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <thread>

namespace kv::ui::test {

namespace {
// Two threads use Xlib in the X11 tests (the editor and the input feeder).
[[maybe_unused]] const bool threadsReady = XInitThreads() != 0;

Display* dpy(void* d) { return static_cast<Display*>(d); }

// An X server without -noreset resets whenever its last client leaves, and refuses the
// connections that arrive meanwhile. One connection held for the whole test run keeps the
// server from resetting between tests.
class KeepServerUp : public ::testing::Environment {
public:
    void SetUp() override
    {
        const char* d = std::getenv("DISPLAY");
        // The previous test program's exit may have started a reset: try for a while.
        for (int i = 0; d && *d && !keeper_ && i < 100; ++i) {
            keeper_ = XOpenDisplay(nullptr);
            if (!keeper_) usleep(10000);
        }
    }
    void TearDown() override
    {
        if (keeper_) XCloseDisplay(keeper_);
        keeper_ = nullptr;
    }

private:
    Display* keeper_ = nullptr;
};
[[maybe_unused]] ::testing::Environment* const keepServerUp = ::testing::AddGlobalTestEnvironment(new KeepServerUp);

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
    // The test host survives its server going away (one test kills a private server).
    XSetIOErrorExitHandler(d, [](Display*, void*) {}, nullptr);
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
    // The server may be gone (one test kills it): Xlib's default I/O error handler would
    // end the test program, so a returning one stands in while we close.
    XIOErrorHandler old = XSetIOErrorHandler([](Display*) { return 0; });
    if (window_) XDestroyWindow(dpy(display_), ::Window(window_));
    XCloseDisplay(dpy(display_));
    XSetIOErrorHandler(old);
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

PrivateXServer::PrivateXServer()
{
    const char* old = std::getenv("DISPLAY");
    hadDisplay_ = old != nullptr;
    if (old) savedDisplay_ = old;
    for (int n = 150; n < 200; ++n) {
        std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
        struct stat st;
        if (stat(lock.c_str(), &st) == 0 || stat(sock.c_str(), &st) == 0) continue;
        std::string name = ":" + std::to_string(n);
        const char* argv[] = {"Xvfb", name.c_str(), "-screen", "0", "320x240x24", "-nolisten", "tcp", nullptr};
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        int rc = posix_spawnp(&pid, "Xvfb", &fa, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&fa);
        if (rc != 0) return;
        for (int i = 0; i < 200 && stat(sock.c_str(), &st) != 0; ++i) usleep(10000);
        pid_ = pid;
        number_ = n;
        setenv("DISPLAY", name.c_str(), 1);
        return;
    }
}

void PrivateXServer::kill()
{
    if (pid_ <= 0) return;
    // SIGTERM: the server closes every connection at once (what the clients see of a server
    // going away) and removes its socket and lock file; SIGKILL would leave those behind.
    ::kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    unlink(("/tmp/.X11-unix/X" + std::to_string(number_)).c_str());
    unlink(("/tmp/.X" + std::to_string(number_) + "-lock").c_str());
}

PrivateXServer::~PrivateXServer()
{
    kill();
    if (hadDisplay_) setenv("DISPLAY", savedDisplay_.c_str(), 1);
    else unsetenv("DISPLAY");
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
