// Fonts, metrics and text layout with the pinned DejaVu fonts.
#include <gtest/gtest.h>

#include <climits>

#include "platform/text/cp1252.h"
#include "platform/text/font_cache.h"
#include "platform/text/text_draw.h"
#include "tests/platform/snapshot/snapshot.h"

namespace kv::gfx {
namespace {

class Text : public ::testing::Test {
 protected:
  FontCache cache{dejavu_test_fonts()};
};

TEST_F(Text, FacesFallBackAndStylesPickTheirFiles) {
  struct Case {
    FontSpec spec;
    const char* file_suffix;
  };
  const Case cases[] = {
      {{"Arial", -12}, "/DejaVuSans.ttf"},
      {{"DejaVu Sans", -12}, "/DejaVuSans.ttf"},
      {{"System", 12}, "/DejaVuSans.ttf"},
      {{"Arial", -12, kWeightBold}, "/DejaVuSans-Bold.ttf"},
      {{"Arial", -12, kWeightNormal, true}, "/DejaVuSans-Oblique.ttf"},
      {{"Arial", -12, kWeightBold, true}, "/DejaVuSans-BoldOblique.ttf"},
  };
  for (const Case& c : cases) {
    auto f = cache.get(c.spec);
    EXPECT_EQ(f->family(), "DejaVu Sans") << c.spec.face;
    EXPECT_TRUE(f->file().ends_with(c.file_suffix)) << c.spec.face << " " << f->file();
  }
  EXPECT_EQ(cache.get({"Arial", -12}), cache.get({"Arial", -12}));  // cached
}

TEST_F(Text, HeightsFollowTheCharacterOrCellConvention) {
  // DejaVu Sans: 2048 units per em, Windows ascent 1901, descent 483.
  struct Case {
    int32_t height, em, ascent, descent;
  };
  const Case cases[] = {{-12, 12, 11, 3}, {-20, 20, 19, 5}, {14, 12, 11, 3}, {24, 21, 19, 5}, {0, 12, 11, 3}};
  for (const Case& c : cases) {
    const FontMetrics& m = cache.get({"Arial", c.height})->metrics();
    EXPECT_EQ(m.char_height, c.em) << c.height;
    EXPECT_EQ(m.ascent, c.ascent) << c.height;
    EXPECT_EQ(m.descent, c.descent) << c.height;
    EXPECT_EQ(m.height, c.ascent + c.descent) << c.height;
  }
}

TEST_F(Text, ExtentIsTheSumOfAdvances) {
  auto f = cache.get({"Arial", -12});
  auto adv = f->advances("Wi.\x80");
  ASSERT_EQ(adv.size(), 4u);
  EXPECT_EQ(f->extent("Wi.\x80").cx, adv[0] + adv[1] + adv[2] + f->advance(0x80));
  EXPECT_GT(adv[0], adv[1]);
  EXPECT_EQ(f->extent("").cx, 0);
  EXPECT_EQ(f->extent("").cy, f->metrics().height);
  EXPECT_GT(cache.get({"Arial", -12, kWeightBold})->extent("Wide text").cx, f->extent("Wide text").cx);
}

TEST(FontCacheFailure, UnusableFontFilesAndAbsurdRequestsGiveABlankFont) {
  FontCache none({{"/nonexistent/korvane-font.ttf"}});
  auto f = none.get({"Arial", -12});
  EXPECT_TRUE(f->file().empty());
  EXPECT_GT(f->extent("abc").cx, 0);  // still measures, so layouts stay sane
  EXPECT_TRUE(f->glyph('a').coverage.empty());
  // A file that is not a font at all.
  FontCache garbage({{std::string(KV_TEST_SOURCE_DIR) + "/tests/platform/fuzz/corpus/png/png_rgb.png"}});
  EXPECT_TRUE(garbage.get({"Arial", -12})->file().empty());

  FontCache cache(dejavu_test_fonts());
  for (FontSpec spec : {FontSpec{"Arial", INT32_MIN}, FontSpec{"Arial", INT32_MAX}, FontSpec{"", -100000},
                        FontSpec{"Arial", -12, -5}, FontSpec{"Arial", -12, 100000}, FontSpec{std::string(5000, 'x'), 3}}) {
    auto g = cache.get(spec);
    EXPECT_GE(g->metrics().char_height, 1);
    EXPECT_LE(g->metrics().char_height, 256);
  }
}

TEST_F(Text, ExtremeCoordinatesStayDefined) {
  Bitmap bm(16, 16);
  DC dc(bm);
  dc.set_font(cache.get({"Arial", -12}));
  dc.set_bk_mode(BkMode::opaque);
  for (int32_t a : {INT32_MIN, -1, 0, INT32_MAX})
    for (int32_t b : {INT32_MIN, 0, INT32_MAX})
      for (uint32_t align : {ta::left, ta::center | ta::baseline, ta::right | ta::bottom}) {
        dc.set_text_align(align);
        text_out(dc, {a, b}, "Wide text &x");
        Rect r{a, b, b, a};
        for (uint32_t fmt : {0u, dt::center | dt::vcenter | dt::singleline, dt::right | dt::bottom | dt::singleline,
                             dt::wordbreak | dt::end_ellipsis, dt::wordbreak | dt::calcrect}) {
          Rect copy = r;
          draw_text(dc, "one two\nthree &four", copy, fmt);
        }
      }
  SUCCEED();
}

TEST(Cp1252, MapsTheWindowsRangeAndRoundTrips) {
  EXPECT_EQ(cp1252_to_unicode(0x80), U'\u20AC');
  EXPECT_EQ(cp1252_to_unicode(0x93), U'\u201C');
  EXPECT_EQ(cp1252_to_unicode(0x9F), U'\u0178');
  EXPECT_EQ(cp1252_to_unicode(0x81), U'\u0081');
  EXPECT_EQ(cp1252_to_unicode(0xE9), U'\u00E9');
  for (int b = 0; b < 256; ++b) EXPECT_EQ(unicode_to_cp1252(cp1252_to_unicode(uint8_t(b))), b);
  EXPECT_EQ(unicode_to_cp1252(U'\u4E2D'), -1);
  EXPECT_EQ(unicode_to_cp1252(U'\u0100'), -1);
}

TEST_F(Text, TheEuroByteHasAGlyph) {
  const Glyph& g = cache.get({"Arial", -16})->glyph(0x80);
  EXPECT_FALSE(g.coverage.empty());
}

// With the text colour equal to the background colour an opaque text is exactly its cell.
Rect inked(const Bitmap& b, uint32_t px) {
  Rect r{b.width(), b.height(), 0, 0};
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      if (b.at(x, y) == px) r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1), std::max(r.bottom, y + 1)};
  return r;
}

