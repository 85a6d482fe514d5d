#pragma once
// Drawing skin images into a surface. Skin images hold pixels 0xTTRRGGBB: T is the
// transparency (0 opaque, 255 invisible; to_transparency() in bitmap.h makes them from
// decoded images). Mask images hold one byte per pixel with the same meaning, and are
// drawn in a colour.
//
// Blends, per colour channel, for 0 < T < 255 (T = 0 copies the source, T = 255 leaves the
// destination):
//   plain:        s + (((d - s) * T) >> 8), an arithmetic shift of the signed product
//   linear light: Linv(L[s] + (L[d] - L[s]) * w / 16384), w = (T * 16384 + 127) / 255,
//                 divisions truncating toward zero
// with L[i] = floor((i / 255)^2.2 * 16384 + 0.5) (1/255 and 2.2 taken as the single-precision
// constants 0.003921568859368563 and 2.200000047683716, the power computed in double) and
// Linv(v) = the number of midpoints M[k] = (L[k - 1] + L[k]) / 2, k = 1..255, below v.
// The tables are immutable after their thread-safe first use.

#include <cstdint>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/dc.h"

namespace kv::gfx {

enum class SkinBlend { plain, linear_light };

struct MaskImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bytes;  // width * height, rows top to bottom
};

const int32_t* linear_light_table();      // L[0..255]
uint8_t from_linear_light(int32_t value);  // Linv

uint32_t blend_plain(uint32_t src_tt, uint32_t dst);
uint32_t blend_linear_light(uint32_t src_tt, uint32_t dst);
uint32_t blend_mask(uint8_t m, Colour colour, uint32_t dst);

// Draws the source rectangle of a skin image with its top-left at `dst` (logical
// coordinates), clipped to the DC's clip region and to the image.
void draw_skin_image(DC& dc, Point dst, const Bitmap& image_tt, const Rect& src, SkinBlend blend);
void draw_skin_mask(DC& dc, Point dst, const MaskImage& mask, const Rect& src, Colour colour);

// The image for ordinary block transfers: every pixel whose T is not 0 becomes black; the
// result is a surface (top byte 0).
Bitmap framework_bitmap(const Bitmap& image_tt);

}  // namespace kv::gfx
