// Skins from the generated skin folders and from the built-in copy: look-up order, fallback
// to "default", the missing-image message, transparency of every file kind, fonts.
#include <gtest/gtest.h>

#include "panel/skin/skin_manager.h"
#include "platform/message_service.h"
#include "tests/panel/panel_test_support.h"
#include "tools/skingen/skin_generator.h"

namespace kv {
namespace {

using test::QuietMessages;

TEST(SkinManager, FindSkinFallsBackToDefaultAndNeverAnswersNone) {
  SkinManager disk(test::skinsRoot(), &test::testFonts());
  EXPECT_EQ(disk.FindSkin("ALT")->name(), "alt");
  EXPECT_EQ(disk.FindSkin("no such skin")->name(), "default");
  EXPECT_EQ(disk.SkinAt(-1)->name(), "default");
  SkinManager none("", &test::testFonts());
  ASSERT_NE(none.FindSkin("anything"), nullptr);
  EXPECT_EQ(none.FindSkin("anything")->name(), "default");
}

TEST(SkinManager, ImagesComeFromTheSkinThenDefault) {
  QuietMessages quiet;
  SkinManager m(test::skinsRoot(), &test::testFonts());
  SkinInfo* alt = m.FindSkin("alt");
  SkinImageRef led = alt->GetBitmap("led");
  ASSERT_TRUE(led);
  EXPECT_EQ(led->frameWidth(), 10);  // alt's own led
  SkinImageRef knob = alt->GetBitmap("knob_sm.png");
  ASSERT_TRUE(knob);  // not in alt: from default
  EXPECT_EQ(knob->frameWidth(), 16);
  EXPECT_EQ(knob->lastFrame(), 31);
  EXPECT_EQ(knob->name(), "knob_sm");
  // The second request is the cached image.
  EXPECT_EQ(alt->GetBitmap("knob_sm").get(), knob.get());
  SkinImageRef med = m.FindSkin("default")->GetBitmap("knob_med");
  ASSERT_TRUE(med);
  EXPECT_EQ(med->lastFrame(), 63);
  EXPECT_EQ(med->frameForValue(0.5), 32);
  EXPECT_EQ(med->frameForValue(0.0), 0);
  EXPECT_EQ(med->frameForValue(1.0), 63);
  // Frame n carries its marker at its top-left pixel.
  EXPECT_EQ(med->pixels().at(0, 32 * 17) & 0xFFFFFF, skin_art::frame_marker(17) & 0xFFFFFF);
  EXPECT_TRUE(quiet.texts().empty());
}

TEST(SkinManager, MissingImageIsReportedOnceAndCached) {
  QuietMessages quiet;
  SkinManager m(test::skinsRoot(), &test::testFonts());
  SkinInfo* alt = m.FindSkin("alt");
  EXPECT_FALSE(alt->GetBitmap("not_there"));
  ASSERT_EQ(quiet.texts().size(), 1u);
  EXPECT_EQ(quiet.texts()[0], "Error Loading Image.  Check this file exists: " + test::skinsRoot() + "default/not_there.bmp");
  EXPECT_FALSE(alt->GetBitmap("not_there.png"));
  EXPECT_EQ(quiet.texts().size(), 1u);
}

TEST(SkinManager, BuiltInDefaultSkinServesWithoutFolders) {
  QuietMessages quiet;
  SkinManager m("", &test::testFonts());
  SkinImageRef knob = m.FindSkin("alt")->GetBitmap("knob_med");
  ASSERT_TRUE(knob);
  EXPECT_EQ(knob->lastFrame(), 63);
  EXPECT_EQ(m.FindSkin("default")->GetFontInfo("control_label").face, "DejaVu Sans");
  EXPECT_TRUE(quiet.texts().empty());
}

TEST(SkinManager, FileKindsAndTheirTransparency) {
  QuietMessages quiet;
  SkinManager m(test::skinsRoot(), &test::testFonts());
  SkinInfo* fx = m.FindSkin("fixtures");
  ASSERT_EQ(fx->name(), "fixtures");

  SkinImageRef rgba = fx->GetBitmap("png_rgba");
  ASSERT_TRUE(rgba);
  // Pixel (0, 0) of the fixture has alpha 255: opaque, T = 0; (1, 0) alpha 215: T = 40.
  EXPECT_EQ(rgba->pixels().at(0, 0) >> 24, 0u);
  EXPECT_EQ(rgba->pixels().at(1, 0) >> 24, 40u);

  SkinImageRef masked = fx->GetBitmap("bmp_24");  // bmp_24_mask.bmp: row 2 white
  ASSERT_TRUE(masked);
  EXPECT_EQ(masked->pixels().at(3, 2) >> 24, 255u);
  EXPECT_EQ(masked->pixels().at(3, 1) >> 24, 0u);

  SkinImageRef keyed = fx->GetBitmap("bmp_keyed");  // key colour at (0, 0)
  ASSERT_TRUE(keyed);
  EXPECT_EQ(keyed->pixels().at(0, 0) >> 24, 255u);
  EXPECT_EQ(keyed->pixels().at(1, 0) >> 24, 255u);  // the same green
  EXPECT_EQ(keyed->pixels().at(2, 0) >> 24, 0u);    // blue

  SkinImageRef crlf = fx->GetBitmap("desc_crlf");
  ASSERT_TRUE(crlf);
  EXPECT_EQ(crlf->description().response, 3);
  EXPECT_EQ(crlf->lastFrame(), 3);

  SkinImageRef zero = fx->GetBitmap("desc_frame_zero");  // frame size ignored: the whole image
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->frameHeight(), 40);
  EXPECT_EQ(zero->lastFrame(), 0);

