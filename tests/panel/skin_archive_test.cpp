// Skins embedded in a patch: the skin list written and read back, the older record forms,
// and damaged records.
#include <gtest/gtest.h>

#include <cstring>

#include "document/archive/archive_error.h"
#include "panel/skin/skin_classes.h"
#include "panel/skin/skin_manager.h"
#include "platform/image/png_codec.h"
#include "tests/panel/panel_test_support.h"

namespace kv {
namespace {

using test::QuietMessages;

// Reads a skin list from bytes of a given file version into `m`; answers the error text.
std::string readList(SkinManager& m, const std::vector<uint8_t>& bytes, int32_t version) {
  LoadContext ctx;
  ctx.file_version = version;
  try {
    ArchiveReader r(bytes, documentAndSkinClasses(), ctx);
    auto skins = m.ReadSkins(r);
    r.commit();
    if (!r.atEnd()) return "bytes left over";
    m.adoptSkins(std::move(skins));
  } catch (const ArchiveError& e) {
    return e.what();
  }
  return {};
}

gfx::Bitmap gradient(int w, int h) {
  gfx::Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.set(x, y, uint32_t((x * 40) & 255) << 24 | uint32_t(x * 9) << 16 | uint32_t(y * 7) << 8 | 0x33);
  return b;
}

TEST(SkinArchive, EmbeddedSkinRoundTrip) {
  QuietMessages quiet;
  SkinManager source("", &test::testFonts());
  SkinInfo* s = source.addEmbeddedSkin("Patch Skin");
  SkinImageRef img(new CAnimBitmap("knob_med", CSkinBitmap::kColour));
  img->setPixels(gradient(8, 24));
  img->description().frameSizeGiven = true;
  img->description().frameWidth = 8;
  img->description().frameHeight = 8;
  img->description().lastFrame = 2;
  img->description().padLeft = 1;
  img->description().padBottom = 4;
  img->description().handleRangeStart = 3;
  img->description().handleRangeEnd = 70;
  s->addImage(img);
  s->addFontCategory({"control_label", "DejaVu Sans", 17, 0x123456});

  std::vector<uint8_t> bytes;
  ArchiveWriter w(bytes);
  source.WriteSkins(w);

  SkinManager target(test::skinsRoot(), &test::testFonts());
  ASSERT_EQ(readList(target, bytes, kCurrentFileVersion), "");
  SkinInfo* got = target.FindSkin("patch skin");
  ASSERT_EQ(got->name(), "Patch Skin");
  EXPECT_TRUE(got->embedded());
  // Embedded skins come first in the list.
  EXPECT_EQ(target.skinNames().front(), "Patch Skin");
  SkinImageRef back = got->GetBitmap("knob_med.png");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixels(), img->pixels());
  EXPECT_EQ(back->description().padLeft, 1);
  EXPECT_EQ(back->description().padBottom, 4);
  EXPECT_EQ(back->description().handleRangeStart, 3);
  EXPECT_EQ(back->description().handleRangeEnd, 70);
  EXPECT_EQ(back->lastFrame(), 2);
  // Categories from disk come first; the embedded one is found for names disk lacks.
  got->addFontCategory({"only_embedded", "DejaVu Sans", 9, 1});
  EXPECT_EQ(got->GetFontInfo("control_label").size, 12);
  EXPECT_EQ(got->embeddedCategories().front()->size, 17);
  // Images not embedded come from the folders.
  EXPECT_TRUE(got->GetBitmap("led"));

  // A second list with the same name changes nothing.
  std::vector<uint8_t> again;
  ArchiveWriter w2(again);
  SkinManager other("", &test::testFonts());
  other.addEmbeddedSkin("PATCH SKIN");
  other.WriteSkins(w2);
  ASSERT_EQ(readList(target, again, kCurrentFileVersion), "");
  EXPECT_EQ(target.FindSkin("patch skin"), got);
  EXPECT_TRUE(quiet.texts().empty());
}

// Hand-made records: the writer only writes the current form.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& u16(uint16_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); return *this; }
  Bytes& i32(int32_t v) { for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(v) >> (8 * i))); return *this; }
  Bytes& text(const std::string& s) { b.push_back(uint8_t(s.size())); b.insert(b.end(), s.begin(), s.end()); return *this; }
  Bytes& raw(const std::vector<uint8_t>& v) { b.insert(b.end(), v.begin(), v.end()); return *this; }
  Bytes& animClass() {
    u16(0xFFFF).u16(1).u16(11);
    const char* n = "CAnimBitmap";
    b.insert(b.end(), n, n + 11);
    return *this;
  }
  Bytes& animFields(bool padding) {
    i32(9).i32(2).i32(50).i32(5).i32(0).i32(0).i32(10).i32(10).i32(2).i32(1).i32(0).i32(1);
    if (padding) i32(1).i32(2).i32(3).i32(4);
    return *this;
  }
};

