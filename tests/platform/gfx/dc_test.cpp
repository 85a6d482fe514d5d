// Exact pixel semantics of the drawing context, and one snapshot scene per primitive family.
#include "platform/gfx/dc.h"

#include <gtest/gtest.h>

#include <climits>
#include <iterator>
#include <random>
#include <set>
#include <utility>

#include "tests/platform/snapshot/snapshot.h"

namespace kv::gfx {
namespace {

constexpr Colour kRed{255, 0, 0};
constexpr Colour kBlue{0, 0, 255};
constexpr Colour kWhite{255, 255, 255};

using PixelSet = std::set<std::pair<int, int>>;

PixelSet pixels_of(const Bitmap& b, uint32_t px) {
  PixelSet s;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      if (b.at(x, y) == px) s.insert({x, y});
  return s;
}

PixelSet line_pixels(Point a, Point b, int size = 64) {
  Bitmap bm(size, size);
  DC dc(bm);
  dc.set_pen({kRed});
  dc.move_to(a);
  dc.line_to(b);
  return pixels_of(bm, kRed.pixel());
}

TEST(DcLine, PixelsOfShortLines) {
  struct Case {
    Point a, b;
    PixelSet expected;
  };
  const Case cases[] = {
      {{1, 1}, {5, 1}, {{1, 1}, {2, 1}, {3, 1}, {4, 1}}},  // end point excluded
      {{5, 1}, {1, 1}, {{5, 1}, {4, 1}, {3, 1}, {2, 1}}},  // backwards: the start is drawn
      {{0, 0}, {4, 2}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},  // ties go to the smaller row
      {{4, 2}, {0, 0}, {{4, 2}, {3, 1}, {2, 1}, {1, 0}}},  // same rule backwards
      {{0, 0}, {2, 4}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},  // y-major
      {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},          // diagonal
      {{2, 2}, {2, 2}, {}},                                // zero length draws nothing
  };
  for (const Case& c : cases)
    EXPECT_EQ(line_pixels(c.a, c.b), c.expected) << c.a.x << "," << c.a.y << " -> " << c.b.x << "," << c.b.y;
}

TEST(DcLine, SamePixelsInBothDirectionsAndOnePerMajorStep) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(0, 63);
  for (int i = 0; i < 500; ++i) {
    Point a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
    if (a == b) continue;
    PixelSet forward = line_pixels(a, b), backward = line_pixels(b, a);
    forward.insert({b.x, b.y});
    backward.insert({a.x, a.y});
    ASSERT_EQ(forward, backward) << a.x << "," << a.y << " " << b.x << "," << b.y;
    int major = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    ASSERT_EQ(int(forward.size()), major + 1);
  }
}

TEST(DcLine, HugeCoordinatesAreClippedBeforeStepping) {
  Bitmap bm(16, 16);
  DC dc(bm);
  dc.set_pen({kRed});
  dc.move_to({-2000000000, 8});
  dc.line_to({2000000000, 8});  // would take seconds if stepped pixel by pixel
  dc.move_to({8, 2000000000});
  dc.line_to({8, -2000000000});
  PixelSet s = pixels_of(bm, kRed.pixel());
  EXPECT_EQ(s.size(), 31u);
  EXPECT_TRUE(s.count({0, 8}) && s.count({15, 8}) && s.count({8, 0}) && s.count({8, 15}));
}

TEST(DcClip, OriginAndClipPlaceEveryPrimitive) {
  Bitmap bm(32, 32);
  DC dc(bm);
  dc.set_origin({10, 5});
  dc.intersect_clip({0, 0, 4, 4});
  EXPECT_EQ(dc.clip_box(), (Rect{0, 0, 4, 4}));
  dc.fill_rect({-100, -100, 100, 100}, kRed);
  PixelSet expected;
  for (int y = 5; y < 9; ++y)
    for (int x = 10; x < 14; ++x) expected.insert({x, y});
  EXPECT_EQ(pixels_of(bm, kRed.pixel()), expected);

  dc.exclude_clip({1, 1, 3, 3});
  dc.fill_rect({-100, -100, 100, 100}, kBlue);
  EXPECT_EQ(pixels_of(bm, kBlue.pixel()).size(), 12u);
  EXPECT_EQ(bm.at(12, 7), kRed.pixel());  // the excluded hole keeps its pixels
  EXPECT_FALSE(dc.rect_visible({1, 1, 3, 3}));
  EXPECT_TRUE(dc.rect_visible({0, 0, 2, 2}));
}

TEST(DcClip, SaveAndRestoreBringBackOriginClipAndPen) {
  Bitmap bm(8, 8);
  DC dc(bm);
  dc.set_pen({kRed});
  int level = dc.save();
  dc.set_origin({3, 3});
  dc.intersect_clip({0, 0, 1, 1});
  dc.set_pen({kBlue});
  dc.save();
  dc.restore(level);
  EXPECT_EQ(dc.origin(), (Point{0, 0}));
  EXPECT_EQ(dc.clip_box(), bm.bounds());
  EXPECT_EQ(dc.pen().colour, kRed);
}

TEST(DcRect, RectangleFrameAndInsideExcludeRightAndBottom) {
  Bitmap bm(8, 8);
  DC dc(bm);
  dc.set_pen({kRed});
  dc.set_brush(Brush::solid(kBlue));
  dc.rectangle({1, 1, 5, 4});
  EXPECT_EQ(pixels_of(bm, kBlue.pixel()), (PixelSet{{2, 2}, {3, 2}}));
  EXPECT_EQ(pixels_of(bm, kRed.pixel()).size(), 10u);
  EXPECT_EQ(bm.at(5, 1), 0u);
  EXPECT_EQ(bm.at(1, 4), 0u);
}

TEST(DcRect, FocusRectangleTwiceRestoresThePixels) {
  Bitmap bm(9, 7, 0x00123456);
  DC dc(bm);
  dc.set_origin({1, 0});
  dc.focus_rect({0, 1, 6, 6});
  EXPECT_EQ(bm.at(1, 1), 0x00123456u ^ 0xFFFFFFu);  // 1 + 1 even: inverted
  EXPECT_EQ(bm.at(2, 1), 0x00123456u);              // odd: kept
  EXPECT_EQ(bm.at(3, 3), 0x00123456u);              // inside: kept
  dc.focus_rect({0, 1, 6, 6});
  EXPECT_EQ(bm, Bitmap(9, 7, 0x00123456));
}

TEST(DcEllipse, StaysInItsBoxAndIsSymmetric) {
  for (int w = 1; w <= 12; ++w)
    for (int h = 1; h <= 12; ++h) {
      Bitmap bm(16, 16);
      DC dc(bm);
      dc.set_pen({kRed});
      dc.set_brush(Brush::solid(kBlue));
      dc.ellipse({2, 3, 2 + w, 3 + h});
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
          bool in_box = x >= 2 && x < 2 + w && y >= 3 && y < 3 + h;
          uint32_t p = bm.at(x, y);
          if (!in_box) {
            ASSERT_EQ(p, 0u) << w << "x" << h;
          }
          if (in_box) {
            ASSERT_EQ(p, bm.at(2 + (2 + w - 1 - x), y)) << "mirror x " << w << "x" << h;
            ASSERT_EQ(p, bm.at(x, 3 + (3 + h - 1 - y))) << "mirror y " << w << "x" << h;
          }
        }
      // The middle row and column reach the box's edges.
      ASSERT_NE(bm.at(2, 3 + h / 2), 0u) << w << "x" << h;
      ASSERT_NE(bm.at(2 + w / 2, 3), 0u) << w << "x" << h;
    }
}

