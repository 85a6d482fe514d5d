#include "platform/gfx/region.h"

#include <gtest/gtest.h>

#include <random>

namespace kv::gfx {
namespace {

// Regions against a brute-force pixel mask on random operations.
TEST(Region, MatchesAPixelMaskUnderRandomOperations) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> c(0, 20);
  for (int round = 0; round < 200; ++round) {
    bool mask[20][20] = {};
    Region r;
    for (int op = 0; op < 8; ++op) {
      int a = c(rng), b = c(rng), d = c(rng), e = c(rng);
      Rect q{std::min(a, b), std::min(d, e), std::max(a, b), std::max(d, e)};
      int kind = op == 0 ? 0 : int(rng() % 3);
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
          bool in = q.contains({x, y});
          if (kind == 0) mask[y][x] = mask[y][x] || in;
          if (kind == 1) mask[y][x] = mask[y][x] && !in;
          if (kind == 2) mask[y][x] = mask[y][x] && in;
        }
      if (kind == 0) r.unite(q);
      if (kind == 1) r.subtract(q);
      if (kind == 2) r.intersect(q);
      int count = 0;
      for (const Rect& x : r.rects()) count += x.width() * x.height();
      int expected = 0;
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
          expected += mask[y][x];
          ASSERT_EQ(r.contains({x, y}), mask[y][x]);
        }
      ASSERT_EQ(count, expected) << "rectangles overlap";
    }
  }
}

}  // namespace
}  // namespace kv::gfx
