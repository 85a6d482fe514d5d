#pragma once
// DC: a drawing context over a Bitmap, standing in for a GDI device context.
//
// Coordinates. Operations take logical coordinates; device (bitmap) coordinates are
// logical + origin (GDI's viewport origin). Clip regions are kept in device coordinates.
// The clip region never extends past the target bitmap; every operation writes only
// pixels inside it.
//
// Exact semantics (integer arithmetic throughout):
//  - fill_rect(r): pixels left <= x < right, top <= y < bottom.
//  - frame_rect(r): the one-pixel border of r (inside r).
//  - rectangle(r): the pen draws the border of r, the brush fills the inside. With a null
//    pen the brush fills r less its right column and bottom row, as GDI does.
//  - line_to(p): pixels from the current position up to but excluding p. For an x-major
//    line (|dx| >= |dy|) each column x gets the row nearest the ideal line through both
//    end points, ties going to the smaller row; y-major likewise. The pixel set does not
//    depend on the drawing direction (except the excluded end). Lines are clipped against
//    the clip box before stepping (64-bit), so huge coordinates cost nothing.
//    Pens wider than one pixel stamp a width x width square centred on each pixel (widths
//    are limited to 256).
//  - ellipse(r): the pixels whose centres lie inside (or on) the ellipse inscribed in r
//    (semi-axes w / 2 and h / 2, w and h r's size): (k / w)^2 + (j / h)^2 <= 1 with
//    k = |2x - (left + right - 1)|, j = |2y - (top + bottom - 1)|, evaluated
//    exactly in 128-bit integers; then widened so that the middle row(s) span all of r's
//    width and every row of r keeps at least its middle pixel(s), so the shape always
//    touches the four sides of r (as GDI's does) even when thin. The pen draws the pixels of that set with a 4-neighbour outside it; the brush
//    fills the rest.
//  - Block transfers take a destination rectangle and a source rectangle in the source
//    bitmap. Source pixels outside the source bitmap are never read: the destination
//    pixels they would cover are left unchanged. Stretching picks, for destination column
//    i of a w-wide destination, source column sx + floor(i * sw / w) (nearest neighbour, as
//    GDI's COLORONCOLOR mode); rows likewise. Non-positive sizes draw nothing.
//  - transparent_blt: source pixels whose RGB equals the key are skipped.
//  - alpha_blend: GDI's AlphaBlend with BlendFunction{constant alpha C, source alpha flag}.
//    Without the flag: d = min(255, m(s, C) + m(d, 255 - C)) per channel (alpha too);
//    with it (premultiplied source, alpha A): a = m(A, C), d = min(255, m(s, C) + m(d, 255 - a))
//    for every channel including alpha, where m(x, y) = round(x * y / 255) exactly.
//  - tile_blt: the destination is covered with copies of the source rectangle, the copy
//    grid anchored at `anchor` (logical coordinates).
//  - Surfaces: drawing writes pixels 0x00RRGGBB; block transfers copy all 32 bits.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/colour.h"
#include "platform/gfx/geometry.h"
#include "platform/gfx/region.h"

namespace kv::gfx {

class Font;  // platform/text/font.h

enum class PenStyle { solid, null };
struct Pen {
  Colour colour{};
  int32_t width = 1;
  PenStyle style = PenStyle::solid;
};

struct Brush {
  Colour colour{};
  bool hollow = false;
  static constexpr Brush solid(Colour c) { return {c, false}; }
  static constexpr Brush null() { return {{}, true}; }
};

enum class BkMode { transparent, opaque };

// Text alignment for text_out (GDI TA_* values, combinable with |).
namespace ta {
inline constexpr uint32_t left = 0;
inline constexpr uint32_t right = 2;
inline constexpr uint32_t center = 6;
inline constexpr uint32_t top = 0;
inline constexpr uint32_t bottom = 8;
inline constexpr uint32_t baseline = 24;
inline constexpr uint32_t horizontal_mask = 6;
inline constexpr uint32_t vertical_mask = 24;
}  // namespace ta

struct BlendFunction {
  uint8_t constant_alpha = 255;
  bool source_alpha = false;  // per-pixel alpha from the (premultiplied) source
};

class DC {
 public:
  explicit DC(Bitmap& target);

  Bitmap& target() { return *target_; }
  const Bitmap& target() const { return *target_; }

  // --- coordinates and clipping -------------------------------------------------------
  Point origin() const { return state_.origin; }
  // Origins are kept within +-2^30 (far beyond any bitmap), so arithmetic on them cannot overflow.
  void set_origin(Point p);
  void offset_origin(int32_t dx, int32_t dy);

  void reset_clip();                      // whole target
  void intersect_clip(const Rect& logical);
  void exclude_clip(const Rect& logical);
  void set_clip_region(const Region& device);  // intersected with the target
  const Region& clip_region() const { return state_.clip; }  // device coordinates
  Rect clip_box() const;                  // logical bounding box of the clip region
  bool rect_visible(const Rect& logical) const;
  bool point_visible(Point logical) const;

  // Saves everything below (origin, clip, pens, brush, text state, font, position).
  int save();
  // Restores the state saved by save() number `level` (1 = first), or the latest with -1.
  void restore(int level = -1);