TEST(DcBlit, SourceOutsideItsBitmapIsNeverRead) {
  Bitmap src(4, 4, 0x00112233);
  Bitmap bm(16, 16, 0x00FFFFFF);
  DC dc(bm);
  dc.bit_blt({0, 0, 8, 8}, src, {-2, -2});  // only the source's own 4x4 lands, at (2,2)
  PixelSet s = pixels_of(bm, 0x00112233);
  EXPECT_EQ(s.size(), 16u);
  EXPECT_TRUE(s.count({2, 2}) && s.count({5, 5}));
  EXPECT_EQ(bm.at(1, 1), 0x00FFFFFFu);
}

TEST(DcBlit, StretchPicksFloorOfScaledIndex) {
  Bitmap src(3, 1);
  src.set(0, 0, 1);
  src.set(1, 0, 2);
  src.set(2, 0, 3);
  Bitmap bm(7, 1);
  DC dc(bm);
  dc.stretch_blt({0, 0, 7, 1}, src, {0, 0, 3, 1});
  std::vector<uint32_t> row(bm.row(0), bm.row(0) + 7);
  EXPECT_EQ(row, (std::vector<uint32_t>{1, 1, 1, 2, 2, 3, 3}));  // floor(i * 3 / 7)
  dc.stretch_blt({0, 0, 2, 1}, src, {0, 0, 3, 1});
  EXPECT_EQ(bm.at(0, 0), 1u);
  EXPECT_EQ(bm.at(1, 0), 2u);  // floor(1 * 3 / 2)
}

