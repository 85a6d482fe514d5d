#include "platform/x11/x11_surface.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/gfx/bitmap.h"
#include "platform/text/cp1252.h"

namespace kv::ui {

// ---------------------------------------------------------------- error trap

namespace {

// State of one of our connections, found by its Display pointer.
struct Connection {
    int errors = 0;
    unsigned char lastError = 0;
    bool dead = false;
    ::Window window = 0;   // our child window
    bool windowGone = false;
};

std::mutex registryMutex;
std::map<Display*, Connection*>& registry()
{
    static std::map<Display*, Connection*> r;
    return r;
}

Connection* lookup(Display* d)
{
    std::lock_guard<std::mutex> lock(registryMutex);
    auto it = registry().find(d);
    return it == registry().end() ? nullptr : it->second;
}

// The handlers we replaced while a trap is up (only ever touched on the UI thread that
// makes the Xlib calls; nested traps share them through the depth count).
XErrorHandler previousError = nullptr;
XIOErrorHandler previousIOError = nullptr;
int trapDepth = 0;
Display* outerTrapDisplay = nullptr;

int onXError(Display* d, XErrorEvent* e)
{
    if (Connection* c = lookup(d)) {
        ++c->errors;
        c->lastError = e->error_code;
        // Our window vanished under us (the host destroyed its parent first).
        if (e->error_code == BadWindow && e->resourceid == c->window) c->windowGone = true;
        return 0;
    }
    return previousError ? previousError(d, e) : 0;
}

int onXIOError(Display* d)
{
    if (Connection* c = lookup(d)) {
        c->dead = true;
        return 0;
    }
    return previousIOError ? previousIOError(d) : 0;
}

// Called by Xlib after the I/O error handler; returning keeps the host alive (Xlib then
// treats the connection as closed).
void onXIOExit(Display* d, void*)
{
    if (Connection* c = lookup(d)) c->dead = true;
}

// Installs our handlers for the duration of a block of our own Xlib calls.
class Trap {
public:
    explicit Trap(Display* d, Connection* c) : d_(d), c_(c)
    {
        if (trapDepth++ == 0) {
            outerTrapDisplay = d;
            previousError = XSetErrorHandler(onXError);
            previousIOError = XSetIOErrorHandler(onXIOError);
        }
    }
    ~Trap()
    {
        // The outermost trap flushes and collects the errors of our requests before giving
        // the handlers back (inner ones leave that to it: one round trip per block).
        if ((trapDepth == 1 || d_ != outerTrapDisplay) && d_ && c_ && !c_->dead) XSync(d_, False);
        if (--trapDepth == 0) {
            XSetErrorHandler(previousError);
            XSetIOErrorHandler(previousIOError);
            previousError = nullptr;
            previousIOError = nullptr;
            outerTrapDisplay = nullptr;
        }
    }
    void forget() // the connection is closed: nothing left to sync
    {
        if (outerTrapDisplay == d_) outerTrapDisplay = nullptr;
        d_ = nullptr;
    }
    Trap(const Trap&) = delete;
    Trap& operator=(const Trap&) = delete;

private:
    Display* d_;
    Connection* c_;
};

// ---------------------------------------------------------------- key translation

int keyFromKeysym(KeySym k)
{
    if (k >= XK_a && k <= XK_z) return int(k - XK_a) + 'A';
    if (k >= XK_A && k <= XK_Z) return int(k - XK_A) + 'A';
    if (k >= XK_0 && k <= XK_9) return int(k - XK_0) + '0';
    if (k >= XK_KP_0 && k <= XK_KP_9) return int(k - XK_KP_0) + 0x60;
    if (k >= XK_F1 && k <= XK_F12) return int(k - XK_F1) + key::F1;
    switch (k) {
    case XK_BackSpace: return key::Back;
    case XK_Tab:
    case XK_ISO_Left_Tab: return key::Tab;
    case XK_Return:
    case XK_KP_Enter: return key::Return;
    case XK_Shift_L:
    case XK_Shift_R: return key::Shift;
    case XK_Control_L:
    case XK_Control_R: return key::Control;
    case XK_Alt_L:
    case XK_Alt_R: return key::Alt;
    case XK_Escape: return key::Escape;
    case XK_space: return key::Space;
    case XK_Prior: return key::PageUp;
    case XK_Next: return key::PageDown;
    case XK_End: return key::End;
    case XK_Home: return key::Home;
    case XK_Left: return key::Left;
    case XK_Up: return key::Up;
    case XK_Right: return key::Right;
    case XK_Down: return key::Down;
    case XK_Insert: return key::Insert;
    case XK_Delete: return key::Delete;
    default: return 0;
    }
}

// The 1252 character a key press types, or -1.
int charFromKeyEvent(XKeyEvent* e)
{
    char buf[16];
    KeySym ks = 0;
    int n = XLookupString(e, buf, sizeof buf, &ks, nullptr);
    if (n == 1 && static_cast<unsigned char>(buf[0]) < 0x20) return static_cast<unsigned char>(buf[0]);
    char32_t u = 0;
    if ((ks >= 0x20 && ks <= 0x7E) || (ks >= 0xA0 && ks <= 0xFF)) u = char32_t(ks);
    else if ((ks & 0xFF000000) == 0x01000000) u = char32_t(ks & 0x00FFFFFF);
    else if (ks == XK_EuroSign) u = 0x20AC;
    else if (ks == XK_KP_Space) u = ' ';
    else if (ks >= XK_KP_0 && ks <= XK_KP_9) u = char32_t('0' + (ks - XK_KP_0));
    else return -1;
    return gfx::unicode_to_cp1252(u);
}

uint32_t flagsFromState(unsigned state)
{
    return ((state & Button1Mask) ? mk::LButton : 0u) | ((state & Button3Mask) ? mk::RButton : 0u) |
           ((state & Button2Mask) ? mk::MButton : 0u) | ((state & ShiftMask) ? mk::Shift : 0u) |
           ((state & ControlMask) ? mk::Control : 0u);
}

uint32_t buttonBit(unsigned button)
{
    return button == 1 ? mk::LButton : button == 3 ? mk::RButton : button == 2 ? mk::MButton : 0u;
}

} // namespace

// ---------------------------------------------------------------- Impl

struct X11Surface::Impl {
    Display* display = nullptr;
    ::Window window = 0;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    Connection conn;
    std::map<Cursor, ::Cursor> cursors;
    bool grabbed = false;
    int width = 1, height = 1;
};

X11Surface::X11Surface(TopWindow& root) : root_(root), impl_(std::make_unique<Impl>()) {}

std::unique_ptr<X11Surface> X11Surface::open(TopWindow& root, uintptr_t parent, std::string* error)
{
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return std::unique_ptr<X11Surface>();
    };
    if (parent == 0) return fail("no parent window");
    Display* d = XOpenDisplay(nullptr);
    if (!d) return fail("cannot open the X display");

