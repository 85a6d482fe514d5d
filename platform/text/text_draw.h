#pragma once
// Drawing text into a DC with the DC's font, text colour, background mode and colour, and
// alignment, like GDI's TextOut and DrawText. Texts are Windows-1252 byte strings.
//
// Glyph coverage c (0..255) blends the text colour t over the destination d per channel:
// d' = (t * c + d * (255 - c) + 127) / 255. With an opaque background the text's cell
// (extent width x cell height) is filled with the background colour first.

#include <cstdint>
#include <string_view>

#include "platform/gfx/dc.h"
#include "platform/text/font.h"

namespace kv::gfx {

// TextOut: the reference point (x, y) is placed by the DC's text alignment (ta::*): left,
// centre (x - width / 2) or right; top of the cell, baseline or bottom of the cell.
// Without a font nothing is drawn.
void text_out(DC& dc, Point p, std::string_view text);

// Text extent with the DC's font ({0, 0} without one).
Size text_extent(const DC& dc, std::string_view text);

// DrawText format flags (GDI DT_* values).
namespace dt {
inline constexpr uint32_t left = 0x0;
inline constexpr uint32_t center = 0x1;
inline constexpr uint32_t right = 0x2;
inline constexpr uint32_t top = 0x0;
inline constexpr uint32_t vcenter = 0x4;      // single line only, as GDI
inline constexpr uint32_t bottom = 0x8;       // single line only, as GDI
inline constexpr uint32_t wordbreak = 0x10;
inline constexpr uint32_t singleline = 0x20;
inline constexpr uint32_t noclip = 0x100;
inline constexpr uint32_t calcrect = 0x400;
inline constexpr uint32_t noprefix = 0x800;
inline constexpr uint32_t end_ellipsis = 0x8000;
}  // namespace dt

// DrawText: lays the text out in `rect` and draws it (unless dt::calcrect) clipped to the
// rectangle (unless dt::noclip). Lines end at LF (CR LF counts as one break) unless
// dt::singleline; with dt::wordbreak a line also breaks at the last space that keeps it
// within the rectangle's width (a word wider than the rectangle stands alone on its
// line). With dt::end_ellipsis a line wider than the rectangle is cut and ends in "...".
// Unless dt::noprefix, '&' marks the next character (underlined) and "&&" is a literal
// '&'. Returns the height of the text; with dt::calcrect, `rect` is set to the laid-out
// size (right = left + widest line, bottom = top + height) and nothing is drawn.
int32_t draw_text(DC& dc, std::string_view text, Rect& rect, uint32_t format);

}  // namespace kv::gfx
