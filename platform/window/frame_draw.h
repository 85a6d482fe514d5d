#pragma once
// Shared drawing of the window system's plain look: raised and sunken 3-D edges, the
// small arrows of scroll bars and spin buttons, check marks. Everything uses the fixed
// system colours so that renders are identical everywhere.
#include "platform/gfx/dc.h"
#include "platform/window/geometry.h"

namespace kv::ui {

enum class Arrow { Up, Down, Left, Right };

// A raised (button) box filled with the face colour; pressed draws it sunken.
void drawButtonBox(gfx::DC& dc, const Rect& r, bool pressed);
// A sunken field border (edit boxes, list boxes): 2 pixels, the inside left untouched.
void drawSunkenBorder(gfx::DC& dc, const Rect& r);
// A solid triangle of the given size (its base width) centred in r.
void drawArrow(gfx::DC& dc, const Rect& r, Arrow dir, gfx::Colour c, int size = 7);
// A check mark centred in r.
void drawCheckMark(gfx::DC& dc, const Rect& r, gfx::Colour c);

} // namespace kv::ui
