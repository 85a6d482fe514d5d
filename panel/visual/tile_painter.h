#pragma once
// Painting a window through the shared back buffer, one 128 x 128 tile at a time.
//
// The update area's bounding box is cut into tiles whose grid starts at its left and top
// edges aligned down to a multiple of 4. Each tile is drawn into the back buffer with the
// DC's origin moved to the tile and its clip narrowed to the tile's part of the update area
// ((max(x, left), max(y, top)) to (x + w, y + h)), then the w x h block is copied to the
// window at (x, y), with w = min(right - x, 128) and h = min(bottom - y, 128). However big
// the panel, off-screen drawing needs only the one small buffer.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/colour.h"
#include "platform/gfx/dc.h"

namespace kv {

struct Tile {
  int32_t x = 0, y = 0, w = 0, h = 0;
  friend bool operator==(const Tile&, const Tile&) = default;
};

std::vector<Tile> tileLayout(const gfx::Rect& update, int32_t tileSize = 128);

// Paints the DC's clip area (logical coordinates of `target`) with `draw`, which receives a
// DC on `buffer` whose logical coordinates are those of `target`. Answers the tiles.
std::vector<Tile> paintInTiles(gfx::DC& target, gfx::Bitmap& buffer, const std::function<void(gfx::DC&)>& draw);

// Fills the DC's clip area with a solid colour by writing the pixels directly.
void fastFill(gfx::DC& dc, gfx::Colour colour);

}  // namespace kv