    std::unique_ptr<X11Surface> s(new X11Surface(root));
    Impl& im = *s->impl_;
    im.display = d;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        registry()[d] = &im.conn;
    }
    XSetIOErrorExitHandler(d, onXIOExit, nullptr);
    std::string why;
    {
        Trap trap(d, &im.conn);
        XWindowAttributes pa{};
        if (!XGetWindowAttributes(d, ::Window(parent), &pa)) {
            why = "the host window does not exist";
        } else if (!pa.visual || pa.visual->c_class != TrueColor || (pa.depth != 24 && pa.depth != 32) ||
                   pa.visual->red_mask != 0xFF0000 || pa.visual->green_mask != 0xFF00 || pa.visual->blue_mask != 0xFF) {
            why = "the host window's visual is not 24- or 32-bit TrueColor";
        } else {
            im.visual = pa.visual;
            im.depth = pa.depth;
            im.width = std::max(1, root.rect().width());
            im.height = std::max(1, root.rect().height());
            XSetWindowAttributes wa{};
            wa.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | FocusChangeMask | StructureNotifyMask | LeaveWindowMask | EnterWindowMask;
            wa.background_pixmap = None; // no flicker: we paint every pixel
            wa.bit_gravity = NorthWestGravity;
            wa.border_pixel = 0;
            wa.colormap = pa.colormap;
            im.window = XCreateWindow(d, ::Window(parent), 0, 0, unsigned(im.width), unsigned(im.height), 0, pa.depth,
                                      InputOutput, pa.visual,
                                      CWEventMask | CWBackPixmap | CWBitGravity | CWBorderPixel | CWColormap, &wa);
            im.conn.window = im.window;
            im.gc = XCreateGC(d, im.window, 0, nullptr);
            Bool supported = False;
            XkbSetDetectableAutoRepeat(d, True, &supported); // repeats arrive as presses only
            XMapWindow(d, im.window);
        }
    }
    if (why.empty() && (im.conn.dead || im.conn.errors > 0)) why = "the X server refused the editor window";
    if (!why.empty()) {
        s.reset(); // closes the connection
        return fail(why.c_str());
    }
    root.setSurface(s.get());
    return s;
}

