#include "platform/window/frame_draw.h"

namespace kv::ui {

using gfx::Colour;
namespace sys = gfx::sys;

namespace {
void edges(gfx::DC& dc, const Rect& r, Colour topLeft, Colour bottomRight)
{
    if (r.empty()) return;
    dc.fill_rect({r.left, r.top, r.right, r.top + 1}, topLeft);
    dc.fill_rect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
    dc.fill_rect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    dc.fill_rect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}
Rect inset(const Rect& r, int d) { return {r.left + d, r.top + d, r.right - d, r.bottom - d}; }
} // namespace

void drawButtonBox(gfx::DC& dc, const Rect& r, bool pressed)
{
    if (r.empty()) return;
    dc.fill_rect(r, sys::button_face);
    if (pressed) {
        edges(dc, r, sys::button_dark_shadow, sys::button_highlight);
        edges(dc, inset(r, 1), sys::button_shadow, sys::button_face);
    } else {
        edges(dc, r, sys::button_highlight, sys::button_dark_shadow);
        edges(dc, inset(r, 1), sys::button_face, sys::button_shadow);
    }
}

void drawSunkenBorder(gfx::DC& dc, const Rect& r)
{
    edges(dc, r, sys::button_shadow, sys::button_highlight);
    edges(dc, inset(r, 1), sys::button_dark_shadow, sys::button_face);
}

void drawArrow(gfx::DC& dc, const Rect& r, Arrow dir, Colour c, int size)
{
    // A triangle of `size` pixels at the base and (size + 1) / 2 rows deep.
    int depth = (size + 1) / 2;
    bool vertical = dir == Arrow::Up || dir == Arrow::Down;
    int w = vertical ? size : depth, h = vertical ? depth : size;
    int x0 = r.left + (r.width() - w) / 2, y0 = r.top + (r.height() - h) / 2;
    for (int i = 0; i < depth; ++i) {
        int half = i; // row i (from the tip) spans 2i + 1 pixels
        switch (dir) {
        case Arrow::Up: dc.fill_rect({x0 + depth - 1 - half, y0 + i, x0 + depth + half, y0 + i + 1}, c); break;
        case Arrow::Down: dc.fill_rect({x0 + depth - 1 - half, y0 + depth - 1 - i, x0 + depth + half, y0 + depth - i}, c); break;
        case Arrow::Left: dc.fill_rect({x0 + i, y0 + depth - 1 - half, x0 + i + 1, y0 + depth + half}, c); break;
        case Arrow::Right: dc.fill_rect({x0 + depth - 1 - i, y0 + depth - 1 - half, x0 + depth - i, y0 + depth + half}, c); break;
        }
    }
}

void drawCheckMark(gfx::DC& dc, const Rect& r, Colour c)
{
    // 7 x 7 mark: a short stroke down-right then a long one up-right, 3 pixels thick.
    int x0 = r.left + (r.width() - 7) / 2, y0 = r.top + (r.height() - 7) / 2;
    static constexpr int rows[7] = {4, 5, 6, 5, 4, 3, 2}; // top row of each column's stroke
    for (int i = 0; i < 7; ++i) dc.fill_rect({x0 + i, y0 + rows[i] - 2, x0 + i + 1, y0 + rows[i] + 1}, c);
}

} // namespace kv::ui