  // --- attributes ------------------------------------------------------------------------
  const Pen& pen() const { return state_.pen; }
  void set_pen(const Pen& p) { state_.pen = p; }
  const Brush& brush() const { return state_.brush; }
  void set_brush(const Brush& b) { state_.brush = b; }
  Colour text_colour() const { return state_.text_colour; }
  void set_text_colour(Colour c) { state_.text_colour = c; }
  Colour bk_colour() const { return state_.bk_colour; }
  void set_bk_colour(Colour c) { state_.bk_colour = c; }
  BkMode bk_mode() const { return state_.bk_mode; }
  void set_bk_mode(BkMode m) { state_.bk_mode = m; }
  uint32_t text_align() const { return state_.text_align; }
  void set_text_align(uint32_t a) { state_.text_align = a; }
  const std::shared_ptr<const Font>& font() const { return state_.font; }
  void set_font(std::shared_ptr<const Font> f) { state_.font = std::move(f); }
  Point current_position() const { return state_.position; }

  // --- drawing -------------------------------------------------------------------------
  void fill_rect(const Rect& r, Colour c);
  void frame_rect(const Rect& r, Colour c);
  void invert_rect(const Rect& r);  // RGB of each pixel XOR 0xFFFFFF
  // Focus rectangle: inverts every other pixel of r's one-pixel border (those with an even
  // x + y in device coordinates), so drawing it twice restores the pixels.
  void focus_rect(const Rect& r);
  void rectangle(const Rect& r);   // pen border + brush inside
  void ellipse(const Rect& r);     // pen outline + brush inside

  void move_to(Point p) { state_.position = p; }
  void line_to(Point p);
  void polyline(std::span<const Point> points);  // moves to the first, lines to the rest

  void set_pixel(Point p, Colour c);
  // The pixel at a logical point, or 0 outside the target.
  uint32_t get_pixel(Point p) const;

  void bit_blt(const Rect& dst, const Bitmap& src, Point src_pos);
  void stretch_blt(const Rect& dst, const Bitmap& src, const Rect& src_rect);
  void transparent_blt(const Rect& dst, const Bitmap& src, const Rect& src_rect, Colour key);
  void alpha_blend(const Rect& dst, const Bitmap& src, const Rect& src_rect, BlendFunction bf);
  void tile_blt(const Rect& dst, const Bitmap& src, const Rect& src_rect, Point anchor);

  // Direct pixel access for custom blends (skin images): calls
  // fn(uint32_t* dst, const uint32_t* src, int32_t count) for every visible run of the
  // unstretched transfer of src_rect (clipped to the source bitmap) to `dst_pos`.
  template <class F>
  void blit_spans(Point dst_pos, const Bitmap& src, const Rect& src_rect, F&& fn);

  // Calls fn(uint32_t* row, int32_t count, int32_t device_x, int32_t device_y) for every
  // visible run of the logical rectangle r.
  template <class F>
  void fill_spans(const Rect& r, F&& fn);

  // Device rectangle of a logical one, saturated to a safe range (no overflow).
  Rect to_device(const Rect& logical) const;

 private:
  struct State {
    Point origin{};
    Region clip;
    Pen pen{};
    Brush brush{};
    Colour text_colour{};
    Colour bk_colour{255, 255, 255};
    BkMode bk_mode = BkMode::opaque;
    uint32_t text_align = 0;
    std::shared_ptr<const Font> font;
    Point position{};
  };

  void plot_device(int64_t x, int64_t y, uint32_t pixel);  // pen-width aware, clipped
  void fill_device_span(int32_t y, int32_t x0, int32_t x1, uint32_t pixel);  // clipped
  void draw_line_device(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t pixel);

  Bitmap* target_;
  State state_;
  std::vector<State> saved_;
};

// ----------------------------------------------------------------------------------------

template <class F>
void DC::blit_spans(Point dst_pos, const Bitmap& src, const Rect& src_rect, F&& fn) {
  Rect s = src_rect.intersect(src.bounds());
  if (s.empty()) return;
  // Destination of the (source-clipped) rectangle, in device coordinates.
  Rect d = to_device(Rect::xywh(sat32(int64_t(dst_pos.x) + (int64_t(s.left) - src_rect.left)),
                                sat32(int64_t(dst_pos.y) + (int64_t(s.top) - src_rect.top)), s.width(), s.height()));
  // to_device may have saturated; keep the source in step with the destination.
  int32_t dx0 = d.left, dy0 = d.top;
  for (const Rect& c : state_.clip.rects()) {
    Rect v = d.intersect(c);
    if (v.empty()) continue;
    for (int32_t y = v.top; y < v.bottom; ++y) {
      const uint32_t* sp = src.row(s.top + (y - dy0)) + s.left + (v.left - dx0);
      fn(target_->row(y) + v.left, sp, v.right - v.left);
    }
  }
}

template <class F>
void DC::fill_spans(const Rect& r, F&& fn) {
  Rect d = to_device(r);
  if (d.empty()) return;
  for (const Rect& c : state_.clip.rects()) {
    Rect v = d.intersect(c);
    if (v.empty()) continue;
    for (int32_t y = v.top; y < v.bottom; ++y) fn(target_->row(y) + v.left, v.right - v.left, v.left, y);
  }
}

}  // namespace kv::gfx
