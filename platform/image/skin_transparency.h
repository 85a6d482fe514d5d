#pragma once
// Transparency of skin images, which a BMP file does not carry itself: a mask image beside
// it (its red component is the transparency: black opaque, white transparent), or a key
// colour taken from one pixel of the image. Images here are straight-alpha 0xAARRGGBB as
// the decoders give them; to_transparency() (bitmap.h) turns them into the skin format.

#include <cstdint>
#include <vector>

#include "platform/gfx/bitmap.h"

namespace kv::gfx {

// alpha = 255 - red of the mask pixel at the same place. Where the mask is smaller than
// the image, the pixels it does not cover stay as they are.
void apply_mask(Bitmap& image, const Bitmap& mask);

// Every pixel with the RGB of the pixel at (x, y) becomes fully transparent (alpha 0).
// Nothing happens when (x, y) lies outside the image (x < 0 means "no key colour").
void apply_key_colour(Bitmap& image, int32_t x, int32_t y);

// One byte per pixel, rows top to bottom: ((r + g + b) / 3) XOR 255, so white gives 0
// (full colour) and black 255 (transparent).
std::vector<uint8_t> mask_plane(const Bitmap& image);

}  // namespace kv::gfx
