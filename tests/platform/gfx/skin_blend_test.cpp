// Skin image blends: the plain blend's arithmetic shift, the linear-light tables, masks.
#include "platform/gfx/skin_blend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "platform/image/skin_transparency.h"
#include "tests/platform/snapshot/snapshot.h"
#include "tools/skingen/skin_generator.h"
#include "platform/image/png_codec.h"

namespace kv::gfx {
namespace {

TEST(SkinBlend, PlainBlendUsesAnArithmeticShift) {
  struct Case {
    uint32_t src, dst, expected;
  };
  const Case cases[] = {
      {0x00C86432, 0x00112233, 0x00C86432},  // T = 0 copies
      {0xFFC86432, 0x00112233, 0x00112233},  // T = 255 keeps the destination
      {0x80C80000, 0x00640000, 0x00960000},  // 200 + ((-100 * 128) >> 8) = 150
      {0x01C80000, 0x00640000, 0x00C70000},  // 200 + (-100 >> 8) = 199: the shift floors
      {0x01006400, 0x0000C800, 0x00006400},  // 100 + (100 >> 8) = 100
      {0xFE000000, 0x000000FF, 0x000000FD},  // 0 + ((255 * 254) >> 8) = 253
  };
  for (const Case& c : cases) EXPECT_EQ(blend_plain(c.src, c.dst), c.expected) << std::hex << c.src << " " << c.dst;
}

TEST(SkinBlend, LinearLightTablesAndInverse) {
  const int32_t* L = linear_light_table();
  for (int i = 0; i < 256; ++i) {
    double x = double(i) * double(0.003921568859368563f);
    ASSERT_EQ(L[i], int32_t(std::floor(std::pow(x, double(2.200000047683716f)) * 16384.0 + 0.5))) << i;
  }
  EXPECT_EQ(L[0], 0);
  EXPECT_EQ(L[255], 16384);
  // Every code whose linear value differs from the one below comes back unchanged.
  for (int i = 0; i < 256; ++i)
    if (i == 0 || L[i] > L[i - 1]) {
      ASSERT_EQ(from_linear_light(L[i]), i) << i;
    }
  EXPECT_EQ(from_linear_light(-5), 0);
  EXPECT_EQ(from_linear_light(20000), 255);
  // Half transparency over black in linear light is brighter than the plain blend's half.
  EXPECT_GT(blend_linear_light(0x80FFFFFF, 0x00000000) & 0xFF, blend_plain(0x80FFFFFF, 0) & 0xFF);
  EXPECT_EQ(blend_linear_light(0x00123456, 0x00FFFFFF), 0x00123456u);
  EXPECT_EQ(blend_linear_light(0xFF123456, 0x00ABCDEF), 0x00ABCDEFu);
}

TEST(SkinBlend, DrawingClipsToImageAndDcAndSkipsInvisiblePixels) {
  Bitmap img(4, 4, 0x00FF0000);   // opaque red
  img.set(1, 1, 0xFF00FF00);      // invisible
  Bitmap surface(8, 8, 0x00FFFFFF);
  DC dc(surface);
  dc.intersect_clip({0, 0, 6, 8});
  draw_skin_image(dc, {3, 3}, img, {0, 0, 10, 10}, SkinBlend::plain);
  EXPECT_EQ(surface.at(3, 3), 0x00FF0000u);
  EXPECT_EQ(surface.at(4, 4), 0x00FFFFFFu);  // invisible pixel
  EXPECT_EQ(surface.at(5, 6), 0x00FF0000u);
  EXPECT_EQ(surface.at(6, 3), 0x00FFFFFFu);  // clipped by the DC
  EXPECT_EQ(surface.at(3, 7), 0x00FFFFFFu);  // past the image

  MaskImage mask{2, 1, {0, 255}};
  Bitmap s2(2, 1, 0x00000000);
  DC dc2(s2);
  draw_skin_mask(dc2, {0, 0}, mask, {0, 0, 2, 1}, Colour{0, 0, 255});
  EXPECT_EQ(s2.at(0, 0), 0x000000FFu);
  EXPECT_EQ(s2.at(1, 0), 0u);

  Bitmap fb = framework_bitmap(Bitmap(1, 1, 0x01ABCDEF));
  EXPECT_EQ(fb.at(0, 0), 0u);
}

// The generated default skin drawn the way the panel draws it: tiled background, knob and
// button frames with both blends, a slider track and handle, a bar graph, a tinted mask.
TEST(SkinBlend, Snapshot) {
  std::map<std::string, Bitmap> img;
  for (const skin_art::File& f : skin_art::default_skin()) {
    if (!f.path.ends_with(".png")) continue;
    Bitmap b;
    std::string error;
    ASSERT_TRUE(decode_png(f.bytes, b, error)) << f.path;
    to_transparency(b);
    img[f.path.substr(8, f.path.size() - 12)] = b;
  }
  Bitmap surface(200, 120);
  DC dc(surface);
  const Bitmap& bg = img["background"];
  dc.tile_blt(surface.bounds(), framework_bitmap(bg), bg.bounds(), {0, 0});
  for (int i = 0; i < 5; ++i) {
    draw_skin_image(dc, {4 + 34 * i, 4}, img["knob_med"], Rect::xywh(0, 32 * (i * 63 / 4), 32, 32),
                    i % 2 ? SkinBlend::linear_light : SkinBlend::plain);
  }
  draw_skin_image(dc, {4, 40}, img["vslider_med"], {0, 0, 20, 100}, SkinBlend::plain);
  draw_skin_image(dc, {4, 40 + 30}, img["vslider_med"], {0, 100, 20, 110}, SkinBlend::plain);
  // Bar graph at 6 of 10 segments lit: bottom L rows of frame 0, top H - L rows of frame 1.
  const int L = 59;
  draw_skin_image(dc, {30, 40 + 100 - L}, img["bar_graph1"], {0, 100 - L, 10, 100}, SkinBlend::plain);
  draw_skin_image(dc, {30, 40}, img["bar_graph1"], {0, 100, 10, 200 - L}, SkinBlend::plain);
  draw_skin_image(dc, {46, 40}, img["button"], {0, 0, 24, 24}, SkinBlend::plain);
  draw_skin_image(dc, {46, 70}, img["button"], {0, 24, 24, 48}, SkinBlend::plain);
  draw_skin_image(dc, {76, 40}, img["led"], {0, 12, 12, 24}, SkinBlend::plain);
  draw_skin_image(dc, {76, 56}, img["alpha_rgba"], img["alpha_rgba"].bounds(), SkinBlend::plain);
  draw_skin_image(dc, {76, 76}, img["alpha_rgba"], img["alpha_rgba"].bounds(), SkinBlend::linear_light);
  Bitmap tint = img["tint_mask"];
  to_transparency(tint);
  std::vector<uint8_t> plane = mask_plane(tint);
  MaskImage mask{tint.width(), tint.height(), plane};
  draw_skin_mask(dc, {116, 40}, mask, {0, 0, 16, 16}, Colour{0, 120, 255});
  draw_skin_mask(dc, {136, 40}, mask, {0, 16, 16, 32}, Colour{255, 60, 0});
  EXPECT_TRUE(test::matches_snapshot(surface, "tests/platform/snapshots/skin_images.png"));
}

}  // namespace
}  // namespace kv::gfx
