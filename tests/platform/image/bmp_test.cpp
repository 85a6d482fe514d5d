// BMP decoding of every supported layout, refusal of malformed files, and skin transparency.
#include "platform/image/bmp_codec.h"

#include <gtest/gtest.h>

#include "platform/image/skin_transparency.h"

namespace kv::gfx {
namespace {

Bitmap sample(int w, int h, int colours) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t i = uint32_t((x / 2 + y * 3) % colours);
      b.set(x, y, 0xFF000000u | (i * 0x3F1D2Bu & 0xFFFFFF));
    }
  return b;
}

void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + size_t(i)] = uint8_t(x >> (8 * i));
}

TEST(BmpDecode, WriterLayoutsRoundTrip) {
  struct Case {
    BmpFormat format;
    int colours;
  };
  const Case cases[] = {
      {{1}, 2},          {{4}, 16},         {{8}, 200},          {{24}, 1000},        {{32}, 1000},
      {{24, true}, 50},  {{8, true}, 7},    {{8, false, true}, 9}, {{4, false, true}, 5}, {{8, false, false, true}, 30},
      {{24, false, false, true}, 30},
  };
  for (const Case& c : cases) {
    for (int w : {1, 3, 8, 13}) {
      Bitmap img = sample(w, 5, c.colours);
      std::vector<uint8_t> bytes = encode_bmp(img, c.format);
      ASSERT_FALSE(bytes.empty()) << c.format.bits;
      Bitmap out;
      std::string error;
      ASSERT_TRUE(decode_bmp(bytes, out, error)) << c.format.bits << " " << w << ": " << error;
      EXPECT_EQ(out, img) << "bits " << c.format.bits << " top-down " << c.format.top_down << " rle " << c.format.rle
                          << " width " << w;
    }
  }
}

