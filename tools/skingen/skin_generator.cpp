#include "tools/skingen/skin_generator.h"

#include "panel/skin/default_skin_art.h"
#include "platform/gfx/dc.h"
#include "platform/image/bmp_codec.h"
#include "platform/image/png_codec.h"
#include "platform/image/skin_transparency.h"

namespace kv::skingen {

using namespace kv::gfx;
using skin_art::frame_marker;
using skin_art::knob;
using skin_art::led;
using skin_art::png;
using skin_art::text;

std::vector<File> alt_skin() {
  std::vector<File> f;
  Bitmap bg(96, 64);
  DC dc(bg);
  dc.fill_rect({0, 0, 96, 64}, Colour{40, 44, 52});
  dc.set_pen({Colour{70, 76, 90}});
  for (int x = -64; x < 96; x += 8) {
    dc.move_to({x, 64});
    dc.line_to({x + 64, 0});
  }
  set_alpha(bg, 0xFF);
  f.push_back(png("alt/background.png", bg));
  f.push_back({"alt/background.txt", text("tiled false\n")});
  f.push_back(png("alt/knob_med.png", knob(32, 64, Colour{200, 90, 20}, Colour{20, 20, 20})));
  f.push_back({"alt/knob_med.txt", text("type knob\nframe_size 32 32\nmouse_response rotary\n")});
  f.push_back(png("alt/led.png", led(10)));
  f.push_back({"alt/led.txt", text("type animated\nframe_size 10 10\n")});
  f.push_back({"alt/global.txt", text("FONT_CATEGORY control_label\n"
                                      "font-family 'DejaVu Sans'\n"
                                      "font-size 11\n"
                                      "font-color #E0E0E0\n"
                                      "\n"
                                      "FONT_CATEGORY panel_group\n"
                                      "font-family 'DejaVu Sans'\n"
                                      "font-size 13\n"
                                      "font-color 16777215\n")});
  return f;
}

std::vector<File> fixtures() {
  std::vector<File> f;
  // A small picture with every kind of pixel the decoders must keep apart.
  Bitmap pic(7, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) pic.set(x, y, pixel_argb(uint8_t(255 - 40 * x), uint8_t(36 * x), uint8_t(60 * y), uint8_t(x * y * 9)));
  Bitmap opaque = pic;
  set_alpha(opaque, 0xFF);
  f.push_back({"fixtures/png_rgb.png", encode_png(pic, PngChannels::rgb)});
  f.push_back({"fixtures/png_rgba.png", encode_png(pic, PngChannels::rgba)});
  auto raw = [&](const char* name, PngRawImage r) { f.push_back({std::string("fixtures/") + name, encode_png_raw(r)}); };
  raw("png_grey.png", {4, 2, 0, 8, false, {0, 85, 170, 255, 255, 170, 85, 0}, {}, {}});
  raw("png_grey_alpha.png", {2, 1, 4, 8, false, {200, 255, 100, 0}, {}, {}});
  raw("png_palette_trns.png", {4, 1, 3, 2, false, {0b00011011}, {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9}, {255, 128, 0}});
  raw("png_16bit.png", {1, 2, 6, 16, false, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 0, 0}, {}, {}});
  {
    PngRawImage r{9, 9, 2, 8, true, {}, {}, {}};
    for (int i = 0; i < 9 * 9 * 3; ++i) r.rows.push_back(uint8_t(i * 7));
    raw("png_interlaced.png", r);
  }
  std::vector<uint8_t> good = encode_png(pic, PngChannels::rgba);
  f.push_back({"fixtures/png_truncated.png", std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2))});
  std::vector<uint8_t> bad_crc = good;
  bad_crc[good.size() - 14] ^= 0x5A;
  f.push_back({"fixtures/png_bad_crc.png", bad_crc});
  {
    // IHDR declaring 100000 x 100000 (CRC fixed up by the writer of a 1x1 image is not
    // possible, so patch the size and let the CRC mismatch too: both must be refused).
    std::vector<uint8_t> huge = encode_png(Bitmap(1, 1, 0xFF000000), PngChannels::rgb);
    for (int i = 0; i < 2; ++i) {
      huge[16 + 4 * i] = 0x00;
      huge[17 + 4 * i] = 0x01;
      huge[18 + 4 * i] = 0x86;
      huge[19 + 4 * i] = 0xA0;
    }
    f.push_back({"fixtures/png_huge.png", huge});
  }
  f.push_back({"fixtures/png_not_png.png", text("GIF89a this is not a PNG")});

  Bitmap pal(9, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) pal.set(x, y, 0xFF000000u | ((x + y) % 3 == 0 ? 0xFF0000u : (x + y) % 3 == 1 ? 0x00FF00u : 0x0000FFu));
  f.push_back({"fixtures/bmp_24.bmp", encode_bmp(opaque, {24})});
  Bitmap mask(7, 5, 0xFF000000);
  for (int x = 0; x < 7; ++x) mask.set(x, 2, 0xFFFFFFFF);
  f.push_back({"fixtures/bmp_24_mask.bmp", encode_bmp(mask, {1})});
  f.push_back({"fixtures/bmp_32.bmp", encode_bmp(pic, {32})});
  f.push_back({"fixtures/bmp_top_down.bmp", encode_bmp(opaque, {24, true})});
  f.push_back({"fixtures/bmp_8.bmp", encode_bmp(pal, {8})});
  f.push_back({"fixtures/bmp_4.bmp", encode_bmp(pal, {4})});
  f.push_back({"fixtures/bmp_1.bmp", encode_bmp(mask, {1})});
  f.push_back({"fixtures/bmp_rle8.bmp", encode_bmp(pal, {8, false, true})});
  f.push_back({"fixtures/bmp_rle4.bmp", encode_bmp(pal, {4, false, true})});
  f.push_back({"fixtures/bmp_core.bmp", encode_bmp(pal, {8, false, false, true})});
  Bitmap keyed = pal;
  keyed.set(0, 0, 0xFF00FF00);
  f.push_back({"fixtures/bmp_keyed.bmp", encode_bmp(keyed, {24})});
  f.push_back({"fixtures/bmp_keyed.txt", text("transparent_pixel 0 0\n")});
  std::vector<uint8_t> bmp = encode_bmp(opaque, {24});
  f.push_back({"fixtures/bmp_truncated.bmp", std::vector<uint8_t>(bmp.begin(), bmp.end() - 10)});
  std::vector<uint8_t> huge_bmp = bmp;
  huge_bmp[18] = 0x00;
  huge_bmp[19] = 0x00;
  huge_bmp[20] = 0x00;
  huge_bmp[21] = 0x10;  // width 0x10000000
  f.push_back({"fixtures/bmp_huge.bmp", huge_bmp});

  // Description files, each beside a 10 x 40 image of the same name.
  Bitmap strip(10, 40, 0xFF808080);
  for (int n = 0; n < 4; ++n) strip.set(0, 10 * n, frame_marker(n));
  auto described = [&](const char* name, std::string_view desc) {
    f.push_back({std::string("fixtures/") + name + ".png", encode_png(strip, PngChannels::rgba)});
    f.push_back({std::string("fixtures/") + name + ".txt", text(desc)});
  };
  described("desc_crlf", "type knob\r\nframe_size 10 10\r\nmouse_response rotary\r\n");
  described("desc_missing_values",
            "frame_size 10\nhandle_range 5\ntransparent_pixel 3\norientation\nsegment_count\npadding 1 2 3\ntype\n");
  described("desc_frame_zero", "type knob\nframe_size 0 0\n");
  described("desc_frame_too_tall", "type knob\nframe_size 10 50\n");
  described("desc_handle_outside", "type slider\nframe_size 10 40\nhandle_rect 0 30 500 500\nhandle_range -20 900\n");
  described("desc_semicolon", "type knob ; a comment ends the line\nframe_size 10 10 ;x\nmouse_response ;rotary\n"
                              "segment_count 3,;\n");
  described("desc_padding", "type animated\nframe_size 10 10\npadding 1 2 3 4\n");
  f.push_back({"fixtures/global.txt", text("font-size 40 ; before any category: ignored\n"
                                           "FONT_CATEGORY Only_Missing\n"
                                           "font-family 'Korvane Absent Face' \"Another Absent Face\"\n"
                                           "font-size\n"
                                           "font-color\n"
                                           "FONT_CATEGORY Blue\n"
                                           "font-color #FF0000\r\n")});
  return f;
}

}  // namespace kv::skingen
