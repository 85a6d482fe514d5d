#include "platform/gfx/region.h"

namespace kv::gfx {

namespace {
// Appends the parts of `a` outside `cut` (up to four rectangles).
void append_difference(const Rect& a, const Rect& cut, std::vector<Rect>& out) {
  Rect i = a.intersect(cut);
  if (i.empty()) {
    out.push_back(a);
    return;
  }
  if (a.top < i.top) out.push_back({a.left, a.top, a.right, i.top});
  if (i.bottom < a.bottom) out.push_back({a.left, i.bottom, a.right, a.bottom});
  if (a.left < i.left) out.push_back({a.left, i.top, i.left, i.bottom});
  if (i.right < a.right) out.push_back({i.right, i.top, a.right, i.bottom});
}
}  // namespace

Region::Region(const Rect& r) {
  if (!r.empty()) rects_.push_back(r);
}

Rect Region::box() const {
  Rect b{};
  for (const Rect& r : rects_) b = b.united(r);
  return b;
}

bool Region::contains(Point p) const {
  for (const Rect& r : rects_)
    if (r.contains(p)) return true;
  return false;
}

bool Region::intersects(const Rect& q) const {
  for (const Rect& r : rects_)
    if (!r.intersect(q).empty()) return true;
  return false;
}

void Region::intersect(const Rect& q) {
  std::vector<Rect> out;
  for (const Rect& r : rects_) {
    Rect i = r.intersect(q);
    if (!i.empty()) out.push_back(i);
  }
  rects_.swap(out);
}

void Region::intersect(const Region& other) {
  std::vector<Rect> out;
  for (const Rect& r : rects_)
    for (const Rect& q : other.rects_) {
      Rect i = r.intersect(q);
      if (!i.empty()) out.push_back(i);
    }
  rects_.swap(out);
}

void Region::subtract(const Rect& q) {
  if (q.empty()) return;
  std::vector<Rect> out;
  for (const Rect& r : rects_) append_difference(r, q, out);
  rects_.swap(out);
}

void Region::unite(const Rect& q) {
  if (q.empty()) return;
  // Keep the rectangles disjoint: add only the parts of q not covered yet.
  std::vector<Rect> pieces{q};
  for (const Rect& r : rects_) {
    std::vector<Rect> next;
    for (const Rect& p : pieces) append_difference(p, r, next);
    pieces.swap(next);
    if (pieces.empty()) return;
  }
  rects_.insert(rects_.end(), pieces.begin(), pieces.end());
}

void Region::unite(const Region& other) {
  for (const Rect& r : other.rects_) unite(r);
}

void Region::offset(int32_t dx, int32_t dy) {
  for (Rect& r : rects_) r = r.offset(dx, dy);
}

bool Region::same_pixels(const Region& other) const {
  // Equal when neither has pixels outside the other.
  Region a = *this;
  for (const Rect& r : other.rects_) a.subtract(r);
  if (!a.empty()) return false;
  Region b = other;
  for (const Rect& r : rects_) b.subtract(r);
  return b.empty();
}

}  // namespace kv::gfx