TEST(DcBlit, TransparentBltSkipsTheKeyColour) {
  Bitmap src(2, 1);
  src.set(0, 0, 0xFF00FF00);  // key by RGB; the top byte does not matter
  src.set(1, 0, 0x00ABCDEF);
  Bitmap bm(2, 1, 0x00111111);
  DC dc(bm);
  dc.transparent_blt({0, 0, 2, 1}, src, {0, 0, 2, 1}, Colour{0, 255, 0});
  EXPECT_EQ(bm.at(0, 0), 0x00111111u);
  EXPECT_EQ(bm.at(1, 0), 0x00ABCDEFu);
}

TEST(DcBlit, AlphaBlendRoundsLikeTheFormula) {
  struct Case {
    uint32_t src, dst;
    BlendFunction bf;
    uint32_t expected;
  };
  const Case cases[] = {
      // constant alpha only: m(s, C) + m(d, 255 - C) per channel
      {0x00FF0000, 0x00000000, {128, false}, 0x00800000},
      {0x00000000, 0x0000FF00, {128, false}, 0x00007F00},
      {0x00000064, 0x000000C8, {64, false}, 0x000000AF},  // 25 + 150
      {0x00123456, 0x00ABCDEF, {255, false}, 0x00123456},
      {0x00123456, 0x00ABCDEF, {0, false}, 0x00ABCDEF},
      // premultiplied source alpha A: m(s, C) + m(d, 255 - m(A, C))
      {0x80800000, 0x0000FFFF, {255, true}, 0x80807F7F},
      {0x00000000, 0x00123456, {255, true}, 0x00123456},  // fully transparent source
      {0xFF102030, 0x00FFFFFF, {255, true}, 0xFF102030},  // opaque source
      {0xFF102030, 0x00FFFFFF, {128, true}, 0x80878F97},
  };
  for (const Case& c : cases) {
    Bitmap src(1, 1, c.src), bm(1, 1, c.dst);
    DC dc(bm);
    dc.alpha_blend({0, 0, 1, 1}, src, {0, 0, 1, 1}, c.bf);
    EXPECT_EQ(bm.at(0, 0), c.expected) << std::hex << c.src << " over " << c.dst;
  }
}

TEST(DcBlit, MulDiv255IsExactRounding) {
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t b = 0; b < 256; ++b) ASSERT_EQ(mul_div255(a, b), (a * b * 2 + 255) / 510) << a << " " << b;
}

TEST(DcBlit, TileGridFollowsTheAnchor) {
  Bitmap src(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) src.set(x, y, uint32_t(10 * y + x));
  Bitmap bm(8, 5, 0xFFFFFFFF);
  DC dc(bm);
  dc.set_origin({1, 0});
  dc.tile_blt({0, 0, 7, 5}, src, {0, 0, 3, 2}, {-1, 1});  // anchor (-1, 1) logical = (0, 1) device
  for (int y = 0; y < 5; ++y)
    for (int x = 1; x < 8; ++x)
      ASSERT_EQ(bm.at(x, y), uint32_t(10 * (((y - 1) % 2 + 2) % 2) + x % 3)) << x << "," << y;
  EXPECT_EQ(bm.at(0, 0), 0xFFFFFFFFu);
}