X11Surface::~X11Surface()
{
    if (root_.surface() == this) root_.setSurface(nullptr);
    Impl& im = *impl_;
    if (!im.display) return;
    {
        Trap trap(im.display, &im.conn);
        if (!im.conn.dead) {
            if (im.grabbed) XUngrabPointer(im.display, CurrentTime);
            for (auto& [k, c] : im.cursors) XFreeCursor(im.display, c);
            if (im.window && !im.conn.windowGone) XDestroyWindow(im.display, im.window);
        }
        // The GC's client-side record is ours to free even when the connection is gone
        // (Xlib sends nothing on a dead connection).
        if (im.gc) XFreeGC(im.display, im.gc);
        if (!im.conn.dead) XSync(im.display, False);
        XCloseDisplay(im.display);
        trap.forget();
    }
    std::lock_guard<std::mutex> lock(registryMutex);
    registry().erase(im.display);
    im.display = nullptr;
}

uintptr_t X11Surface::window() const { return impl_->window; }

bool X11Surface::alive() const { return impl_->display && !impl_->conn.dead && !impl_->conn.windowGone; }

int X11Surface::errorCount() const { return impl_->conn.errors; }

void X11Surface::resize(int width, int height)
{
    Impl& im = *impl_;
    im.width = std::max(1, width);
    im.height = std::max(1, height);
    if (!alive()) return;
    Trap trap(im.display, &im.conn);
    XResizeWindow(im.display, im.window, unsigned(im.width), unsigned(im.height));
}

// ---------------------------------------------------------------- events

void X11Surface::pump()
{
    Impl& im = *impl_;
    Display* d = im.display;
    while (!im.conn.dead && XPending(d) > 0) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.xany.window != im.window) continue;
        switch (ev.type) {
        case Expose:
            // The backing bitmap holds the picture: show the exposed part again.
            root_.invalidateRoot(Rect::xywh(ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height));
            break;
        case ButtonPress: {
            unsigned b = ev.xbutton.button;
            uint32_t flags = flagsFromState(ev.xbutton.state) | buttonBit(b);
            Point p{ev.xbutton.x, ev.xbutton.y};
            if (b == 4 || b == 5) root_.mouseWheel(p, b == 4 ? 120 : -120, flags);
            else if (b >= 1 && b <= 3)
                root_.mouseDown(p, b == 1 ? MouseButton::Left : b == 3 ? MouseButton::Right : MouseButton::Middle, flags);
            break;
        }
        case ButtonRelease: {
            unsigned b = ev.xbutton.button;
            if (b < 1 || b > 3) break;
            uint32_t flags = flagsFromState(ev.xbutton.state) & ~buttonBit(b);
            root_.mouseUp({ev.xbutton.x, ev.xbutton.y},
                          b == 1 ? MouseButton::Left : b == 3 ? MouseButton::Right : MouseButton::Middle, flags);
            break;
        }
        case MotionNotify: {
            // Only the latest position of a burst matters.
            while (XCheckTypedWindowEvent(d, im.window, MotionNotify, &ev)) {
            }
            root_.mouseMove({ev.xmotion.x, ev.xmotion.y}, flagsFromState(ev.xmotion.state));
            break;
        }
        case LeaveNotify:
            if (ev.xcrossing.mode == NotifyNormal) root_.mouseLeft();
            break;
        case KeyPress: {
            KeySym base = XLookupKeysym(&ev.xkey, 0);
            int k = keyFromKeysym(base);
            if (k) root_.keyDown(k);
            int ch = charFromKeyEvent(&ev.xkey);
            if (ch >= 0 && ch != 0x7F && !(ch == 0 && k == 0)) root_.character(static_cast<uint8_t>(ch));
            break;
        }
        case KeyRelease: {
            int k = keyFromKeysym(XLookupKeysym(&ev.xkey, 0));
            if (k) root_.keyUp(k);
            break;
        }
        case FocusIn:
            if (ev.xfocus.detail != NotifyPointer) root_.nativeFocus(true);
            break;
        case FocusOut:
            if (ev.xfocus.detail != NotifyPointer) root_.nativeFocus(false);
            break;
        case DestroyNotify:
            if (ev.xdestroywindow.window == im.window) im.conn.windowGone = true;
            break;
        default: break;
        }
    }
}

