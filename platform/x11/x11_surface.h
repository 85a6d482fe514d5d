#pragma once
// X11Surface: the Xlib back end of one editor.
//
// The host hands the editor its window as an X11 Window id. We open a display connection of
// our own (never the host's), create one child window of the host's window at (0, 0) with
// the editor's size (at least 1 x 1), and show the editor's backing bitmap in it with
// XPutImage. Everything runs on the host's user-interface thread: idle() (called from the
// host's effEditIdle) reads the pending events, translates them into window-system input,
// fires due timers and paints what is invalid. Modal windows run a nested loop that waits on
// the connection with poll() until the next timer is due.
//
// Xlib errors. Xlib's error handlers are process-wide and shared with the host, which may
// have its own (or rely on the default one, which exits the process). We therefore never
// leave a handler of ours installed: every block of our Xlib calls runs inside a trap scope
// that installs our handlers, syncs our connection before leaving (so every error our
// requests cause arrives while the trap is up) and puts the previous handlers back. Our
// handler only takes errors of our own connections (kept in a registry) and passes any
// other error to the handler it replaced, so the host sees its own errors as before. A lost
// connection is caught with the per-connection I/O-exit handler, so it marks the editor's
// surface dead instead of ending the host.
//
// When the host destroys its window before closing the editor, the server destroys our
// child with it: we see DestroyNotify (or BadWindow errors), mark the window gone, and the
// close only closes the connection.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/window/top_window.h"

namespace kv::ui {

class X11Surface final : public Surface {
public:
    // Opens the connection ($DISPLAY) and the child window of `parent`. Answers null and an
    // error text when there is no display, the parent does not exist or its visual is not a
    // 24- or 32-bit TrueColor one.
    static std::unique_ptr<X11Surface> open(TopWindow& root, uintptr_t parent, std::string* error = nullptr);
    ~X11Surface() override;

    // The host's idle call: events, timers, painting.
    void idle();
    // Follows the editor's size.
    void resize(int width, int height);
    uintptr_t window() const;
    // False once our window or our connection is gone.
    bool alive() const;
    // Errors our requests caused so far (for tests and diagnostics).
    int errorCount() const;

    // Surface
    void present(const gfx::Bitmap& backing, const std::vector<Rect>& rects) override;
    void setCapture(bool captured) override;
    void setCursor(Cursor c) override;
    void requestFocus() override;
    bool runModal(const std::function<bool()>& done) override;

    struct Impl;

private:
    explicit X11Surface(TopWindow& root);
    void pump();
    TopWindow& root_;
    std::unique_ptr<Impl> impl_;
};

} // namespace kv::ui
