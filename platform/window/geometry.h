#pragma once
// The window system's view of the drawing geometry: the drawing layer's points and
// rectangles, plus the few helpers window code needs.
#include "platform/gfx/geometry.h"

namespace kv::ui {

using gfx::Point;
using gfx::Rect;
using gfx::Size;

inline Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
inline Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Rect offset(const Rect& r, Point p) { return r.offset(p.x, p.y); }
// Intersection that answers exactly {} when empty, so results compare and unite cleanly.
inline Rect clip(const Rect& a, const Rect& b)
{
    Rect r = a.intersect(b);
    return r.empty() ? Rect{} : r;
}
inline bool covers(const Rect& outer, const Rect& inner)
{
    return inner.empty() || (inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
                             inner.bottom <= outer.bottom);
}

} // namespace kv::ui
