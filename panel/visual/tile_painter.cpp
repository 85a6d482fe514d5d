#include "panel/visual/tile_painter.h"

#include <algorithm>

namespace kv {

namespace {
int64_t alignDown4(int64_t v) { return v >= 0 ? v / 4 * 4 : -((-v + 3) / 4 * 4); }
}  // namespace

std::vector<Tile> tileLayout(const gfx::Rect& u, int32_t tileSize) {
  std::vector<Tile> tiles;
  if (u.empty()) return tiles;
  for (int64_t y = alignDown4(u.top); y < u.bottom; y += tileSize)
    for (int64_t x = alignDown4(u.left); x < u.right; x += tileSize)
      tiles.push_back({int32_t(x), int32_t(y), int32_t(std::min<int64_t>(u.right - x, tileSize)),
                       int32_t(std::min<int64_t>(u.bottom - y, tileSize))});
  return tiles;
}

std::vector<Tile> paintInTiles(gfx::DC& target, gfx::Bitmap& buffer, const std::function<void(gfx::DC&)>& draw) {
  gfx::Rect u = target.clip_box();
  std::vector<Tile> tiles = tileLayout(u, buffer.width());
  for (const Tile& t : tiles) {
    gfx::DC mem(buffer);
    mem.set_origin({-t.x, -t.y});
    mem.reset_clip();
    mem.intersect_clip({std::max(t.x, u.left), std::max(t.y, u.top), t.x + t.w, t.y + t.h});
    draw(mem);
    target.bit_blt(gfx::Rect::xywh(t.x, t.y, t.w, t.h), buffer, {0, 0});
  }
  return tiles;
}

void fastFill(gfx::DC& dc, gfx::Colour colour) {
  uint32_t px = colour.pixel();
  dc.fill_spans(dc.clip_box(), [px](uint32_t* row, int32_t count, int32_t, int32_t) { std::fill(row, row + count, px); });
}

}  // namespace kv
