#pragma once
// BMP reading and writing, our own bounds-checked code.
//
// Reads the Windows bitmap file: core (12-byte) and info (40, 52, 56, 108, 124-byte)
// headers; 1, 4 and 8 bits with a palette, 16 and 32 bits with default or bit-field masks,
// 24 bits; run-length compression (8 and 4 bits); bottom-up and top-down rows. Every pixel
// becomes an opaque straight-alpha pixel 0xFFRRGGBB: a bitmap's own alpha byte is not
// used (transparency for skins comes from a mask file or a key colour, skin_transparency.h).
// Every length and offset is checked against the data before use; a malformed file is
// refused with a short reason and leaves `out` untouched. Pixels an RLE stream skips are
// black.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/image/image_limits.h"

namespace kv::gfx {

bool decode_bmp(std::span<const uint8_t> data, Bitmap& out, std::string& error,
                const ImageLimits& limits = {});
bool read_bmp_file(const std::string& path, Bitmap& out, std::string& error,
                   const ImageLimits& limits = {});

// Writer for fixtures and generated skins. Palette formats (1, 4, 8 bits) build the palette
// from the image's colours in order of first appearance and fail (empty result) when there
// are too many; rle compresses 8-bit images (RLE8) or 4-bit images (RLE4).
struct BmpFormat {
  int bits = 24;          // 1, 4, 8, 24 or 32
  bool top_down = false;  // negative height
  bool rle = false;       // 4 or 8 bits only; always bottom-up
  bool core_header = false;  // 12-byte header (1, 4, 8, 24 bits)
};
std::vector<uint8_t> encode_bmp(const Bitmap& image, const BmpFormat& format = {});

}  // namespace kv::gfx
