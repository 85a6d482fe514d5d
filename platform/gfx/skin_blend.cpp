#include "platform/gfx/skin_blend.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kv::gfx {

namespace {

struct Tables {
  std::array<int32_t, 256> L{};
  std::array<int32_t, 256> M{};  // M[0] = 0 is not used by Linv
  Tables() {
    const float step = 0.003921568859368563f, gamma = 2.200000047683716f;
    for (int i = 0; i < 256; ++i)
      L[size_t(i)] = int32_t(std::floor(std::pow(double(i) * double(step), double(gamma)) * 16384.0 + 0.5));
    for (int k = 1; k < 256; ++k) M[size_t(k)] = (L[size_t(k - 1)] + L[size_t(k)]) / 2;
  }
};

const Tables& tables() {
  static const Tables t;  // thread-safe one-time initialisation, immutable afterwards
  return t;
}

int32_t channel(uint32_t p, int shift) { return int32_t((p >> shift) & 0xFF); }

}  // namespace

const int32_t* linear_light_table() { return tables().L.data(); }

uint8_t from_linear_light(int32_t v) {
  const auto& m = tables().M;
  return uint8_t(std::lower_bound(m.begin() + 1, m.end(), v) - (m.begin() + 1));
}

uint32_t blend_plain(uint32_t s, uint32_t d) {
  const int32_t t = int32_t(s >> 24);
  if (t == 0) return s & 0x00FFFFFFu;
  if (t == 255) return d;
  uint32_t out = 0;
  for (int sh = 0; sh < 24; sh += 8) {
    int32_t sc = channel(s, sh), dc = channel(d, sh);
    out |= uint32_t(sc + (((dc - sc) * t) >> 8)) << sh;
  }
  return out;
}

uint32_t blend_linear_light(uint32_t s, uint32_t d) {
  const int32_t t = int32_t(s >> 24);
  if (t == 0) return s & 0x00FFFFFFu;
  if (t == 255) return d;
  const int32_t w = (t * 16384 + 127) / 255;
  const int32_t* L = linear_light_table();
  uint32_t out = 0;
  for (int sh = 0; sh < 24; sh += 8) {
    int32_t ls = L[channel(s, sh)], ld = L[channel(d, sh)];
    out |= uint32_t(from_linear_light(ls + (ld - ls) * w / 16384)) << sh;
  }
  return out;
}

uint32_t blend_mask(uint8_t m, Colour colour, uint32_t d) {
  const uint32_t c = colour.pixel();
  if (m == 0) return c;
  if (m == 255) return d;
  const int32_t w = (int32_t(m) * 16384 + 127) / 255;
  const int32_t* L = linear_light_table();
  uint32_t out = 0;
  for (int sh = 0; sh < 24; sh += 8) {
    int32_t lc = L[channel(c, sh)], ld = L[channel(d, sh)];
    out |= uint32_t(from_linear_light(lc + (ld - lc) * w / 16384)) << sh;
  }
  return out;
}

void draw_skin_image(DC& dc, Point dst, const Bitmap& image, const Rect& src, SkinBlend blend) {
  auto fn = blend == SkinBlend::plain ? &blend_plain : &blend_linear_light;
  dc.blit_spans(dst, image, src, [fn](uint32_t* d, const uint32_t* s, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      uint32_t t = s[i] >> 24;
      if (t == 255) continue;  // fully transparent pixels are skipped
      d[i] = t == 0 ? (s[i] & 0x00FFFFFFu) : fn(s[i], d[i]);
    }
  });
}

void draw_skin_mask(DC& dc, Point dst, const MaskImage& mask, const Rect& src, Colour colour) {
  if (mask.width <= 0 || mask.height <= 0 || mask.bytes.size() < size_t(mask.width) * size_t(mask.height)) return;
  Rect s = src.intersect({0, 0, mask.width, mask.height});
  if (s.empty()) return;
  Rect d = Rect::xywh(sat32(int64_t(dst.x) + (int64_t(s.left) - src.left)),
                      sat32(int64_t(dst.y) + (int64_t(s.top) - src.top)), s.width(), s.height());
  Rect dd = dc.to_device(d);
  dc.fill_spans(d, [&](uint32_t* row, int32_t n, int32_t x0, int32_t y) {
    const uint8_t* m = mask.bytes.data() + size_t(s.top + (y - dd.top)) * size_t(mask.width) + size_t(s.left + (x0 - dd.left));
    for (int32_t i = 0; i < n; ++i)
      if (m[i] != 255) row[i] = blend_mask(m[i], colour, row[i]);
  });
}

Bitmap framework_bitmap(const Bitmap& image) {
  Bitmap out = image;
  for (int32_t y = 0; y < out.height(); ++y) {
    uint32_t* p = out.row(y);
    for (int32_t x = 0; x < out.width(); ++x) p[x] = (p[x] >> 24) ? 0u : (p[x] & 0x00FFFFFFu);
  }
  return out;
}

}  // namespace kv::gfx
