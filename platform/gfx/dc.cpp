#include "platform/gfx/dc.h"

#include <algorithm>
#include <cstdlib>

namespace kv::gfx {

namespace {

constexpr int64_t kSafe = int64_t(1) << 30;
constexpr int32_t kMaxPenWidth = 256;
constexpr int64_t kMaxFigure = int64_t(1) << 27;

int32_t saturate(int64_t v) { return int32_t(std::clamp(v, -kSafe, kSafe)); }

// floor(a / b) for b > 0.
__int128 floor_div(__int128 a, __int128 b) {
  __int128 q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}

// Integer square root: largest k with k * k <= v (v >= 0).
uint64_t isqrt(unsigned __int128 v) {
  if (v == 0) return 0;
  uint64_t lo = 0, hi = uint64_t(1) << 63;
  // Narrow hi: result < 2^((bits(v)+1)/2).
  int bits = 0;
  for (unsigned __int128 t = v; t; t >>= 1) ++bits;
  int hb = (bits + 1) / 2;
  hi = hb >= 64 ? ~uint64_t(0) : (uint64_t(1) << hb);
  while (lo < hi) {
    uint64_t mid = lo + (hi - lo + 1) / 2;
    if ((unsigned __int128)mid * mid <= v)
      lo = mid;
    else
      hi = mid - 1;
  }
  return lo;
}

}  // namespace

DC::DC(Bitmap& target) : target_(&target) { reset_clip(); }

void DC::set_origin(Point p) { state_.origin = {saturate(p.x), saturate(p.y)}; }

void DC::offset_origin(int32_t dx, int32_t dy) {
  state_.origin = {saturate(int64_t(state_.origin.x) + dx), saturate(int64_t(state_.origin.y) + dy)};
}

Rect DC::to_device(const Rect& r) const {
  return {saturate(int64_t(r.left) + state_.origin.x), saturate(int64_t(r.top) + state_.origin.y),
          saturate(int64_t(r.right) + state_.origin.x), saturate(int64_t(r.bottom) + state_.origin.y)};
}

void DC::reset_clip() { state_.clip = Region(target_->bounds()); }

void DC::intersect_clip(const Rect& logical) { state_.clip.intersect(to_device(logical)); }

void DC::exclude_clip(const Rect& logical) { state_.clip.subtract(to_device(logical)); }

void DC::set_clip_region(const Region& device) {
  state_.clip = device;
  state_.clip.intersect(target_->bounds());
}

Rect DC::clip_box() const {
  Rect b = state_.clip.box();
  if (state_.clip.empty()) return {};
  return b.offset(-state_.origin.x, -state_.origin.y);
}

bool DC::rect_visible(const Rect& logical) const { return state_.clip.intersects(to_device(logical)); }

bool DC::point_visible(Point p) const {
  return state_.clip.contains({saturate(int64_t(p.x) + state_.origin.x), saturate(int64_t(p.y) + state_.origin.y)});
}

int DC::save() {
  saved_.push_back(state_);
  return int(saved_.size());
}

void DC::restore(int level) {
  if (saved_.empty()) return;
  size_t index = level < 0 ? saved_.size() - 1 : size_t(level - 1);
  if (level == 0 || index >= saved_.size()) return;
  state_ = saved_[index];
  saved_.resize(index);
}

// --- fills -----------------------------------------------------------------------------

void DC::fill_device_span(int32_t y, int32_t x0, int32_t x1, uint32_t pixel) {
  for (const Rect& c : state_.clip.rects()) {
    if (y < c.top || y >= c.bottom) continue;
    int32_t a = std::max(x0, c.left), b = std::min(x1, c.right);
    if (a >= b) continue;
    std::fill(target_->row(y) + a, target_->row(y) + b, pixel);
  }
}

void DC::fill_rect(const Rect& r, Colour c) {
  uint32_t px = c.pixel();
  fill_spans(r, [px](uint32_t* row, int32_t n, int32_t, int32_t) { std::fill(row, row + n, px); });
}

void DC::frame_rect(const Rect& r, Colour c) {
  if (r.empty()) return;
  fill_rect({r.left, r.top, r.right, r.top + 1}, c);
  if (r.height() > 1) fill_rect({r.left, r.bottom - 1, r.right, r.bottom}, c);
  if (r.height() > 2) {
    fill_rect({r.left, r.top + 1, r.left + 1, r.bottom - 1}, c);
    if (r.width() > 1) fill_rect({r.right - 1, r.top + 1, r.right, r.bottom - 1}, c);
  }
}

void DC::invert_rect(const Rect& r) {
  fill_spans(r, [](uint32_t* row, int32_t n, int32_t, int32_t) {
    for (int32_t i = 0; i < n; ++i) row[i] ^= 0x00FFFFFFu;
  });
}

void DC::focus_rect(const Rect& r) {
  if (r.empty()) return;
  auto dots = [](uint32_t* row, int32_t n, int32_t x0, int32_t y) {
    for (int32_t i = ((x0 + y) & 1); i < n; i += 2) row[i] ^= 0x00FFFFFFu;
  };
  fill_spans({r.left, r.top, r.right, r.top + 1}, dots);
  if (r.height() > 1) fill_spans({r.left, r.bottom - 1, r.right, r.bottom}, dots);
  if (r.height() > 2) {
    fill_spans({r.left, r.top + 1, r.left + 1, r.bottom - 1}, dots);
    if (r.width() > 1) fill_spans({r.right - 1, r.top + 1, r.right, r.bottom - 1}, dots);
  }
}

void DC::rectangle(const Rect& r) {
  if (r.empty()) return;
  bool pen = state_.pen.style != PenStyle::null;
  if (!state_.brush.hollow) {
    Rect inside = pen ? Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1} : Rect{r.left, r.top, r.right - 1, r.bottom - 1};
    fill_rect(inside, state_.brush.colour);
  }
  if (pen) {
    if (state_.pen.width <= 1) {
      frame_rect(r, state_.pen.colour);
    } else {
      Point pts[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1},
                      {r.left, r.bottom - 1}, {r.left, r.top}};
      Point keep = state_.position;
      polyline(pts);
      set_pixel(pts[4], state_.pen.colour);
      state_.position = keep;
    }
  }
}