TEST(BmpDecode, SixteenBitMasksAndThirtyTwoBitAlphaIgnored) {
  // 2x1 16-bit: default 5-5-5, then 5-6-5 bit fields; 32-bit with an alpha byte.
  std::vector<uint8_t> b555 = encode_bmp(Bitmap(2, 1, 0xFF000000), {24});
  b555.resize(54);
  put32(b555, 10, 54);
  b555[28] = 16;
  b555.insert(b555.end(), {0x00, 0x7C, 0x1F, 0x00, 0, 0, 0, 0});  // red max, blue max; row padded to 4
  Bitmap out;
  std::string error;
  ASSERT_TRUE(decode_bmp(b555, out, error)) << error;
  EXPECT_EQ(out.at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(out.at(1, 0), 0xFF0000FFu);

  std::vector<uint8_t> b565(b555.begin(), b555.begin() + 54);
  put32(b565, 10, 66);
  put32(b565, 30, 3);
  b565.insert(b565.end(), {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0});
  b565.insert(b565.end(), {0xE0, 0x07, 0x10, 0x00, 0, 0, 0, 0});  // green max, blue 16/31
  ASSERT_TRUE(decode_bmp(b565, out, error)) << error;
  EXPECT_EQ(out.at(0, 0), 0xFF00FF00u);
  EXPECT_EQ(out.at(1, 0), 0xFF000084u);  // 16 * 255 / 31 rounded

  Bitmap with_alpha(1, 1, 0x10203040);
  ASSERT_TRUE(decode_bmp(encode_bmp(with_alpha, {32}), out, error)) << error;
  EXPECT_EQ(out.at(0, 0), 0xFF203040u);
}

TEST(BmpDecode, MalformedFilesAreRefusedAndLeaveTheOutputAlone) {
  const std::vector<uint8_t> good24 = encode_bmp(sample(5, 4, 100), {24});
  const std::vector<uint8_t> good8 = encode_bmp(sample(5, 4, 10), {8});
  const std::vector<uint8_t> rle8 = encode_bmp(sample(9, 4, 3), {8, false, true});
  auto patched = [](std::vector<uint8_t> v, size_t at, uint32_t value, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) v[at + size_t(i)] = uint8_t(value >> (8 * i));
    return v;
  };
  std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
      {"empty", {}},
      {"not a bmp", patched(good24, 0, 'P', 1)},
      {"header size 64", patched(good24, 14, 64)},
      {"header past the end", patched(good24, 14, 124)},
      {"two planes", patched(good24, 26, 2, 2)},
      {"7 bits", patched(good24, 28, 7, 2)},
      {"JPEG compression", patched(good24, 30, 4)},
      {"RLE8 on 24 bits", patched(good24, 30, 1)},
      {"bit fields on 8 bits", patched(good8, 30, 3)},
      {"zero width", patched(good24, 18, 0)},
      {"negative width", patched(good24, 18, uint32_t(-5))},
      {"zero height", patched(good24, 22, 0)},
      {"huge width", patched(good24, 18, 100000)},
      {"over the pixel budget", patched(patched(good24, 18, 16000), 22, 16000)},
      {"top-down RLE", patched(rle8, 22, uint32_t(-4))},
      {"pixel offset past the end", patched(good24, 10, 1u << 30)},
      {"more rows than data", patched(good24, 22, 40)},
      {"palette past the end", patched(good8, 46, 256)},
      {"palette on top of the header", patched(patched(good8, 46, 256), 10, 60)},
      {"non-contiguous masks", [&] {
         std::vector<uint8_t> v(good24.begin(), good24.begin() + 54);
         v = patched(patched(patched(v, 28, 32, 2), 30, 3), 10, 66);
         v.insert(v.end(), {0x05, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0, 1, 2, 3, 4});
         return v;
       }()},
  };
  // Every prefix is refused; an RLE file needs no more than its last row's end of line.
  for (auto* g : {&good24, &good8, &rle8})
    for (size_t n = 0; n < g->size() - (g == &rle8 ? 2 : 0); ++n)
      cases.push_back({"prefix " + std::to_string(n), std::vector<uint8_t>(g->begin(), g->begin() + long(n))});
  // An RLE literal run longer than the data that is left.
  std::vector<uint8_t> run(rle8.begin(), rle8.begin() + long(rle8[10] | rle8[11] << 8));
  run.insert(run.end(), {0, 200, 1, 2});
  cases.push_back({"RLE literal past the end", run});

  for (const auto& [name, bytes] : cases) {
    Bitmap out(1, 1, 0x12345678);
    std::string error;
    EXPECT_FALSE(decode_bmp(bytes, out, error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_EQ(out, Bitmap(1, 1, 0x12345678)) << name;
  }
}

TEST(BmpDecode, RunLengthEscapesAndPaletteGaps) {
  // 8-bit, 4x3, palette of 2 entries: delta, literal run, early end of bitmap; an index past
  // the palette reads black, pixels never written are black.
  Bitmap two(2, 1);
  two.set(0, 0, 0xFF0000FF);
  two.set(1, 0, 0xFF00FF00);
  std::vector<uint8_t> v = encode_bmp(two, {8, false, true});
  v.resize(size_t(v[10]));  // keep headers and palette, write our own pixel data
  v[18] = 4;               // width 4
  v[22] = 3;               // height 3
  v.insert(v.end(), {2, 1, 0, 2, 1, 1, 0, 3, 0, 1, 9, 0, 0, 1});
  // Row 0 (bottom): two pixels of 1, move by (1, 1) to x=3 row 1, literal run 0 1 9 -> x 3..5
  Bitmap out;
  std::string error;
  ASSERT_TRUE(decode_bmp(v, out, error)) << error;
  EXPECT_EQ(out.at(0, 2), 0xFF00FF00u);
  EXPECT_EQ(out.at(1, 2), 0xFF00FF00u);
  EXPECT_EQ(out.at(2, 2), 0xFF000000u);
  EXPECT_EQ(out.at(3, 1), 0xFF0000FFu);
  EXPECT_EQ(out.at(0, 0), 0xFF000000u);
}

TEST(SkinTransparency, MaskKeyColourAndMaskPlane) {
  Bitmap img(3, 2, 0xFF102030);
  img.set(1, 1, 0xFF00FF00);
  Bitmap mask(2, 2, 0x00000000);
  mask.set(0, 0, 0x00FFFFFF);
  mask.set(1, 0, 0x00803F3F);  // only red counts
  Bitmap m = img;
  apply_mask(m, mask);
  EXPECT_EQ(m.at(0, 0), 0x00102030u);
  EXPECT_EQ(m.at(1, 0), 0x7F102030u);
  EXPECT_EQ(m.at(0, 1), 0xFF102030u);
  EXPECT_EQ(m.at(2, 0), 0xFF102030u);  // outside the mask: unchanged

  Bitmap k = img;
  apply_key_colour(k, 1, 1);
  EXPECT_EQ(k.at(1, 1), 0x0000FF00u);
  EXPECT_EQ(k.at(0, 0), 0xFF102030u);
  Bitmap unchanged = img;
  apply_key_colour(unchanged, 5, 0);
  apply_key_colour(unchanged, -1, 0);
  EXPECT_EQ(unchanged, img);

  Bitmap grey(3, 1);
  grey.set(0, 0, 0x00FFFFFF);
  grey.set(1, 0, 0x00000000);
  grey.set(2, 0, 0x00010203);
  EXPECT_EQ(mask_plane(grey), (std::vector<uint8_t>{0, 255, 2 ^ 255}));

  Bitmap t(1, 1, 0xFF123456);
  to_transparency(t);
  EXPECT_EQ(t.at(0, 0), 0x00123456u);
}

}  // namespace
}  // namespace kv::gfx
