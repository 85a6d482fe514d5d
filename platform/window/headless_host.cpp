#include "platform/window/headless_host.h"

namespace kv::ui {

// ---------------------------------------------------------------- Script

Script& Script::move(int x, int y) { steps_.push_back({ScriptStep::Kind::Move, x, y, 0}); return *this; }
Script& Script::press(int x, int y, MouseButton b) { steps_.push_back({ScriptStep::Kind::Press, x, y, int(b)}); return *this; }
Script& Script::release(int x, int y, MouseButton b) { steps_.push_back({ScriptStep::Kind::Release, x, y, int(b)}); return *this; }
Script& Script::click(int x, int y, MouseButton b) { return move(x, y).press(x, y, b).release(x, y, b); }
Script& Script::wheel(int x, int y, int delta) { steps_.push_back({ScriptStep::Kind::Wheel, x, y, delta}); return *this; }
Script& Script::keyDown(int k) { steps_.push_back({ScriptStep::Kind::KeyDown, 0, 0, k}); return *this; }
Script& Script::keyUp(int k) { steps_.push_back({ScriptStep::Kind::KeyUp, 0, 0, k}); return *this; }
Script& Script::key(int k) { return keyDown(k).keyUp(k); }
Script& Script::wait(uint32_t ms) { steps_.push_back({ScriptStep::Kind::Wait, 0, 0, int(ms)}); return *this; }
Script& Script::focusIn() { steps_.push_back({ScriptStep::Kind::FocusIn}); return *this; }
Script& Script::focusOut() { steps_.push_back({ScriptStep::Kind::FocusOut}); return *this; }

Script& Script::drag(int x0, int y0, int x1, int y1, int steps)
{
    move(x0, y0).press(x0, y0);
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i) move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    return release(x1, y1);
}

Script& Script::type(std::string_view text)
{
    for (char c : text) {
        auto ch = static_cast<uint8_t>(c);
        if (ch == '\t') key(key::Tab);
        else if (ch == '\r' || ch == '\n') key(key::Return);
        else if (ch == '\b') key(key::Back);
        else if (ch >= 'a' && ch <= 'z') key(ch - 'a' + 'A');
        else if (ch >= 'A' && ch <= 'Z') keyDown(key::Shift).key(ch).keyUp(key::Shift);
        else if ((ch >= '0' && ch <= '9') || ch == ' ') key(ch);
        else steps_.push_back({ScriptStep::Kind::Char, 0, 0, ch});
    }
    return *this;
}

int charOfKey(int k, bool shift, bool control)
{
    if (k >= 'A' && k <= 'Z') return control ? (k - 'A' + 1) : shift ? k : k - 'A' + 'a';
    if (control) return -1;
    if (k >= '0' && k <= '9' && !shift) return k;
    switch (k) {
    case key::Space: return ' ';
    case key::Tab: return '\t';
    case key::Return: return '\r';
    case key::Back: return '\b';
    case key::Escape: return 0x1B;
    default: return -1;
    }
}

// ---------------------------------------------------------------- HeadlessHost

HeadlessHost::HeadlessHost(TopWindow& root, FakeClock& clock) : root_(root), clock_(clock)
{
    root_.setSurface(this);
}

HeadlessHost::~HeadlessHost()
{
    if (root_.surface() == this) root_.setSurface(nullptr);
}

uint32_t HeadlessHost::buttonFlags() const
{
    return (buttons_[0] ? mk::LButton : 0u) | (buttons_[1] ? mk::RButton : 0u) | (buttons_[2] ? mk::MButton : 0u) |
           root_.modifierFlags();
}

HeadlessHost& HeadlessHost::play(const Script& s)
{
    for (const ScriptStep& st : s.steps()) queue_.push_back(st);
    drain();
    return *this;
}

void HeadlessHost::drain()
{
    while (!queue_.empty()) {
        ScriptStep s = queue_.front();
        queue_.pop_front();
        runStep(s);
    }
}

void HeadlessHost::runStep(const ScriptStep& s)
{
    using K = ScriptStep::Kind;
    switch (s.kind) {
    case K::Move: root_.mouseMove({s.x, s.y}, buttonFlags()); break;
    case K::Press:
        buttons_[s.value] = true;
        root_.mouseDown({s.x, s.y}, MouseButton(s.value), buttonFlags());
        break;
    case K::Release:
        buttons_[s.value] = false;
        root_.mouseUp({s.x, s.y}, MouseButton(s.value), buttonFlags());
        break;
    case K::Wheel: root_.mouseWheel({s.x, s.y}, s.value, buttonFlags()); break;
    case K::KeyDown: {
        root_.keyDown(s.value);
        int ch = charOfKey(s.value, root_.isKeyDown(key::Shift), root_.isKeyDown(key::Control));
        if (ch >= 0) root_.character(static_cast<uint8_t>(ch));
        break;
    }
    case K::KeyUp: root_.keyUp(s.value); break;
    case K::Char: root_.character(static_cast<uint8_t>(s.value)); break;
    case K::FocusIn: root_.nativeFocus(true); break;
    case K::FocusOut: root_.nativeFocus(false); break;
    case K::Wait: {
        // Step the clock from timer to timer so each fires at its own time.
        uint64_t end = clock_.nowMs() + static_cast<uint32_t>(s.value);
        for (;;) {
            int64_t next = root_.msUntilNextTimer();
            if (next < 0 || clock_.nowMs() + uint64_t(next) > end) break;
            clock_.advance(uint64_t(next));
            root_.runTimers();
            root_.paint();
        }
        clock_.set(end);
        break;
    }
    }
    root_.runTimers();
    root_.paint();
}

bool HeadlessHost::runModal(const std::function<bool()>& done)
{
    ++depth_;
    root_.paint();
    while (!done()) {
        if (queue_.empty()) {
            ++giveUps_;
            --depth_;
            return false;
        }
        ScriptStep s = queue_.front();
        queue_.pop_front();
        runStep(s);
    }
    --depth_;
    return true;
}

const gfx::Bitmap& HeadlessHost::render()
{
    root_.paint();
    return root_.backing();
}

} // namespace kv::ui
