#pragma once
// Bitmap: a block of 32-bit pixels, rows top to bottom, like a 32-bit DIB section.
//
// Pixel layout: 0xAARRGGBB in a uint32_t (blue in the lowest byte).
// What the top byte means depends on who made the bitmap, never on the bitmap itself:
//  - Drawing surfaces (what a DC draws into): the drawing operations write 0x00RRGGBB and
//    ignore the top byte when reading, as GDI does with a 32-bit DIB section. Snapshots
//    store surfaces as opaque RGB.
//  - Decoded images (PNG, BMP): straight (not premultiplied) alpha, 255 = opaque. The skin
//    code turns that into its transparency byte with to_transparency() (T = 255 - alpha).
//  - Sources of DC::alpha_blend with per-pixel alpha: premultiplied, as GDI's AlphaBlend
//    expects; premultiply() makes one from a decoded image.
//
// Direct pixel access: row(y) points at `width()` pixels; rows are `stride()` pixels apart
// (stride == width: rows are packed). Dimensions are limited to kMaxSide per side.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gfx/geometry.h"

namespace kv::gfx {

class Bitmap {
 public:
  static constexpr int32_t kMaxSide = 32768;

  Bitmap() = default;
  // A zero or negative side gives an empty bitmap; a side above kMaxSide throws
  // std::length_error (callers check untrusted sizes before asking).
  Bitmap(int32_t width, int32_t height, uint32_t fill = 0);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t stride() const { return width_; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }
  Rect bounds() const { return {0, 0, width_, height_}; }
  Size size() const { return {width_, height_}; }

  uint32_t* data() { return pixels_.data(); }
  const uint32_t* data() const { return pixels_.data(); }
  uint32_t* row(int32_t y) { return pixels_.data() + size_t(y) * size_t(width_); }
  const uint32_t* row(int32_t y) const { return pixels_.data() + size_t(y) * size_t(width_); }

  // Checked access: outside the bitmap, at() answers 0 and set() does nothing.
  uint32_t at(int32_t x, int32_t y) const;
  void set(int32_t x, int32_t y, uint32_t pixel);

  void fill(uint32_t pixel);

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Straight alpha to premultiplied: each colour channel becomes round(c * a / 255).
void premultiply(Bitmap& image);
// Straight alpha 0xAARRGGBB <-> the skin format 0xTTRRGGBB (T = 255 - alpha). Its own inverse.
void to_transparency(Bitmap& image);
// Sets the top byte of every pixel (e.g. 0xFF to make a surface an opaque image).
void set_alpha(Bitmap& image, uint8_t alpha);

// Exact round(a * b / 255) for a, b in 0..255.
constexpr uint32_t mul_div255(uint32_t a, uint32_t b) {
  uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

}  // namespace kv::gfx
