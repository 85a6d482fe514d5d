#pragma once
// Limits checked before any image decoder allocates pixels, so that a hostile file
// declaring a huge image is refused instead of exhausting memory.

#include <cstdint>

namespace kv::gfx {

struct ImageLimits {
  int32_t max_side = 16384;          // per side, pixels
  int64_t max_pixels = int64_t(1) << 24;  // width * height (64 MB of pixels)
};

}  // namespace kv::gfx
