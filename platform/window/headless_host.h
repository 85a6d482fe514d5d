#pragma once
// HeadlessHost: the back end for tests. The editor's surface is its backing bitmap; input
// comes from a script of steps (mouse moves, presses, releases, wheel, keys, characters and
// waits on a fake clock).
//
// Steps run in order. A step that opens a modal window (menu, message box, file chooser)
// makes the nested loop take the following steps of the same script, so a test answers a
// dialog by scripting the clicks or keys that answer it. When the script runs out while a
// modal window is open, the nested loop gives up and the window is cancelled: headless runs
// never block.
//
// After every step due timers fire and the invalid region is painted, as a real back end's
// idle call would do.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/top_window.h"

namespace kv::ui {

struct ScriptStep {
    enum class Kind { Move, Press, Release, Wheel, KeyDown, KeyUp, Char, Wait, FocusIn, FocusOut };
    Kind kind;
    int x = 0, y = 0;       // root coordinates (mouse steps)
    int value = 0;          // button (0 left, 1 right, 2 middle), key code, wheel delta, character, ms
};

// The character a key types with the given modifiers, as the platform's key translation
// does (letters, digits, space, Tab, Return, Backspace, Escape; Control+letter gives the
// control code), or -1.
int charOfKey(int key, bool shift, bool control);

// A builder of steps: Script().click(10, 10).type("abc").wait(500)
class Script {
public:
    Script& move(int x, int y);
    Script& press(int x, int y, MouseButton b = MouseButton::Left);
    Script& release(int x, int y, MouseButton b = MouseButton::Left);
    Script& click(int x, int y, MouseButton b = MouseButton::Left); // move, press, release
    // Press at (x0, y0), move in `steps` equal steps to (x1, y1), release there.
    Script& drag(int x0, int y0, int x1, int y1, int steps = 4);
    Script& wheel(int x, int y, int delta);
    Script& keyDown(int key); // types its character too, as key() does
    Script& keyUp(int key);
    // Down and up; the press types its character (charOfKey) like a real keyboard.
    Script& key(int key);
    // Types text: letters, digits, space, Tab, Return and Backspace through their keys (Shift
    // for capitals), every other Windows-1252 byte as a bare character.
    Script& type(std::string_view text);
    Script& wait(uint32_t ms);
    Script& focusIn();
    Script& focusOut();
    const std::vector<ScriptStep>& steps() const { return steps_; }

private:
    std::vector<ScriptStep> steps_;
};

class HeadlessHost final : public Surface {
public:
    HeadlessHost(TopWindow& root, FakeClock& clock);
    ~HeadlessHost() override;

    // Runs the steps (and any nested modal loops they open).
    HeadlessHost& play(const Script& s);
    // Single-step conveniences.
    HeadlessHost& click(int x, int y, MouseButton b = MouseButton::Left) { return play(Script().click(x, y, b)); }
    HeadlessHost& type(std::string_view text) { return play(Script().type(text)); }
    HeadlessHost& key(int k) { return play(Script().key(k)); }
    HeadlessHost& wait(uint32_t ms) { return play(Script().wait(ms)); }

    // Paints what is pending and answers the editor's picture.
    const gfx::Bitmap& render();

    // What the window system asked of the native side.
    bool captured() const { return captured_; }
    Cursor cursor() const { return cursor_; }
    int modalGiveUps() const { return giveUps_; }

    // Surface
    void present(const gfx::Bitmap&, const std::vector<Rect>&) override {}
    void setCapture(bool c) override { captured_ = c; }
    void setCursor(Cursor c) override { cursor_ = c; }
    bool runModal(const std::function<bool()>& done) override;

private:
    void runStep(const ScriptStep& s);
    void drain();
    uint32_t buttonFlags() const;

    TopWindow& root_;
    FakeClock& clock_;
    std::deque<ScriptStep> queue_;
    bool buttons_[3] = {};
    bool captured_ = false;
    Cursor cursor_ = Cursor::Arrow;
    int giveUps_ = 0;
    int depth_ = 0;
};

} // namespace kv::ui
