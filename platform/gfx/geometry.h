#pragma once
// Integer points, sizes and rectangles in the conventions of the panel code: a rectangle
// covers the pixels left <= x < right, top <= y < bottom (right and bottom excluded).
// Arithmetic on them saturates at the int32 limits instead of overflowing, so extreme
// coordinates from malformed input stay well defined.

#include <algorithm>
#include <cstdint>
#include <climits>

namespace kv::gfx {

constexpr int32_t sat32(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int32_t(v);
}

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  friend constexpr bool operator==(Point, Point) = default;
};

struct Size {
  int32_t cx = 0;
  int32_t cy = 0;
  friend constexpr bool operator==(Size, Size) = default;
};

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  static constexpr Rect xywh(int32_t x, int32_t y, int32_t w, int32_t h) {
    return {x, y, sat32(int64_t(x) + w), sat32(int64_t(y) + h)};
  }
  constexpr int32_t width() const { return sat32(int64_t(right) - left); }
  constexpr int32_t height() const { return sat32(int64_t(bottom) - top); }
  constexpr bool empty() const { return right <= left || bottom <= top; }
  constexpr bool contains(Point p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  constexpr Rect offset(int32_t dx, int32_t dy) const {
    return {sat32(int64_t(left) + dx), sat32(int64_t(top) + dy), sat32(int64_t(right) + dx),
            sat32(int64_t(bottom) + dy)};
  }
  // Intersection; an empty result may have any coordinates, test it with empty().
  constexpr Rect intersect(const Rect& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom)};
  }
  // Smallest rectangle holding both; an empty operand does not count.
  constexpr Rect united(const Rect& o) const {
    if (empty()) return o;
    if (o.empty()) return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
            std::max(bottom, o.bottom)};
  }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace kv::gfx
