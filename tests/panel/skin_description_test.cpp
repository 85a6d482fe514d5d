// Image descriptions and global.txt: the splitting rules, the keys and their odd orders,
// malformed lines, and files written on Windows.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "panel/skin/description_text.h"
#include "panel/skin/image_description.h"
#include "panel/skin/skin_font_info.h"
#include "platform/gfx/colour.h"

namespace kv::skin {
namespace {

TEST(SkinDescription, TokensFollowTheSplittingRules) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(descriptionTokens("frame_size 10,20"), (V{"frame_size", "10", "20"}));
  EXPECT_EQ(descriptionTokens("type knob ; comment here"), (V{"type", "knob"}));
  // A semicolon in the last token does not end the line.
  EXPECT_EQ(descriptionTokens("mouse_response ;rotary"), (V{"mouse_response", ";rotary"}));
  EXPECT_EQ(descriptionTokens("a,   b"), (V{"a", "b"}));
  EXPECT_EQ(splitLines("type knob\r\nframe_size 1 2\r\n"), (V{"type knob", "frame_size 1 2"}));
}

TEST(SkinDescription, NumbersReadLikeAtoi) {
  EXPECT_EQ(readNumber("42px"), 42);
  EXPECT_EQ(readNumber("-7"), -7);
  EXPECT_EQ(readNumber("abc"), 0);
  EXPECT_EQ(readNumber("99999999999999"), INT32_MAX);
  EXPECT_EQ(readNumber("-99999999999999"), INT32_MIN);
}

TEST(SkinDescription, KeysSetTheirFields) {
  ImageDescription d;
  parseImageDescription(
      "type slider\nframe_size 20 100\nhandle_rect 0 100 20 110\nhandle_range 3 90\n"
      "padding 1 2 3 4\nsegment_count 9\ntransparent_pixel 5 6\nmouse_response rotary\n",
      d);
  EXPECT_EQ(d.kind, kKindSlider);
  EXPECT_TRUE(d.frameSizeGiven);
  EXPECT_EQ(d.frameWidth, 20);
  EXPECT_EQ(d.frameHeight, 100);
  EXPECT_EQ(d.handleRect, (IntRect{0, 100, 20, 110}));
  EXPECT_EQ(d.handleRangeStart, 3);
  EXPECT_EQ(d.handleRangeEnd, 90);
  // The text's order is top, bottom, left, right.
  EXPECT_EQ(d.padTop, 1);
  EXPECT_EQ(d.padBottom, 2);
  EXPECT_EQ(d.padLeft, 3);
  EXPECT_EQ(d.padRight, 4);
  EXPECT_EQ(d.segmentCount, 9);
  EXPECT_EQ(d.keyX, 5);
  EXPECT_EQ(d.keyY, 6);
  EXPECT_EQ(d.response, 3);
}

TEST(SkinDescription, ResponseLettersAndKinds) {
  struct Case {
    const char* text;
    int32_t response;
    int32_t kind;
  } cases[] = {
      {"tiled true", 0, 1},         {"tiled false", 1, 1},           {"orientation horizontal", 1, 1},
      {"orientation vertical", 0, 1}, {"mouse_response clicker", 2, 1}, {"mouse_response stepped", 4, 1},
      {"mouse_response rotary", 3, 1}, {"mouse_response xyz", 0, 1},   {"type knob", 0, 1},
      {"type animated", 0, 1},      {"type button", 0, 2},           {"type bargraph", 0, 3},
      {"type wobble", 0, 1},        {"Type slider", 0, 1},  // keys are case-sensitive
  };
  for (const Case& c : cases) {
    ImageDescription d;
    d.response = 0;
    parseImageDescription(c.text, d);
    EXPECT_EQ(d.response, c.response) << c.text;
    EXPECT_EQ(d.kind, c.kind) << c.text;
  }
}

TEST(SkinDescription, MalformedLinesAreIgnored) {
  ImageDescription d;
  parseImageDescription("frame_size 10\nhandle_range 5\ntransparent_pixel 3\norientation\nsegment_count\n"
                        "padding 1 2 3\ntype\nhandle_rect 1 2 3\nframe_size 0 0\nframe_size -4 8\n",
                        d);
  EXPECT_EQ(d, ImageDescription{});
}

TEST(SkinDescription, WindowsLineEndingsReadTheSame) {
  ImageDescription a, b;
  parseImageDescription("type knob\r\nframe_size 10 10\r\nmouse_response rotary\r\n", a);
  parseImageDescription("type knob\nframe_size 10 10\nmouse_response rotary\n", b);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.response, 3);
}

TEST(SkinDescription, FramesFromTheImageSize) {
  ImageDescription d;
  parseImageDescription("frame_size 40 40", d);
  computeFrames(d, 40, 2000);
  EXPECT_EQ(d.lastFrame, 49);

  ImageDescription whole;
  computeFrames(whole, 33, 77);
  EXPECT_EQ(whole.frameWidth, 33);
  EXPECT_EQ(whole.frameHeight, 77);
  EXPECT_EQ(whole.lastFrame, 0);

  ImageDescription tall;  // a frame taller than the image still has frame 0
  parseImageDescription("frame_size 10 50", tall);
  computeFrames(tall, 10, 40);
  EXPECT_EQ(tall.lastFrame, 0);
}

std::optional<std::string> installed(std::string_view name) {
  static const std::map<std::string, std::string, std::less<>> fams{{"dejavu sans", "DejaVu Sans"},
                                                                     {"arial", "Arial"}};
  std::string low(name);
  for (char& c : low) c = char(std::tolower(static_cast<unsigned char>(c)));
  auto it = fams.find(low);
  if (it == fams.end()) return std::nullopt;
  return it->second;
}

TEST(SkinFontFile, CategoriesFamiliesSizesAndColours) {
  auto cats = parseFontFile(
      "font-size 40 ; before any category\n"
      "FONT_CATEGORY Control_Label\n"
      "font-family \"Korvane Absent Face\", 'dejavu SANS', Arial\n"
      "font-size 11\n"
      "font-color #0000FF\n"
      "FONT_CATEGORY Only_Missing\r\n"
      "font-family 'Absent One' \"Absent Two\"\r\n"
      "font-size\r\n"
      "font-color\r\n"
      "FONT_CATEGORY blue\n"
      "font-color #FF0000 ; comment\n"
      "FONT_CATEGORY decimal\n"
      "font-color 65280\n",
      installed);
  ASSERT_EQ(cats.size(), 4u);
  EXPECT_EQ(cats[0], (SkinFontInfo{"control_label", "DejaVu Sans", 11, 0x0000FFu}));
  EXPECT_EQ(cats[1], (SkinFontInfo{"only_missing", "Arial", 12, 0x7070FFu}));  // unchanged defaults
  EXPECT_EQ(cats[2].colour, 0xFF0000u);  // blue in a colour reference
  EXPECT_EQ(gfx::Colour::from_ref(cats[2].colour), (gfx::Colour{0, 0, 255}));
  EXPECT_EQ(gfx::Colour::from_ref(cats[0].colour), (gfx::Colour{255, 0, 0}));
  EXPECT_EQ(cats[3].colour, 65280u);
}

}  // namespace
}  // namespace kv::skin