TEST_F(Text, TextOutPlacesTheCellByAlignment) {
  auto f = cache.get({"Arial", -12});
  const int32_t w = f->extent("Hello").cx, h = f->metrics().height, a = f->metrics().ascent;
  struct Case {
    uint32_t align;
    Rect cell;
  };
  const Case cases[] = {
      {ta::left | ta::top, Rect::xywh(50, 30, w, h)},
      {ta::right | ta::top, Rect::xywh(50 - w, 30, w, h)},
      {ta::center | ta::top, Rect::xywh(50 - w / 2, 30, w, h)},
      {ta::left | ta::baseline, Rect::xywh(50, 30 - a, w, h)},
      {ta::left | ta::bottom, Rect::xywh(50, 30 - h, w, h)},
  };
  for (const Case& c : cases) {
    Bitmap bm(100, 60);
    DC dc(bm);
    dc.set_font(f);
    dc.set_text_align(c.align);
    dc.set_bk_mode(BkMode::opaque);
    dc.set_bk_colour(Colour{1, 2, 3});
    dc.set_text_colour(Colour{1, 2, 3});
    text_out(dc, {50, 30}, "Hello");
    EXPECT_EQ(inked(bm, 0x00010203), c.cell) << c.align;
  }
}

TEST_F(Text, DrawTextLayout) {
  Bitmap bm(100, 60);
  DC dc(bm);
  auto f = cache.get({"Arial", -12});
  dc.set_font(f);
  const int32_t h = f->metrics().height;

  Rect r{0, 0, 60, 0};
  const int32_t height = draw_text(dc, "one two three four five", r, dt::wordbreak | dt::calcrect);
  EXPECT_EQ(height, r.height());
  EXPECT_GT(r.height(), h);
  EXPECT_EQ(r.height() % h, 0);
  EXPECT_LE(r.width(), 60);

  Rect one{0, 0, 10, 0};  // a word wider than the rectangle stands alone
  draw_text(dc, "incomprehensibilities a", one, dt::wordbreak | dt::calcrect);
  EXPECT_EQ(one.height(), 2 * h);

  Rect cut{0, 0, 40, 0};
  draw_text(dc, "A rather long label", cut, dt::singleline | dt::end_ellipsis | dt::calcrect);
  EXPECT_LE(cut.width(), 40);
  EXPECT_GT(cut.width(), 40 - f->extent("W").cx - f->extent("...").cx);

  Rect lines{0, 0, 100, 0};
  EXPECT_EQ(draw_text(dc, "a\r\nb\nc", lines, dt::calcrect), 3 * h);
  Rect prefix{0, 0, 100, 0};
  draw_text(dc, "&File && more", prefix, dt::calcrect);
  EXPECT_EQ(prefix.width(), f->extent("File & more").cx);
}

