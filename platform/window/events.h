#pragma once
// Input vocabulary of the window system: key codes, modifier flags, mouse buttons, scroll
// codes and cursors. Key codes keep the values of the Win32 virtual keys and mouse flags
// those of the MK_ bits, because the panel code tests them the way its Win32 original did.
#include <cstdint>

namespace kv::ui {

namespace key {
constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11, Alt = 0x12,
              Escape = 0x1B, Space = 0x20, PageUp = 0x21, PageDown = 0x22, End = 0x23, Home = 0x24,
              Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D, Delete = 0x2E,
              F1 = 0x70, F12 = 0x7B;
// Letters and digits use their upper-case ASCII codes ('A'..'Z', '0'..'9').
constexpr int Count = 256;
} // namespace key

// Mouse-message flags: buttons held and modifier keys down.
namespace mk {
constexpr uint32_t LButton = 0x01, RButton = 0x02, Shift = 0x04, Control = 0x08, MButton = 0x10;
} // namespace mk

enum class MouseButton { Left, Right, Middle };

struct MouseEvent {
    int x = 0, y = 0;             // client coordinates of the receiving window
    MouseButton button = MouseButton::Left;
    uint32_t flags = 0;           // mk:: bits, as after the event
    int wheel = 0;                // wheel distance, +120 per notch away from the user
};

struct KeyEvent {
    int key = 0;                  // key:: code
    bool repeat = false;          // auto-repeat of a key already down
    uint32_t flags = 0;           // mk::Shift / mk::Control
};

// A typed character: one Windows-1252 byte (characters without a 1252 form never arrive).
struct CharEvent {
    uint8_t ch = 0;
    bool repeat = false;
    uint32_t flags = 0;
};

enum class ScrollBarKind { Horizontal, Vertical };

enum class ScrollCode { LineUp, LineDown, PageUp, PageDown, ThumbTrack, ThumbPosition, Top, Bottom, EndScroll };

enum class Cursor { Arrow, IBeam, Hand, SizeNS, SizeWE, SizeAll, Cross, Wait };

} // namespace kv::ui