// Malformed input may hand any int32 to the drawing calls: nothing may overflow (UBSan),
// write outside the clip, or take long.
TEST(DcExtremes, EveryPrimitiveStaysDefinedAndInsideTheClip) {
  const int32_t values[] = {INT32_MIN, INT32_MIN + 1, -1073741824, -5, 0, 3, 1073741824, INT32_MAX - 1, INT32_MAX};
  Bitmap src(4, 4, 0x00ABCDEF);
  Bitmap bm(16, 16, 0x00FFFFFF);
  DC dc(bm);
  std::mt19937 rng(11);
  auto any = [&] { return values[rng() % std::size(values)]; };
  for (int i = 0; i < 3000; ++i) {
    dc.set_origin({any(), any()});
    dc.set_origin({int32_t(rng() % 9) - 4, int32_t(rng() % 9) - 4});
    dc.offset_origin(any(), any());
    dc.set_origin({int32_t(rng() % 9) - 4, int32_t(rng() % 9) - 4});
    dc.set_clip_region(Region({4, 4, 12, 12}));
    Rect r{any(), any(), any(), any()};
    Point p{any(), any()};
    dc.set_pen({kRed, int32_t(rng() % 2) ? any() : 3});
    dc.set_brush(Brush::solid(kBlue));
    switch (i % 12) {
      case 0: dc.fill_rect(r, kRed); break;
      case 1: dc.frame_rect(r, kRed); break;
      case 2: dc.rectangle(r); break;
      case 3: dc.ellipse(r); break;
      case 4: dc.move_to(p); dc.line_to({any(), any()}); break;
      case 5: dc.bit_blt(r, src, p); break;
      case 6: dc.stretch_blt(r, src, {any(), any(), any(), any()}); break;
      case 7: dc.transparent_blt(r, src, {any(), any(), any(), any()}, kRed); break;
      case 8: dc.alpha_blend(r, src, {any(), any(), any(), any()}, {128, true}); break;
      case 9: dc.tile_blt(r, src, {any(), any(), any(), any()}, p); break;
      case 10: dc.invert_rect(r); dc.focus_rect(r); break;
      case 11: dc.set_pixel(p, kRed); (void)dc.get_pixel(p); (void)dc.rect_visible(r); break;
    }
  }
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      if (!(Rect{4, 4, 12, 12}.contains({x, y}))) {
        ASSERT_EQ(bm.at(x, y), 0x00FFFFFFu) << x << "," << y;
      }
}

// --- snapshot scenes ----------------------------------------------------------------------

TEST(DcSnapshot, Fills) {
  Bitmap bm(64, 48, sys::window.pixel());
  DC dc(bm);
  dc.fill_rect({2, 2, 20, 12}, kRed);
  dc.frame_rect({22, 2, 40, 12}, kBlue);
  dc.frame_rect({42, 2, 43, 12}, kBlue);  // one pixel wide
  dc.frame_rect({45, 2, 62, 3}, kBlue);   // one pixel high
  dc.set_pen({Colour{0, 128, 0}});
  dc.set_brush(Brush::solid(Colour{255, 255, 0}));
  dc.rectangle({2, 14, 20, 26});
  dc.set_brush(Brush::null());
  dc.rectangle({22, 14, 40, 26});
  dc.set_pen({{}, 1, PenStyle::null});
  dc.set_brush(Brush::solid(Colour{255, 0, 255}));
  dc.rectangle({42, 14, 62, 26});
  dc.fill_rect({2, 28, 62, 46}, Colour{0, 128, 128});
  dc.invert_rect({10, 32, 54, 42});
  dc.focus_rect({4, 30, 60, 44});
  // Clipped and offset: a fill through an excluded hole.
  dc.save();
  dc.set_origin({30, 36});
  dc.intersect_clip({-20, -6, 20, 8});
  dc.exclude_clip({-4, -2, 4, 2});
  dc.fill_rect({-100, -100, 100, 100}, Colour{255, 128, 0});
  dc.restore();
  EXPECT_TRUE(test::matches_snapshot(bm, "tests/platform/snapshots/fills.png"));
}