TEST_F(Text, DrawTextCentresAndClips) {
  auto f = cache.get({"Arial", -12});
  Bitmap bm(100, 60);
  DC dc(bm);
  dc.set_font(f);
  dc.set_bk_mode(BkMode::opaque);
  dc.set_bk_colour(Colour{9, 9, 9});
  dc.set_text_colour(Colour{9, 9, 9});
  Rect r{10, 10, 90, 50};
  draw_text(dc, "Mid", r, dt::center | dt::vcenter | dt::singleline);
  const int32_t w = f->extent("Mid").cx, h = f->metrics().height;
  EXPECT_EQ(inked(bm, 0x00090909), Rect::xywh(10 + (80 - w) / 2, 10 + (40 - h) / 2, w, h));

  Bitmap clipped(100, 60);
  DC dc2(clipped);
  dc2.set_font(f);
  dc2.set_bk_mode(BkMode::opaque);
  dc2.set_bk_colour(Colour{9, 9, 9});
  Rect small{10, 10, 30, 15};
  draw_text(dc2, "Clipped text", small, 0);
  EXPECT_EQ(inked(clipped, 0x00090909), small);
}

TEST_F(Text, Snapshot) {
  Bitmap bm(160, 120, sys::window.pixel());
  DC dc(bm);
  dc.set_bk_mode(BkMode::transparent);
  dc.set_text_colour(Colour{0, 0, 0});
  int y = 2;
  for (int32_t size : {-9, -12, -16}) {
    dc.set_font(cache.get({"Arial", size}));
    text_out(dc, {2, y}, "Korvane 0.75 V \x80");
    y += dc.font()->metrics().height;
  }
  dc.set_font(cache.get({"Arial", -12, kWeightBold}));
  text_out(dc, {2, y}, "Bold");
  dc.set_font(cache.get({"Arial", -12, kWeightNormal, true}));
  text_out(dc, {40, y}, "Italic");
  dc.set_text_colour(Colour{255, 255, 255});
  dc.set_bk_mode(BkMode::opaque);
  dc.set_bk_colour(Colour{0, 0, 160});
  dc.set_font(cache.get({"Arial", -12}));
  text_out(dc, {80, y}, "Gr\xF6\xDF" "e \x93q\x94");
  y += 16;
  dc.set_bk_mode(BkMode::transparent);
  dc.set_text_colour(Colour{0, 100, 0});
  Rect box{2, y, 80, y + 44};
  dc.frame_rect(box, Colour{200, 200, 200});
  draw_text(dc, "Word break wraps this text in its box", box, dt::wordbreak | dt::center);
  Rect right{84, y, 158, y + 14};
  dc.frame_rect(right, Colour{200, 200, 200});
  draw_text(dc, "Too long to fit here", right, dt::singleline | dt::end_ellipsis | dt::right);
  Rect mid{84, y + 16, 158, y + 44};
  dc.frame_rect(mid, Colour{200, 200, 200});
  draw_text(dc, "&Centre", mid, dt::singleline | dt::center | dt::vcenter);
  EXPECT_TRUE(test::matches_snapshot(bm, "tests/platform/snapshots/text.png"));
}

}  // namespace
}  // namespace kv::gfx
