// A patch that embeds its own skin goes through every korvane-patch command: built into a
// plug-in it loads through the entry point with no skin folders anywhere, its image and a font
// category that only the patch defines draw from the patch (a category the skin's global.txt
// defines would win over the patch's), and extracted and dumped it gives the same skin back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "document/text/text_form_common.h"
#include "panel/skin/default_skin_art.h"
#include "panel/skin/skin_text_scope.h"
#include "panel/visual/paint_object.h"
#include "platform/dynamic_library.h"
#include "platform/image/png_codec.h"
#include "platform/text/text_draw.h"
#include "plugin/kv_vst_document.h"
#include "platform/vst/aeffect.h"
#include "tests/panel/panel_test_support.h"
#include "tests/panel/visual_test_support.h"
#include "tests/platform/snapshot/snapshot.h"
#include "tools/patch/patch_tool.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

const gfx::Colour kBody{200, 90, 20};  // no knob of the built-in skin has this colour

// Frame `frame` of a skin image, and a text in a font category, drawn from the panel's skin.
class Frame : public CPaintObject {
 public:
  Frame(VPoint at, int32_t frame) : frame_(frame) { SetRect(VRect::xywh(at.x, at.y, 32, 32)); }
  void DrawBackground(gfx::DC& dc) override {
    if (SkinImageRef img = GetSkin() ? GetSkin()->GetBitmap("knob_med") : SkinImageRef()) img->drawFrame(dc, 0, 0, frame_);
  }

 private:
  int32_t frame_;
};

class Label : public CPaintObject {
 public:
  explicit Label(VPoint at) { SetRect(VRect::xywh(at.x, at.y, 90, 18)); }
  void DrawBackground(gfx::DC& dc) override {
    SkinTextScope scope(GetSkin(), dc, "own_label", gfx::ta::left | gfx::ta::top);
    gfx::text_out(dc, {0, 0}, "Level 5");
  }
};

std::string skinnedPatch() {
  gfx::Bitmap knob = skin_art::knob(32, 64, kBody, gfx::Colour{20, 20, 20});
  const std::string png = text::toBase64(gfx::encode_png(knob, gfx::PngChannels::rgba));
  return R"({"header": {"unique_id": "KvSn"},
    "skins": [{"name": "Own",
               "images": [{"name": "knob_med", "png": ")" + png + R"(",
                           "description": {"type": "knob", "frame_size": [32, 32]}}],
               "fonts": [{"category": "own_label", "face": "DejaVu Sans", "size": 13, "colour": "#20E0E0"}]}],
    "root": {"children": [{"type": "Container", "title": "Skinned", "skin": "Own",
      "children": [{"type": "Oscillator", "title": "Osc"}],
      "connections": [{"from": ["Osc", "Audio Out"], "to": ["IO Mod", "Out"]}]}]}})";
}

intptr_t hostCallback(vst::AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == vst::audioMasterVersion ? 2400 : 0;
}

struct SkinnedPatchTest : ::testing::Test {
  fs::path dir = fs::temp_directory_path() / "kv_skinned_patch";
  std::ostringstream out, err;
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string at(const std::string& name) const { return (dir / name).string(); }
  int run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return runPatchTool(args, out, err);
  }
  static std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(SkinnedPatchTest, EveryCommandKeepsTheSkinAndThePluginDrawsIt) {
  std::ofstream(at("skinned.json")) << skinnedPatch();
  ASSERT_EQ(run({"compile", at("skinned.json"), "-o", at("skinned.kv1")}), 0) << err.str();
  ASSERT_EQ(run({"build", at("skinned.json"), "-o", at("skinned.so"), "--plugin", KV_PLUGIN}), 0) << err.str();
  EXPECT_EQ(run({"build", at("skinned.kv1"), "-o", at("from_archive.so"), "--plugin", KV_PLUGIN}), 0) << err.str();

  // A host finds the plug-in through its entry point; no skins folder lies beside it.
  ASSERT_FALSE(fs::exists(dir / "skins"));
  {
    DynamicLibrary lib;
    std::string error;
    ASSERT_TRUE(lib.open(at("skinned.so"), error)) << error;
    auto entry = reinterpret_cast<vst::AEffect* (*)(vst::audioMasterCallback)>(lib.symbol("VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    vst::AEffect* e = entry(&hostCallback);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->uniqueID, 0x4B76536E);  // "KvSn"
    e->dispatcher(e, vst::effClose, 0, 0, nullptr, 0);
  }

  // The plug-in's document, reading the built file as the plug-in reads its own, draws the
  // patch's image and its font category.
  test::QuietMessages quiet;
  KvVstDocument doc("", &test::testFonts());
  ASSERT_TRUE(doc.LoadFromModule(at("skinned.so")));
  test::Editor ed(120, 56);
  ed.root.background = {80, 88, 96};
  ed.root.setSkinManager(&doc.skins());
  ed.root.skin = [&] { return doc.skins().FindSkin("Own"); };
  for (int f : {0, 32, 63}) ed.root.AddOwnedChild(new Frame({4 + 36 * (f / 31), 4}, f), false);
  ed.root.AddOwnedChild(new Label({4, 38}), false);
  ed.open();
  gfx::Bitmap shot = ed.host.render();
  EXPECT_TRUE(quiet.texts().empty());
  EXPECT_EQ(shot.at(4 + 36, 4) & 0xFFFFFF, skin_art::frame_marker(32) & 0xFFFFFF);
  EXPECT_EQ(shot.at(4 + 16, 4 + 8) & 0xFFFFFF, gfx::Colour(kBody).pixel() & 0xFFFFFF);
  // The label is drawn in the category's colour ("#20E0E0" is blue 0x20, green and red 0xE0).
  bool label_coloured = false;
  for (int y = 38; y < 56; ++y)
    for (int x = 4; x < 94; ++x) label_coloured |= (shot.at(x, y) & 0xFFFFFF) == (gfx::Colour{224, 224, 32}.pixel() & 0xFFFFFF);
  EXPECT_TRUE(label_coloured);
  EXPECT_TRUE(test::matches_snapshot(shot, "tests/tools/snapshots/skinned_patch.png"));

  // Extracted and dumped, the skin comes back as the text gave it; check loads every form.
  ASSERT_EQ(run({"extract", at("skinned.so"), "-o", at("extracted.kv1")}), 0) << err.str();
  EXPECT_EQ(contents(at("extracted.kv1")), contents(at("skinned.kv1")));
  ASSERT_EQ(run({"dump", at("extracted.kv1"), "-o", at("extracted.json")}), 0) << err.str();
  ASSERT_EQ(run({"dump", at("skinned.kv1"), "-o", at("compiled.json")}), 0) << err.str();
  const std::string dumped = contents(at("extracted.json"));
  EXPECT_EQ(dumped, contents(at("compiled.json")));
  EXPECT_NE(dumped.find("\"category\": \"own_label\""), std::string::npos) << dumped;
  ASSERT_EQ(run({"compile", at("extracted.json"), "-o", at("again.kv1")}), 0) << err.str();
  EXPECT_EQ(contents(at("again.kv1")), contents(at("skinned.kv1")));
  for (const std::string& file : {at("skinned.json"), at("skinned.kv1"), at("skinned.so")}) {
    EXPECT_EQ(run({"check", file}), 0) << file << ": " << err.str();
    EXPECT_NE(out.str().find("1 embedded skins"), std::string::npos) << out.str();
  }
}

}  // namespace
}  // namespace kv