// --- ellipses --------------------------------------------------------------------------

void DC::ellipse(const Rect& bounds) {
  const bool null_pen = state_.pen.style == PenStyle::null;
  const Rect r = null_pen ? Rect{bounds.left, bounds.top, bounds.right - 1, bounds.bottom - 1} : bounds;
  if (r.empty()) return;
  // Pixel x lies at 2x - cx from the centre in half-pixel units; the semi-axes are w / 2
  // and h / 2 pixels, i.e. A / 4 and B / 4 with A = 2w, B = 2h in quarter pixels.
  // Inside: (2k / A)^2 + (2j / B)^2 <= 1 with k = |2x - cx|, j = |2y - cy|.
  const int64_t cx = int64_t(r.left) + r.right - 1, cy = int64_t(r.top) + r.bottom - 1;
  const int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
  // GDI's own coordinate space is 27 bits; beyond it the exact products below would not fit.
  if (w > kMaxFigure || h > kMaxFigure) return;
  using i128 = __int128;
  const i128 A = 2 * w, B = 2 * h;
  const i128 A2 = A * A, B2 = B * B;
  // Row span of the ellipse at row y: x in [lo, hi], or lo > hi when empty.
  auto span = [&](int64_t y, int64_t& lo, int64_t& hi) {
    lo = 1;
    hi = 0;
    if (y < r.top || y >= r.bottom) return;
    i128 j = i128(2) * y - cy;
    i128 rest = A2 * B2 - 4 * j * j * A2;  // 4 k^2 B^2 <= rest
    int64_t k = rest < 0 ? 0 : int64_t(isqrt((unsigned __int128)(rest / (4 * B2))));
    if (j >= -1 && j <= 1) k = w - 1;  // the middle row(s) span the whole width
    if (k > w - 1) k = w - 1;
    if ((k - cx) % 2 != 0) --k;        // 2x - cx = +-k needs k of cx's parity
    if (k < 0) k = 1;                  // every row keeps its middle pixel(s)
    lo = (cx - k) / 2;
    hi = (cx + k) / 2;
  };
  const bool pen = state_.pen.style != PenStyle::null;
  const uint32_t pen_px = state_.pen.colour.pixel();
  const uint32_t brush_px = state_.brush.colour.pixel();
  Rect dev = to_device(r);
  Rect box = state_.clip.box().intersect(dev);
  if (box.empty()) return;
  const int32_t ox = state_.origin.x, oy = state_.origin.y;
  for (int32_t dyv = box.top; dyv < box.bottom; ++dyv) {
    int64_t y = int64_t(dyv) - oy;
    int64_t lo, hi;
    span(y, lo, hi);
    if (lo > hi) continue;
    int64_t ulo, uhi, dlo, dhi;
    span(y - 1, ulo, uhi);
    span(y + 1, dlo, dhi);
    // Inner pixels: inside the rows above and below, and not at the row's ends.
    int64_t ilo = std::max({lo + 1, ulo, dlo}), ihi = std::min({hi - 1, uhi, dhi});
    auto put = [&](int64_t x0, int64_t x1, uint32_t px) {  // logical [x0, x1]
      if (x0 > x1) return;
      int32_t a0 = saturate(x0 + ox), a1 = saturate(x1 + 1 + ox);
      fill_device_span(dyv, a0, a1, px);
    };
    if (!pen) {
      if (!state_.brush.hollow) put(lo, hi, brush_px);
      continue;
    }
    if (ilo > ihi) {
      put(lo, hi, pen_px);
    } else {
      put(lo, ilo - 1, pen_px);
      put(ihi + 1, hi, pen_px);
      if (!state_.brush.hollow) put(ilo, ihi, brush_px);
    }
  }
}

