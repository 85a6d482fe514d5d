#include "platform/image/skin_transparency.h"

#include <algorithm>

namespace kv::gfx {

void apply_mask(Bitmap& image, const Bitmap& mask) {
  int32_t w = std::min(image.width(), mask.width()), h = std::min(image.height(), mask.height());
  for (int32_t y = 0; y < h; ++y) {
    uint32_t* o = image.row(y);
    const uint32_t* m = mask.row(y);
    for (int32_t x = 0; x < w; ++x) {
      uint32_t t = (m[x] >> 16) & 0xFF;
      o[x] = (o[x] & 0x00FFFFFFu) | (255 - t) << 24;
    }
  }
}

void apply_key_colour(Bitmap& image, int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return;
  uint32_t key = image.row(y)[x] & 0x00FFFFFFu;
  for (int32_t r = 0; r < image.height(); ++r) {
    uint32_t* o = image.row(r);
    for (int32_t c = 0; c < image.width(); ++c)
      if ((o[c] & 0x00FFFFFFu) == key) o[c] &= 0x00FFFFFFu;
  }
}

std::vector<uint8_t> mask_plane(const Bitmap& image) {
  std::vector<uint8_t> out;
  out.reserve(size_t(image.width()) * size_t(image.height()));
  for (int32_t y = 0; y < image.height(); ++y) {
    const uint32_t* p = image.row(y);
    for (int32_t x = 0; x < image.width(); ++x) {
      uint32_t s = ((p[x] >> 16) & 0xFF) + ((p[x] >> 8) & 0xFF) + (p[x] & 0xFF);
      out.push_back(uint8_t((s / 3) ^ 255));
    }
  }
  return out;
}

}  // namespace kv::gfx