void X11Surface::idle()
{
    Impl& im = *impl_;
    if (!im.display || im.conn.dead) return;
    Trap trap(im.display, &im.conn);
    pump();
    root_.runTimers();
    root_.paint();
    if (!im.conn.dead) XFlush(im.display);
}

// ---------------------------------------------------------------- Surface

void X11Surface::present(const gfx::Bitmap& backing, const std::vector<Rect>& rects)
{
    Impl& im = *impl_;
    if (!alive() || backing.empty()) return;
    Trap trap(im.display, &im.conn);
    // The backing pixels are 0x00RRGGBB words: exactly a 32-bit ZPixmap in our byte order.
    XImage* img = XCreateImage(im.display, im.visual, unsigned(im.depth), ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<uint32_t*>(backing.data())), unsigned(backing.width()),
                               unsigned(backing.height()), 32, backing.stride() * 4);
    if (!img) return;
    img->byte_order = LSBFirst; // our words as the CPU stores them; Xlib swaps for the server
    for (const Rect& r0 : rects) {
        Rect r = clip(r0, Rect::xywh(0, 0, backing.width(), backing.height()));
        if (r.empty()) continue;
        XPutImage(im.display, im.window, im.gc, img, r.left, r.top, r.left, r.top, unsigned(r.width()),
                  unsigned(r.height()));
    }
    img->data = nullptr; // not ours to free
    XDestroyImage(img);
}

void X11Surface::setCapture(bool captured)
{
    Impl& im = *impl_;
    if (!alive()) return;
    Trap trap(im.display, &im.conn);
    if (captured && !im.grabbed) {
        im.grabbed = XGrabPointer(im.display, im.window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                  GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    } else if (!captured && im.grabbed) {
        XUngrabPointer(im.display, CurrentTime);
        im.grabbed = false;
    }
}

void X11Surface::setCursor(Cursor c)
{
    Impl& im = *impl_;
    if (!alive()) return;
    Trap trap(im.display, &im.conn);
    auto it = im.cursors.find(c);
    if (it == im.cursors.end()) {
        unsigned shape = XC_left_ptr;
        switch (c) {
        case Cursor::Arrow: shape = XC_left_ptr; break;
        case Cursor::IBeam: shape = XC_xterm; break;
        case Cursor::Hand: shape = XC_hand2; break;
        case Cursor::SizeNS: shape = XC_sb_v_double_arrow; break;
        case Cursor::SizeWE: shape = XC_sb_h_double_arrow; break;
        case Cursor::SizeAll: shape = XC_fleur; break;
        case Cursor::Cross: shape = XC_crosshair; break;
        case Cursor::Wait: shape = XC_watch; break;
        }
        it = im.cursors.emplace(c, XCreateFontCursor(im.display, shape)).first;
    }
    XDefineCursor(im.display, im.window, it->second);
}

void X11Surface::requestFocus()
{
    Impl& im = *impl_;
    if (!alive()) return;
    Trap trap(im.display, &im.conn);
    XWindowAttributes wa{};
    if (XGetWindowAttributes(im.display, im.window, &wa) && wa.map_state == IsViewable)
        XSetInputFocus(im.display, im.window, RevertToParent, CurrentTime);
}

bool X11Surface::runModal(const std::function<bool()>& done)
{
    Impl& im = *impl_;
    for (;;) {
        if (!alive()) return false;
        {
            Trap trap(im.display, &im.conn);
            pump();
            root_.runTimers();
            root_.paint();
            if (!im.conn.dead) XFlush(im.display);
        }
        if (done()) return true;
        if (!alive()) return false;
        int64_t wait = root_.msUntilNextTimer();
        int timeout = wait < 0 ? 50 : int(std::min<int64_t>(wait, 50));
        pollfd p{ConnectionNumber(im.display), POLLIN, 0};
        bool pending;
        {
            Trap trap(im.display, &im.conn);
            pending = XPending(im.display) > 0;
        }
        if (!pending && alive()) poll(&p, 1, timeout);
    }
}

} // namespace kv::ui
