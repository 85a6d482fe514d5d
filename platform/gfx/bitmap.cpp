#include "platform/gfx/bitmap.h"

#include <algorithm>
#include <stdexcept>

namespace kv::gfx {

Bitmap::Bitmap(int32_t width, int32_t height, uint32_t fill) {
  if (width <= 0 || height <= 0) return;
  if (width > kMaxSide || height > kMaxSide) throw std::length_error("bitmap too large");
  width_ = width;
  height_ = height;
  pixels_.assign(size_t(width) * size_t(height), fill);
}

uint32_t Bitmap::at(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return row(y)[x];
}

void Bitmap::set(int32_t x, int32_t y, uint32_t pixel) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  row(y)[x] = pixel;
}

void Bitmap::fill(uint32_t pixel) { std::fill(pixels_.begin(), pixels_.end(), pixel); }

void premultiply(Bitmap& image) {
  uint32_t* p = image.data();
  size_t n = size_t(image.width()) * size_t(image.height());
  for (size_t i = 0; i < n; ++i) {
    uint32_t a = p[i] >> 24;
    uint32_t r = mul_div255((p[i] >> 16) & 0xFF, a);
    uint32_t g = mul_div255((p[i] >> 8) & 0xFF, a);
    uint32_t b = mul_div255(p[i] & 0xFF, a);
    p[i] = a << 24 | r << 16 | g << 8 | b;
  }
}

void to_transparency(Bitmap& image) {
  uint32_t* p = image.data();
  size_t n = size_t(image.width()) * size_t(image.height());
  for (size_t i = 0; i < n; ++i) p[i] ^= 0xFF000000u;
}

void set_alpha(Bitmap& image, uint8_t alpha) {
  uint32_t* p = image.data();
  size_t n = size_t(image.width()) * size_t(image.height());
  for (size_t i = 0; i < n; ++i) p[i] = (p[i] & 0x00FFFFFFu) | uint32_t(alpha) << 24;
}

}  // namespace kv::gfx