// --- lines -----------------------------------------------------------------------------

void DC::plot_device(int64_t x, int64_t y, uint32_t pixel) {
  int32_t w = std::clamp(state_.pen.width, 1, kMaxPenWidth);
  if (w == 1) {
    if (x < 0 || y < 0 || x >= target_->width() || y >= target_->height()) return;
    if (state_.clip.contains({int32_t(x), int32_t(y)})) target_->row(int32_t(y))[x] = pixel;
    return;
  }
  int64_t x0 = x - (w - 1) / 2, y0 = y - (w - 1) / 2;
  for (int64_t yy = std::max<int64_t>(y0, 0); yy < std::min<int64_t>(y0 + w, target_->height()); ++yy)
    fill_device_span(int32_t(yy), saturate(x0), saturate(x0 + w), pixel);
}

void DC::draw_line_device(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t pixel) {
  const int64_t dx = x1 - x0, dy = y1 - y0;
  if (dx == 0 && dy == 0) return;
  // Pixels that can matter: the clip box, grown by the pen's reach.
  Rect box = state_.clip.box();
  if (box.empty()) return;
  const int64_t reach = std::clamp(state_.pen.width, 1, kMaxPenWidth);
  const int64_t bx0 = box.left - reach, bx1 = box.right + reach;
  const int64_t by0 = box.top - reach, by1 = box.bottom + reach;
  const bool x_major = std::llabs(dx) >= std::llabs(dy);
  // Major coordinate runs from m0 towards m1 (m1 excluded); the minor coordinate is the
  // ideal line rounded half down: floor((2 * num + den - 1) / (2 * den)) with den > 0.
  const int64_t m0 = x_major ? x0 : y0, m1 = x_major ? x1 : y1;
  const int64_t n0 = x_major ? y0 : x0;
  const int64_t dm = m1 - m0, dn = x_major ? dy : dx;
  int64_t first = dm > 0 ? m0 : m1 + 1, last = dm > 0 ? m1 - 1 : m0;  // inclusive range
  const int64_t lo_lim = x_major ? bx0 : by0, hi_lim = x_major ? bx1 : by1;
  first = std::max(first, lo_lim);
  last = std::min(last, hi_lim);
  const int64_t nlo = x_major ? by0 : bx0, nhi = x_major ? by1 : bx1;
  __int128 den = dm, sign = 1;
  if (den < 0) {
    den = -den;
    sign = -1;
  }
  for (int64_t m = first; m <= last; ++m) {
    __int128 num = __int128(m - m0) * dn * sign;
    int64_t n = n0 + int64_t(floor_div(2 * num + den - 1, 2 * den));
    if (n < nlo || n > nhi) continue;
    if (x_major)
      plot_device(m, n, pixel);
    else
      plot_device(n, m, pixel);
  }
}

void DC::line_to(Point p) {
  Point from = state_.position;
  state_.position = p;
  if (state_.pen.style == PenStyle::null) return;
  draw_line_device(int64_t(from.x) + state_.origin.x, int64_t(from.y) + state_.origin.y,
                   int64_t(p.x) + state_.origin.x, int64_t(p.y) + state_.origin.y,
                   state_.pen.colour.pixel());
}

void DC::polyline(std::span<const Point> points) {
  if (points.empty()) return;
  Point keep = state_.position;
  move_to(points[0]);
  for (size_t i = 1; i < points.size(); ++i) line_to(points[i]);
  state_.position = keep;  // like GDI's Polyline: the current position is not used or changed
}

void DC::set_pixel(Point p, Colour c) {
  int64_t x = int64_t(p.x) + state_.origin.x, y = int64_t(p.y) + state_.origin.y;
  if (x < 0 || y < 0 || x >= target_->width() || y >= target_->height()) return;
  if (state_.clip.contains({int32_t(x), int32_t(y)})) target_->row(int32_t(y))[x] = c.pixel();
}

uint32_t DC::get_pixel(Point p) const {
  int64_t x = int64_t(p.x) + state_.origin.x, y = int64_t(p.y) + state_.origin.y;
  if (x < 0 || y < 0 || x >= target_->width() || y >= target_->height()) return 0;
  return target_->row(int32_t(y))[x];
}