  SkinImageRef pad = fx->GetBitmap("desc_padding");
  ASSERT_TRUE(pad);
  EXPECT_EQ(pad->outerWidth(), pad->frameWidth() + 7);
  EXPECT_EQ(pad->outerHeight(), pad->frameHeight() + 3);

  SkinImageRef mask = fx->GetBitmap("png_rgb", CSkinBitmap::kMask);
  ASSERT_TRUE(mask);
  uint32_t p = mask->pixels().at(2, 1);
  EXPECT_EQ(mask->mask().bytes[7 + 2], uint8_t((((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255)) / 3 ^ 255));
  EXPECT_TRUE(quiet.texts().empty());
}

TEST(SkinManager, BrokenImageFilesAreReportedAndFallBack) {
  QuietMessages quiet;
  SkinManager m(test::skinsRoot(), &test::testFonts());
  SkinInfo* fx = m.FindSkin("fixtures");
  for (const char* name : {"bmp_truncated.bmp", "png_truncated.png", "png_huge.png", "bmp_huge.bmp"}) {
    quiet.clear();
    EXPECT_FALSE(fx->GetBitmap(name)) << name;
    ASSERT_EQ(quiet.texts().size(), 2u) << name;
    EXPECT_TRUE(quiet.texts()[0].starts_with("Error reading image file: ")) << quiet.texts()[0];
    EXPECT_TRUE(quiet.texts()[1].starts_with("Error Loading Image.  Check this file exists: ")) << quiet.texts()[1];
  }
}

TEST(SkinManager, FontCategoriesAndTheirDefaults) {
  SkinManager m(test::skinsRoot(), &test::testFonts());
  SkinInfo* def = m.FindSkin("default");
  const SkinFontInfo& label = def->GetFontInfo("control_label");
  EXPECT_EQ(label.face, "DejaVu Sans");
  EXPECT_EQ(label.size, 12);
  EXPECT_EQ(def->GetFontInfo("selector_text").colour, 0x0000FFu);
  const SkinFontInfo& none = def->GetFontInfo("Control_Label");  // names are case-sensitive
  EXPECT_EQ(none, (SkinFontInfo{"", "System", 12, 0xFFFFFFu}));
  EXPECT_EQ(m.FindSkin("alt")->GetFontInfo("control_label").size, 11);
  // Only uninstalled families: the face stays "Arial"; lines without values change nothing.
  EXPECT_EQ(m.FindSkin("fixtures")->GetFontInfo("only_missing"), (SkinFontInfo{"only_missing", "Arial", 12, 0x7070FFu}));
  EXPECT_EQ(m.FindSkin("fixtures")->GetFontInfo("blue").colour, 0xFF0000u);
  gfx::Size cs = def->GetCharSize("control_label");
  EXPECT_GT(cs.cx, 0);
  EXPECT_GT(cs.cy, 0);
}

TEST(SkinManager, FontsInUseAreNeverEvicted) {
  SkinManager m("", &test::testFonts());
  std::vector<std::shared_ptr<const SkinFont>> held;
  for (int size = 8; size < 8 + 14; ++size) held.push_back(m.GetFontCache({"x", "DejaVu Sans", size, 0}));
  EXPECT_EQ(m.cachedFontCount(), 14u);  // all in use
  for (size_t i = 0; i < held.size(); ++i) EXPECT_EQ(held[i]->size, int32_t(8 + i));
  EXPECT_EQ(m.GetFontCache({"x", "DejaVu Sans", 9, 0}).get(), held[1].get());
  held.clear();
  m.GetFontCache({"x", "DejaVu Sans", 40, 0});
  EXPECT_EQ(m.cachedFontCount(), SkinManager::kFontCacheSize);
}

}  // namespace
}  // namespace kv