TEST(SkinArchive, OlderRecordForms) {
  QuietMessages quiet;
  // Before 94961: raw pixels (count, an unused word, the pixels).
  Bytes raw;
  raw.i32(1).text("old").animClass().i32(2).i32(2).text("img").i32(4).i32(0);
  for (uint32_t px : {0x00112233u, 0xFF445566u, 0x80778899u, 0x00AABBCCu}) raw.i32(int32_t(px));
  raw.animFields(false).u16(0).i32(0);
  SkinManager a("", &test::testFonts());
  ASSERT_EQ(readList(a, raw.b, 94000), "");
  SkinImageRef img = a.FindSkin("old")->GetBitmap("img");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->pixels().at(1, 0), 0xFF445566u);
  EXPECT_EQ(img->pixels().at(0, 1), 0x80778899u);
  EXPECT_EQ(img->description().segmentCount, 9);
  EXPECT_EQ(img->description().handleRangeEnd, 50);
  EXPECT_EQ(img->description().handleRangeStart, 5);

  // 94961 to 95060: a PNG stream, no padding.
  gfx::Bitmap straight = gradient(3, 2);
  std::vector<uint8_t> png = gfx::encode_png(straight, gfx::PngChannels::rgba);
  Bytes mid;
  mid.i32(1).text("mid").animClass().i32(2).i32(3).text("img").i32(int32_t(png.size())).raw(png).animFields(false).u16(0).i32(0);
  SkinManager b("", &test::testFonts());
  ASSERT_EQ(readList(b, mid.b, 95000), "");
  SkinImageRef m = b.FindSkin("mid")->GetBitmap("img");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->pixels().at(2, 1) & 0xFFFFFF, straight.at(2, 1) & 0xFFFFFF);
  EXPECT_EQ(m->pixels().at(2, 1) >> 24, 255 - (straight.at(2, 1) >> 24));
  EXPECT_EQ(m->description().padLeft, 0);

  // From 95061 on: the padding, left, right, top, bottom.
  Bytes cur;
  cur.i32(1).text("cur").animClass().i32(2).i32(3).text("img").i32(int32_t(png.size())).raw(png).animFields(true).u16(0).i32(0);
  SkinManager c("", &test::testFonts());
  ASSERT_EQ(readList(c, cur.b, 95061), "");
  const skin::ImageDescription& d = c.FindSkin("cur")->GetBitmap("img")->description();
  EXPECT_EQ(d.padLeft, 1);
  EXPECT_EQ(d.padRight, 2);
  EXPECT_EQ(d.padTop, 3);
  EXPECT_EQ(d.padBottom, 4);
  EXPECT_TRUE(quiet.texts().empty());
}

TEST(SkinArchive, DamagedRecords) {
  QuietMessages quiet;
  auto list = [](int32_t byteCount, const std::vector<uint8_t>& data) {
    Bytes x;
    x.i32(1).text("bad").animClass().i32(2).i32(2).text("img").i32(byteCount).raw(data).animFields(true).u16(0).i32(0);
    return x.b;
  };
  SkinManager m("", &test::testFonts());
  // Counts that are negative or run past the end fail the load and change nothing.
  EXPECT_NE(readList(m, list(-1, {}), kCurrentFileVersion), "");
  EXPECT_NE(readList(m, list(1000, {1, 2, 3}), kCurrentFileVersion), "");
  Bytes negative;
  negative.i32(-2);
  EXPECT_NE(readList(m, negative.b, kCurrentFileVersion), "");
  Bytes oldCount;
  oldCount.i32(1).text("bad").animClass().i32(2).i32(2).text("img").i32(-5).i32(0);
  EXPECT_NE(readList(m, oldCount.b, 94000), "");
  EXPECT_EQ(m.embeddedSkinCount(), 0u);

  // Bytes that are not a PNG, and raw pixels that do not fit the size: the image is left
  // out with a message, the rest loads.
  ASSERT_EQ(readList(m, list(6, {'n', 'o', 't', 'p', 'n', 'g'}), kCurrentFileVersion), "");
  EXPECT_EQ(quiet.texts().size(), 1u);
  Bytes wrong;
  wrong.i32(1).text("wrong").animClass().i32(2).i32(2).text("img").i32(3).i32(0).i32(1).i32(2).i32(3).animFields(false).u16(0).i32(0);
  ASSERT_EQ(readList(m, wrong.b, 94000), "");
  EXPECT_EQ(quiet.texts().size(), 2u);
  EXPECT_EQ(m.embeddedSkinCount(), 2u);
}

}  // namespace
}  // namespace kv