TEST(DcSnapshot, Lines) {
  Bitmap bm(64, 64, sys::window.pixel());
  DC dc(bm);
  dc.set_pen({Colour{0, 0, 0}});
  const Point c{20, 20};
  const Point ends[] = {{38, 20}, {38, 27}, {38, 38}, {27, 38}, {20, 38}, {13, 38}, {2, 38}, {2, 27},
                        {2, 20},  {2, 13},  {2, 2},   {13, 2},  {20, 2},  {27, 2},  {38, 2},  {38, 13}};
  for (Point e : ends) {
    dc.move_to(c);
    dc.line_to(e);
  }
  dc.set_pen({kRed});
  const Point zig[] = {{42, 2}, {62, 8}, {42, 14}, {62, 20}, {42, 26}};
  dc.polyline(zig);
  dc.set_pen({kBlue, 3});
  dc.move_to({4, 50});
  dc.line_to({36, 60});
  dc.set_pen({Colour{0, 128, 0}});
  dc.save();
  dc.intersect_clip({44, 34, 60, 60});
  for (int i = 0; i < 8; ++i) {
    dc.move_to({40, 30 + 4 * i});
    dc.line_to({70, 40 + 3 * i});
  }
  dc.restore();
  EXPECT_TRUE(test::matches_snapshot(bm, "tests/platform/snapshots/lines.png"));
}

TEST(DcSnapshot, Ellipses) {
  Bitmap bm(80, 48, sys::window.pixel());
  DC dc(bm);
  dc.set_pen({Colour{0, 0, 0}});
  dc.set_brush(Brush::solid(Colour{255, 200, 0}));
  int x = 1;
  for (int s : {1, 2, 3, 4, 5, 6, 7, 8, 11, 16}) {
    dc.ellipse({x, 1, x + s, 1 + s});
    x += s + 1;
  }
  dc.ellipse({1, 18, 31, 30});   // wide
  dc.ellipse({33, 18, 41, 46});  // tall
  dc.set_brush(Brush::null());
  dc.ellipse({43, 18, 60, 35});
  dc.set_pen({{}, 1, PenStyle::null});
  dc.set_brush(Brush::solid(kBlue));
  dc.ellipse({62, 18, 79, 35});
  dc.set_pen({kRed});
  dc.set_brush(Brush::solid(Colour{0, 200, 0}));
  dc.save();
  dc.intersect_clip({1, 32, 20, 47});
  dc.ellipse({1, 32, 30, 60});  // clipped
  dc.restore();
  EXPECT_TRUE(test::matches_snapshot(bm, "tests/platform/snapshots/ellipses.png"));
}

TEST(DcSnapshot, BlockTransfers) {
  Bitmap src(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool key = (x + y) % 7 == 0;
      src.set(x, y, key ? 0x00FF00FF : pixel_argb(uint8_t(32 * x + 31), uint8_t(32 * x), uint8_t(32 * y), 128));
    }
  Bitmap pm = src;
  premultiply(pm);
  Bitmap bm(96, 40, 0x00FFFFFF);
  DC dc(bm);
  for (int y = 0; y < 40; y += 4) dc.fill_rect({0, y, 96, y + 2}, Colour{200, 200, 200});
  dc.bit_blt({2, 2, 8, 8}, src, {0, 0});
  dc.stretch_blt({12, 2, 28, 18}, src, {0, 0, 8, 8});
  dc.stretch_blt({30, 2, 35, 7}, src, {0, 0, 8, 8});
  dc.transparent_blt({38, 2, 54, 18}, src, {0, 0, 8, 8}, Colour{255, 0, 255});
  dc.alpha_blend({56, 2, 72, 18}, pm, {0, 0, 8, 8}, {255, true});
  dc.alpha_blend({74, 2, 90, 18}, src, {0, 0, 8, 8}, {96, false});
  dc.tile_blt({2, 20, 94, 38}, src, {2, 2, 7, 6}, {5, 21});
  EXPECT_TRUE(test::matches_snapshot(bm, "tests/platform/snapshots/blits.png"));
}

}  // namespace
}  // namespace kv::gfx
