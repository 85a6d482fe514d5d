#pragma once
// Region: a set of pixels held as disjoint rectangles (no two overlap). Enough for clip
// regions built from a window's rectangle, its update area and excluded children; every
// operation is exact.

#include <vector>

#include "platform/gfx/geometry.h"

namespace kv::gfx {

class Region {
 public:
  Region() = default;
  explicit Region(const Rect& r);

  const std::vector<Rect>& rects() const { return rects_; }
  bool empty() const { return rects_.empty(); }
  // Bounding box; empty {0,0,0,0} when the region is empty.
  Rect box() const;
  bool contains(Point p) const;
  bool intersects(const Rect& r) const;

  void intersect(const Rect& r);
  void intersect(const Region& other);
  void subtract(const Rect& r);
  void unite(const Rect& r);
  void unite(const Region& other);
  void offset(int32_t dx, int32_t dy);

  // Same pixel set (the rectangle lists may differ).
  bool same_pixels(const Region& other) const;

 private:
  std::vector<Rect> rects_;
};

}  // namespace kv::gfx
