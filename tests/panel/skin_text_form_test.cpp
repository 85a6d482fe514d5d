// Embedded skins in the text form of a patch: what a hand-written "skins" item may get
// wrong, and the fonts and descriptions surviving a dump.
#include <gtest/gtest.h>

#include <array>

#include "document/text/patch_text.h"
#include "panel/skin/skin_list_text_form.h"
#include "tests/panel/panel_test_support.h"

namespace kv {
namespace {

std::string patchWithSkins(const std::string& skins) {
  return "{\"skins\": " + skins + ",\n \"root\": {\"children\": [{\"type\": \"Container\"}]}}";
}

TEST(SkinTextForm, RefusesBadSkinsNamingLineAndItem) {
  test::QuietMessages quiet;
  struct Case {
    const char* skins;
    const char* message;
  } cases[] = {
      {R"({"name": "A"})", "line 1: \"skins\" must be a list"},
      {"[{\"name\": \"A\",\n \"images\": [\n{\"name\": \"k\"}]}]", "line 3: image \"k\" of skin \"A\" needs either"},
      {R"([{"name": "A", "images": [{"name": "k", "png": "@@@"}]}])", "\"png\" of image \"k\" of skin \"A\" is not valid base64"},
      {R"([{"name": "A", "images": [{"name": "k", "png": "YWJj"}]}])", "image \"k\" of skin \"A\" is not a PNG image"},
      {R"([{"name": "A", "images": [{"name": "k", "file": "missing.png"}]}])", "can't read \"missing.png\""},
      {R"([{"name": "A", "images": [{"name": "k", "file": "knob_med.png"}, {"name": "k", "file": "led.png"}]}])",
       "skin \"A\" has two images named \"k\""},
      {R"([{"name": "A", "images": [{"name": "k", "file": "led.png", "description": {"frame_size": [0, 4]}}]}])",
       "\"frame_size\" of the description of image \"k\" of skin \"A\" must be positive"},
      {R"([{"name": "A", "images": [{"name": "k", "file": "led.png", "description": {"frames": 4}}]}])",
       "unknown item \"frames\" in the description of image \"k\""},
      {R"([{"name": "A", "fonts": [{"category": "c", "face": "Sans", "colour": "red"}]}])",
       "\"colour\" of font \"c\" of skin \"A\" must be \"#BBGGRR\""},
      {R"([{"images": []}])", "a skin needs \"name\""},
  };
  for (const Case& c : cases) {
    SkinListTextForm form(test::skinsRoot() + "default");
    text::CompileResult r = text::compilePatchText(patchWithSkins(c.skins), &form);
    EXPECT_FALSE(r.ok) << c.skins;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << c.skins << "\n" << r.message;
    EXPECT_TRUE(r.archive.empty());
  }
}

TEST(SkinTextForm, FontsAndDescriptionsSurviveADump) {
  test::QuietMessages quiet;
  SkinListTextForm form(test::skinsRoot() + "default");
  text::CompileResult r = text::compilePatchText(patchWithSkins(R"([
      {"name": "One", "images": [{"name": "led", "file": "led.png",
                                  "description": {"type": "button", "frame_size": [12, 6], "padding": [1, 2, 3, 4],
                                                  "handle_range": [5, 40], "mouse_response": 3}}],
       "fonts": [{"category": "label", "face": "Sans", "size": 9, "colour": "#0000FF"}]},
      {"name": "Two", "fonts": [{"category": "label", "face": "Serif", "size": 14, "colour": "#12345678"}]}])"),
                                                 &form);
  ASSERT_TRUE(r.ok) << r.message;
  SkinListTextForm reader;
  text::DumpResult d = text::dumpPatchText(r.archive, &reader);
  ASSERT_TRUE(d.ok) << d.message;
  ASSERT_EQ(reader.readSkins().size(), 2u);
  const SkinInfo& one = *reader.readSkins()[0];
  ASSERT_EQ(one.images().size(), 1u);
  const skin::ImageDescription& desc = one.images()[0]->description();
  EXPECT_EQ(desc.kind, skin::kKindButton);
  EXPECT_EQ(desc.frameHeight, 6);
  EXPECT_EQ(desc.lastFrame, one.images()[0]->height() / 6 - 1);
  EXPECT_EQ((std::array{desc.padTop, desc.padBottom, desc.padLeft, desc.padRight}), (std::array{1, 2, 3, 4}));
  EXPECT_EQ(desc.handleRangeStart, 5);
  EXPECT_EQ(desc.response, 3);
  ASSERT_EQ(one.embeddedCategories().size(), 1u);
  EXPECT_EQ(*one.embeddedCategories()[0], SkinFontInfo("label", "Sans", 9, 0x0000FF));
  EXPECT_EQ(reader.readSkins()[1]->embeddedCategories()[0]->colour, 0x12345678u);
  EXPECT_EQ(text::compilePatchText(d.json, &reader).archive, r.archive);
}

}  // namespace
}  // namespace kv
