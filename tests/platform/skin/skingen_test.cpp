// The generated skins: every image decodes, fits its description, and carries its frame
// markers; the good fixtures decode and the malformed ones are refused; the built-in copy
// of "default" is the generated one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/image/bmp_codec.h"
#include "platform/image/png_codec.h"
#include "panel/skin/default_skin_data.h"
#include "tools/skingen/skin_generator.h"

namespace kv::skingen {

using skin_art::default_skin;
using skin_art::frame_marker;
namespace {

bool decode(const File& f, gfx::Bitmap& out, std::string& error) {
  if (f.path.ends_with(".png")) return gfx::decode_png(f.bytes, out, error);
  return gfx::decode_bmp(f.bytes, out, error);
}

// Frame height from a description's "frame_size w h" line (0 when absent).
int frame_height(const std::string& desc) {
  size_t at = desc.find("frame_size ");
  if (at == std::string::npos) return 0;
  size_t sp = desc.find(' ', at + 11);
  return std::atoi(desc.c_str() + sp + 1);
}

TEST(SkinGenerator, DefaultAndAltImagesFitTheirDescriptions) {
  for (auto skin : {default_skin(), alt_skin()}) {
    std::map<std::string, std::string> texts;
    for (const File& f : skin)
      if (f.path.ends_with(".txt")) texts[f.path.substr(0, f.path.size() - 4)] = std::string(f.bytes.begin(), f.bytes.end());
    int images = 0;
    for (const File& f : skin) {
      if (f.path.ends_with(".txt") || f.path.ends_with("_mask.bmp")) continue;
      ++images;
      gfx::Bitmap img;
      std::string error;
      ASSERT_TRUE(decode(f, img, error)) << f.path << ": " << error;
      const std::string& desc = texts[f.path.substr(0, f.path.size() - 4)];
      // Frame stacks (sliders and panel-group lines carry extra pieces below their frame).
      bool stacked = desc.find("type knob") != std::string::npos || desc.find("type animated") != std::string::npos ||
                     desc.find("type bargraph") != std::string::npos;
      int fh = frame_height(desc);
      if (fh == 0 || !stacked) continue;
      EXPECT_EQ(img.height() % fh, 0) << f.path;
      int frames = img.height() / fh;
      if (frames > 1 && !f.path.ends_with(".bmp")) {
        for (int n = 0; n < frames; ++n) EXPECT_EQ(img.at(0, n * fh), frame_marker(n)) << f.path << " frame " << n;
      }
    }
    EXPECT_GT(images, 0);
  }
}

TEST(SkinGenerator, EveryImageTheControlsNameIsInDefault) {
  std::map<std::string, bool> have;
  for (const File& f : default_skin()) have[f.path] = true;
  for (const char* name : {"background", "knob_med", "knob_sm", "vslider_med", "hslider_med", "button", "button_sm",
                           "led", "switch_rotary", "arrow_left", "arrow_right", "drop_down", "bar_graph1", "lines"})
    EXPECT_TRUE(have[std::string("default/") + name + ".png"]) << name;
  EXPECT_TRUE(have["default/global.txt"]);
}

TEST(SkinGenerator, FixturesDecodeOrAreRefusedByName) {
  int good = 0, bad = 0;
  for (const File& f : fixtures()) {
    if (f.path.ends_with(".txt")) continue;
    gfx::Bitmap img;
    std::string error;
    bool malformed = f.path.find("truncated") != std::string::npos || f.path.find("huge") != std::string::npos ||
                     f.path.find("bad_crc") != std::string::npos || f.path.find("not_png") != std::string::npos;
    EXPECT_EQ(decode(f, img, error), !malformed) << f.path << ": " << error;
    (malformed ? bad : good)++;
  }
  EXPECT_GE(good, 15);
  EXPECT_GE(bad, 5);
}

TEST(SkinGenerator, BuiltInDefaultSkinIsTheGeneratedOne) {
  std::map<std::string, std::vector<uint8_t>> generated;
  for (const File& f : default_skin()) generated[f.path.substr(8)] = f.bytes;
  auto embedded = skin_data::default_skin_files();
  ASSERT_EQ(embedded.size(), generated.size());
  for (const auto& e : embedded)
    EXPECT_EQ(std::vector<uint8_t>(e.bytes.begin(), e.bytes.end()), generated[e.name]) << e.name;
}

}  // namespace
}  // namespace kv::skingen
