// Skinned visuals rendered headless: frames, padding, tinting, blends and font categories,
// from the skin folders and from a skin embedded in a patch's skin list.
#include <gtest/gtest.h>

#include <optional>

#include "panel/skin/skin_classes.h"
#include "panel/skin/skin_manager.h"
#include "panel/skin/skin_text_scope.h"
#include "platform/text/text_draw.h"
#include "tests/panel/panel_test_support.h"
#include "tests/panel/visual_test_support.h"
#include "tests/platform/snapshot/snapshot.h"
#include "tools/skingen/skin_generator.h"

namespace kv {
namespace {

// One skin image frame, optionally tinted, with an optional label below it.
class SkinImage : public CPaintObject {
 public:
  SkinImage(VPoint at, std::string image, int32_t frame) : image_(std::move(image)), frame_(frame) {
    SetRect(VRect::xywh(at.x, at.y, 36, 36));
  }
  void Open() override {
    if (SkinInfo* s = parent() ? parent()->GetSkin() : nullptr) img_ = s->GetBitmap(image_);
    if (img_) SetRect(VRect::xywh(GetRect().left, GetRect().top, img_->outerWidth(), img_->outerHeight()));
    CPaintObject::Open();
  }
  void Close() override {
    CPaintObject::Close();
    img_.reset();
  }
  void DrawBackground(gfx::DC& dc) override {
    if (!img_) return;
    if (tint) img_->drawFrameTinted(dc, 0, 0, frame_, *tint);
    else img_->drawFrame(dc, 0, 0, frame_, blend);
  }
  std::optional<gfx::Colour> tint;
  gfx::SkinBlend blend = gfx::SkinBlend::plain;

 private:
  std::string image_;
  int32_t frame_;
  SkinImageRef img_;
};

class Label : public CPaintObject {
 public:
  Label(VPoint at, std::string text, std::string category) : text_(std::move(text)), category_(std::move(category)) {
    SetRect(VRect::xywh(at.x, at.y, 90, 18));
  }
  void DrawBackground(gfx::DC& dc) override {
    SkinTextScope scope(GetSkin(), dc, category_, gfx::ta::left | gfx::ta::top);
    gfx::text_out(dc, {0, 0}, text_);
  }

 private:
  std::string text_, category_;
};

void buildScene(test::TestRoot& root) {
  root.background = {80, 88, 96};
  int x = 4;
  for (int f : {0, 32, 63}) {
    root.AddOwnedChild(new SkinImage({x, 4}, "knob_med", f), false);
    x += 36;
  }
  root.AddOwnedChild(new SkinImage({112, 4}, "knob_sm.png", 10), false);
  root.AddOwnedChild(new SkinImage({132, 4}, "led", 0), false);
  root.AddOwnedChild(new SkinImage({148, 4}, "led", 1), false);
  root.AddOwnedChild(new SkinImage({164, 4}, "anim_pad", 0), false);
  auto* tinted = new SkinImage({4, 44}, "tint_mask", 0);
  tinted->tint = gfx::Colour{255, 40, 40};
  root.AddOwnedChild(tinted, false);
  root.AddOwnedChild(new SkinImage({24, 44}, "alpha_rgba", 0), false);
  auto* linear = new SkinImage({60, 44}, "alpha_rgba", 0);
  linear->blend = gfx::SkinBlend::linear_light;
  root.AddOwnedChild(linear, false);
  root.AddOwnedChild(new SkinImage({100, 44}, "bmp_masked", 1), false);
  root.AddOwnedChild(new Label({4, 70}, "Cutoff 440", "control_label"), false);
  root.AddOwnedChild(new Label({100, 70}, "Select", "selector_text"), false);
}

gfx::Bitmap render(SkinManager& m, const std::string& skin) {
  test::Editor ed(200, 92);
  // Without a skin of its own the top visual answers the manager's "default" skin.
  ed.root.setSkinManager(&m);
  if (skin != "default") ed.root.skin = [&] { return m.FindSkin(skin); };
  buildScene(ed.root);
  ed.open();
  return ed.host.render();
}

TEST(SkinnedSnapshot, DefaultSkinFromItsFolder) {
  test::QuietMessages quiet;
  SkinManager m(test::skinsRoot(), &test::testFonts());
  gfx::Bitmap shot = render(m, "default");
  EXPECT_TRUE(quiet.texts().empty());
  // The frame shown is read from its marker pixel.
  EXPECT_EQ(shot.at(4 + 36, 4) & 0xFFFFFF, skingen::frame_marker(32) & 0xFFFFFF);
  EXPECT_EQ(shot.at(4 + 72, 4) & 0xFFFFFF, skingen::frame_marker(63) & 0xFFFFFF);
  EXPECT_TRUE(test::matches_snapshot(shot, "tests/panel/snapshots/skinned_default.png"));
}

TEST(SkinnedSnapshot, AltSkinFallsBackToDefault) {
  test::QuietMessages quiet;
  SkinManager m(test::skinsRoot(), &test::testFonts());
  gfx::Bitmap shot = render(m, "alt");
  EXPECT_TRUE(quiet.texts().empty());
  EXPECT_TRUE(test::matches_snapshot(shot, "tests/panel/snapshots/skinned_alt.png"));
}

TEST(SkinnedSnapshot, SkinEmbeddedInThePatchDrawsLikeItsFolder) {
  test::QuietMessages quiet;
  // Build the patch's skin list from the folder's images, as a design tool saving the skin
  // into the patch would.
  std::vector<uint8_t> bytes;
  {
    SkinManager disk(test::skinsRoot(), &test::testFonts());
    SkinInfo* from = disk.FindSkin("default");
    SkinInfo* embedded = disk.addEmbeddedSkin("Patch");
    for (const char* n : {"knob_med", "knob_sm", "led", "anim_pad", "tint_mask", "alpha_rgba", "bmp_masked"})
      embedded->addImage(from->GetBitmap(n));
    ArchiveWriter w(bytes);
    disk.WriteSkins(w);
  }
  // A plug-in with no skin folders at all reads it.
  SkinManager m("", &test::testFonts());
  LoadContext ctx;
  ArchiveReader r(bytes, documentAndSkinClasses(), ctx);
  auto skins = m.ReadSkins(r);
  r.commit();
  m.adoptSkins(std::move(skins));
  gfx::Bitmap shot = render(m, "patch");
  EXPECT_TRUE(quiet.texts().empty());
  EXPECT_TRUE(test::matches_snapshot(shot, "tests/panel/snapshots/skinned_default.png"));
}

}  // namespace
}  // namespace kv
