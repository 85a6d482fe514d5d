#pragma once
// A test host for the X11 back end: its own connection, a top-level "host" window, and
// XTest input that replays the same scripts the headless back end runs. Xlib stays inside
// x11_harness.cpp (its macros clash with ordinary names).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/window/headless_host.h"
#include "platform/x11/x11_surface.h"

namespace kv::ui::test {

// Skips (visibly) without a display on a developer machine; fails on CI.
#define KV_REQUIRE_DISPLAY()                                                                                    \
    do {                                                                                                        \
        const char* dpy_ = std::getenv("DISPLAY");                                                              \
        if (!dpy_ || !*dpy_) {                                                                                  \
            const char* ci_ = std::getenv("CI");                                                                \
            if (ci_ && std::string(ci_) == "true") FAIL() << "CI=true but DISPLAY is not set: start Xvfb";     \
            GTEST_SKIP() << "DISPLAY is not set: X11 test skipped (run scripts/test.sh, which starts Xvfb)"; \
        }                                                                                                       \
    } while (0)

class TestHostWindow {
public:
    TestHostWindow(int w, int h, int x = 0, int y = 0);
    ~TestHostWindow();
    TestHostWindow(const TestHostWindow&) = delete;
    TestHostWindow& operator=(const TestHostWindow&) = delete;
    bool ok() const { return display_ && window_; }
    uintptr_t window() const { return window_; }
    // Destroys the host window (and with it the editor's child).
    void destroy();
    // Pumps the editor until the server has delivered everything.
    static void settle(X11Surface& s, int rounds = 4);
    // Replays a headless script through XTest; coordinates are the editor's.
    void play(X11Surface& s, const Script& script);
    // The editor window's pixels as 0x00RRGGBB.
    gfx::Bitmap screenshot(X11Surface& s, int w, int h);

private:
    void* display_ = nullptr;
    uintptr_t window_ = 0;
};

// A private Xvfb for tests that take the server down. The test's DISPLAY points at it while
// the object lives.
class PrivateXServer {
public:
    PrivateXServer();
    ~PrivateXServer();
    bool running() const { return pid_ > 0; }
    void kill();

private:
    int pid_ = -1;
    int number_ = 0;
    std::string savedDisplay_;
    bool hadDisplay_ = false;
};

// Pixel-exact comparison with a readable failure.
::testing::AssertionResult samePixels(const gfx::Bitmap& a, const gfx::Bitmap& b);

} // namespace kv::ui::test
