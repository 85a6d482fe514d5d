// Skinned visuals rendered headless: frames, padding, tinting, blends and font categories,
// from the skin folders and from a skin embedded in a patch's skin list.
#include <gtest/gtest.h>

#include <optional>

#include <nlohmann/json.hpp>

#include "document/model/container.h"
#include "document/text/patch_text.h"
#include "document/text/text_form_common.h"
#include "panel/skin/skin_classes.h"
#include "panel/skin/skin_list_text_form.h"
#include "panel/skin/skin_manager.h"
#include "panel/skin/skin_text_scope.h"
#include "platform/image/png_codec.h"
#include "platform/text/text_draw.h"
#include "plugin/kv_vst_document.h"
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
  EXPECT_EQ(shot.at(4 + 36, 4) & 0xFFFFFF, skin_art::frame_marker(32) & 0xFFFFFF);
  EXPECT_EQ(shot.at(4 + 72, 4) & 0xFFFFFF, skin_art::frame_marker(63) & 0xFFFFFF);
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

TEST(SkinnedSnapshot, SkinInTheTextFormOfAPatchDrawsLikeItsFolder) {
  test::QuietMessages quiet;
  // The text of a patch embedding the folder's images: one read from its file, the others
  // carried as PNG text, each with the description its folder gives it.
  nlohmann::json images = nlohmann::json::array();
  {
    SkinManager disk(test::skinsRoot(), &test::testFonts());
    SkinInfo* from = disk.FindSkin("default");
    for (const char* n : {"knob_med", "knob_sm", "led", "anim_pad", "tint_mask", "alpha_rgba", "bmp_masked"}) {
      SkinImageRef img = from->GetBitmap(n);
      ASSERT_TRUE(img) << n;
      const skin::ImageDescription& d = img->description();
      nlohmann::json e = {{"name", n},
                          {"description",
                           {{"type", std::vector<std::string>{"slider", "knob", "button", "bargraph"}.at(size_t(d.kind))},
                            {"frame_size", {d.frameWidth, d.frameHeight}},
                            {"padding", {d.padTop, d.padBottom, d.padLeft, d.padRight}},
                            {"handle_rect", {d.handleRect.left, d.handleRect.top, d.handleRect.right, d.handleRect.bottom}},
                            {"handle_range", {d.handleRangeStart, d.handleRangeEnd}},
                            {"mouse_response", d.response},
                            {"segment_count", d.segmentCount}}}};
      if (std::string(n) == "knob_med") {
        e["file"] = "knob_med.png";
      } else {
        gfx::Bitmap straight = img->pixels();
        gfx::to_transparency(straight);
        e["png"] = text::toBase64(gfx::encode_png(straight, gfx::PngChannels::rgba));
      }
      images.push_back(std::move(e));
    }
  }
  nlohmann::json patch = {{"header", {{"unique_id", "KvSk"}}},
                          {"skins", {{{"name", "Patch"}, {"images", images}}}},
                          {"root", {{"children", {{{"type", "Container"}, {"title", "Panel"}, {"skin", "Patch"}}}}}}};
  SkinListTextForm form(test::skinsRoot() + "default");
  text::CompileResult compiled = text::compilePatchText(patch.dump(2), &form);
  ASSERT_TRUE(compiled.ok) << compiled.message;

  // Dumped, the skins compile back to the same bytes.
  SkinListTextForm again;
  text::DumpResult dumped = text::dumpPatchText(compiled.archive, &again);
  ASSERT_TRUE(dumped.ok) << dumped.message;
  EXPECT_NE(dumped.json.find("\"skins\""), std::string::npos);
  text::CompileResult recompiled = text::compilePatchText(dumped.json, &again);
  ASSERT_TRUE(recompiled.ok) << recompiled.message;
  EXPECT_EQ(recompiled.archive, compiled.archive);

  // The plug-in's document, with no skin folders at all, loads it and keeps the skin,
  // saving it again with the patch.
  KvVstDocument doc("", &test::testFonts());
  std::unique_ptr<CContainer> root;
  ASSERT_TRUE(doc.ReadHeader(compiled.archive, root, true));
  EXPECT_EQ(doc.skins_embedded(), 1);
  EXPECT_EQ(doc.skins().embeddedSkinCount(), 1u);
  gfx::Bitmap shot = render(doc.skins(), "patch");
  EXPECT_TRUE(quiet.texts().empty());
  EXPECT_TRUE(test::matches_snapshot(shot, "tests/panel/snapshots/skinned_default.png"));
  doc.setRoot(root.release());
  EXPECT_EQ(doc.SavePatch(), compiled.archive);
}

TEST(SkinnedSnapshot, PatchWithSkinsIsRefusedWhereSkinsAreNotRead) {
  test::QuietMessages quiet;
  SkinListTextForm form(test::skinsRoot() + "default");
  text::CompileResult compiled = text::compilePatchText(
      R"({"skins": [{"name": "P", "images": [{"name": "knob_med", "file": "knob_med.png"}]}],
          "root": {"children": [{"type": "Container"}]}})",
      &form);
  ASSERT_TRUE(compiled.ok) << compiled.message;
  // A document without a skin list reader refuses the patch and keeps what it held.
  CKorvaneDocVST plain;
  std::unique_ptr<CContainer> root;
  EXPECT_FALSE(plain.ReadHeader(compiled.archive, root, true));
  EXPECT_FALSE(root);
  EXPECT_FALSE(text::dumpPatchText(compiled.archive).ok);
  EXPECT_FALSE(text::compilePatchText(R"({"skins": [], "root": {}})").ok);
}

}  // namespace
}  // namespace kv