// --- block transfers -------------------------------------------------------------------

void DC::bit_blt(const Rect& dst, const Bitmap& src, Point src_pos) {
  if (dst.empty()) return;
  Rect s = Rect::xywh(src_pos.x, src_pos.y, dst.width(), dst.height());
  blit_spans({dst.left, dst.top}, src, s, [](uint32_t* d, const uint32_t* sp, int32_t n) {
    std::copy(sp, sp + n, d);
  });
}

namespace {

// Calls fn(uint32_t& dst, uint32_t src) for every visible destination pixel of a stretched
// transfer whose source pixel lies inside the source bitmap.
template <class F>
void stretch_each(const Region& clip, Bitmap& target, const Rect& d, const Rect& dst_logical,
                  const Bitmap& src, const Rect& sr, F&& fn) {
  const int64_t dw = int64_t(dst_logical.right) - dst_logical.left, dh = int64_t(dst_logical.bottom) - dst_logical.top;
  const int64_t sw = int64_t(sr.right) - sr.left, sh = int64_t(sr.bottom) - sr.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  for (const Rect& c : clip.rects()) {
    Rect v = d.intersect(c);
    if (v.empty()) continue;
    for (int32_t y = v.top; y < v.bottom; ++y) {
      int64_t sy = sr.top + (int64_t(y) - d.top) * sh / dh;  // |.| < 2^31 * 2^32: fits
      if (sy < 0 || sy >= src.height()) continue;
      const uint32_t* srow = src.row(int32_t(sy));
      uint32_t* drow = target.row(y);
      for (int32_t x = v.left; x < v.right; ++x) {
        int64_t sx = sr.left + (int64_t(x) - d.left) * sw / dw;
        if (sx < 0 || sx >= src.width()) continue;
        fn(drow[x], srow[sx]);
      }
    }
  }
}

}  // namespace

void DC::stretch_blt(const Rect& dst, const Bitmap& src, const Rect& src_rect) {
  stretch_each(state_.clip, *target_, to_device(dst), dst, src, src_rect,
               [](uint32_t& d, uint32_t s) { d = s; });
}

void DC::transparent_blt(const Rect& dst, const Bitmap& src, const Rect& src_rect, Colour key) {
  const uint32_t k = key.pixel();
  stretch_each(state_.clip, *target_, to_device(dst), dst, src, src_rect, [k](uint32_t& d, uint32_t s) {
    if ((s & 0x00FFFFFFu) != k) d = s;
  });
}

void DC::alpha_blend(const Rect& dst, const Bitmap& src, const Rect& src_rect, BlendFunction bf) {
  const uint32_t ca = bf.constant_alpha;
  auto channel = [](uint32_t p, int shift) { return (p >> shift) & 0xFF; };
  if (!bf.source_alpha) {
    stretch_each(state_.clip, *target_, to_device(dst), dst, src, src_rect, [&](uint32_t& d, uint32_t s) {
      uint32_t out = 0;
      for (int sh = 0; sh < 32; sh += 8) {
        uint32_t v = mul_div255(channel(s, sh), ca) + mul_div255(channel(d, sh), 255 - ca);
        out |= std::min<uint32_t>(v, 255) << sh;
      }
      d = out;
    });
    return;
  }
  stretch_each(state_.clip, *target_, to_device(dst), dst, src, src_rect, [&](uint32_t& d, uint32_t s) {
    uint32_t a = mul_div255(s >> 24, ca);
    uint32_t out = 0;
    for (int sh = 0; sh < 32; sh += 8) {
      uint32_t v = mul_div255(channel(s, sh), ca) + mul_div255(channel(d, sh), 255 - a);
      out |= std::min<uint32_t>(v, 255) << sh;
    }
    d = out;
  });
}

void DC::tile_blt(const Rect& dst, const Bitmap& src, const Rect& src_rect, Point anchor) {
  Rect s = src_rect.intersect(src.bounds());
  if (s.empty() || dst.empty()) return;
  const int64_t sw = s.width(), sh = s.height();
  const int64_t ax = int64_t(anchor.x) + state_.origin.x, ay = int64_t(anchor.y) + state_.origin.y;
  fill_spans(dst, [&](uint32_t* row, int32_t n, int32_t x0, int32_t y) {
    int64_t ty = (int64_t(y) - ay) % sh;
    if (ty < 0) ty += sh;
    const uint32_t* srow = src.row(int32_t(s.top + ty)) + s.left;
    int64_t tx = (int64_t(x0) - ax) % sw;
    if (tx < 0) tx += sw;
    for (int32_t i = 0; i < n; ++i) {
      row[i] = srow[tx];
      if (++tx == sw) tx = 0;
    }
  });
}

}  // namespace kv::gfx
