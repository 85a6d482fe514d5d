#include "panel/skin/default_skin_art.h"

#include <cmath>
#include <string_view>

#include "platform/gfx/dc.h"
#include "platform/image/bmp_codec.h"
#include "platform/image/png_codec.h"
#include "platform/image/skin_transparency.h"

namespace kv::skin_art {

using namespace kv::gfx;

std::vector<uint8_t> text(std::string_view s) { return {s.begin(), s.end()}; }

File png(std::string path, const Bitmap& b) { return {std::move(path), encode_png(b, PngChannels::rgba)}; }

namespace {

constexpr Colour kKey{255, 0, 255};  // drawn where the image is to be transparent

// Frames are drawn one below the other on a key-coloured sheet; the key becomes
// transparency, then each frame gets its marker.
class Sheet {
 public:
  Sheet(int w, int h, int frames) : w_(w), h_(h), frames_(frames), bm_(w, h * frames, kKey.pixel()), dc_(bm_) {}
  DC& frame(int n) {
    dc_.reset_clip();
    dc_.set_origin({0, n * h_});
    dc_.intersect_clip({0, 0, w_, h_});
    return dc_;
  }
  Bitmap finish(bool markers = true) {
    set_alpha(bm_, 0xFF);
    Bitmap out = bm_;
    for (int32_t y = 0; y < out.height(); ++y)
      for (int32_t x = 0; x < out.width(); ++x)
        if ((out.row(y)[x] & 0xFFFFFF) == kKey.pixel()) out.row(y)[x] = 0;
    if (markers)
      for (int n = 0; n < frames_; ++n) out.set(0, n * h_, frame_marker(n));
    return out;
  }

 private:
  int w_, h_, frames_;
  Bitmap bm_;
  DC dc_;
};

Point polar(double cx, double cy, double r, double angle_deg) {
  double a = angle_deg * 3.14159265358979323846 / 180.0;
  return {int32_t(std::lround(cx + r * std::sin(a))), int32_t(std::lround(cy - r * std::cos(a)))};
}

}  // namespace

Bitmap knob(int size, int frames, Colour body, Colour pointer) {
  Sheet s(size, size, frames);
  for (int n = 0; n < frames; ++n) {
    DC& dc = s.frame(n);
    dc.set_pen({Colour{40, 40, 40}});
    dc.set_brush(Brush::solid(body));
    dc.ellipse({1, 1, size - 1, size - 1});
    double angle = frames > 1 ? -135.0 + 270.0 * n / (frames - 1) : 0.0;
    double c = (size - 1) / 2.0;
    dc.set_pen({pointer, size >= 24 ? 2 : 1});
    dc.move_to(polar(c, c, size * 0.12, angle));
    dc.line_to(polar(c, c, size / 2.0 - 3, angle));
  }
  return s.finish();
}

namespace {

// Two-frame button: raised (0) and pressed/lit (1).
Bitmap button(int size, Colour off, Colour on) {
  Sheet s(size, size, 2);
  for (int n = 0; n < 2; ++n) {
    DC& dc = s.frame(n);
    dc.fill_rect({0, 0, size, size}, Colour{60, 60, 60});
    dc.fill_rect({1, 1, size - 1, size - 1}, n ? on : off);
    dc.fill_rect({1, 1, size - 1, 2}, n ? Colour{60, 60, 60} : Colour{250, 250, 250});
    dc.fill_rect({1, size - 2, size - 1, size - 1}, n ? Colour{250, 250, 250} : Colour{110, 110, 110});
  }
  return s.finish();
}

}  // namespace

Bitmap led(int size) {
  Sheet s(size, size, 2);
  for (int n = 0; n < 2; ++n) {
    DC& dc = s.frame(n);
    dc.set_pen({Colour{30, 30, 30}});
    dc.set_brush(Brush::solid(n ? Colour{255, 40, 30} : Colour{90, 20, 20}));
    dc.ellipse({0, 0, size, size});
    if (n) {
      dc.set_pen({{}, 1, PenStyle::null});
      dc.set_brush(Brush::solid(Colour{255, 190, 170}));
      dc.ellipse({size / 4, size / 4, size / 2, size / 2});
    }
  }
  return s.finish();
}

namespace {

// Arrow buttons: a triangle pointing left, right or down on a two-frame button.
Bitmap arrow(int size, char direction) {
  Sheet s(size, size, 2);
  for (int n = 0; n < 2; ++n) {
    DC& dc = s.frame(n);
    dc.fill_rect({0, 0, size, size}, Colour{70, 70, 70});
    dc.fill_rect({1, 1, size - 1, size - 1}, n ? Colour{170, 170, 170} : Colour{215, 215, 215});
    int m = size / 2;
    for (int i = 0; i < size / 3; ++i) {
      Colour c{20, 20, 20};
      if (direction == 'l') dc.fill_rect({m - 2 + i, m - i, m - 1 + i, m + i + 1}, c);
      if (direction == 'r') dc.fill_rect({m + 1 - i, m - i, m + 2 - i, m + i + 1}, c);
      if (direction == 'd') dc.fill_rect({m - i, m + 1 - i, m + i + 1, m + 2 - i}, c);
    }
  }
  return s.finish();
}

Bitmap background() {
  Bitmap bm(64, 64);
  DC dc(bm);
  dc.fill_rect({0, 0, 64, 64}, Colour{206, 208, 200});
  for (int i = 0; i < 64; i += 16) {
    dc.fill_rect({i, 0, i + 1, 64}, Colour{214, 216, 208});
    dc.fill_rect({0, i, 64, i + 1}, Colour{214, 216, 208});
  }
  set_alpha(bm, 0xFF);
  return bm;
}

// Slider: track (frame) w x h with the handle beside or below it.
Bitmap slider(bool vertical) {
  const int len = 100, thick = 20, handle = 10;
  Bitmap bm(vertical ? thick : len + handle, vertical ? len + handle : thick, 0);
  DC dc(bm);
  Rect track = vertical ? Rect{0, 0, thick, len} : Rect{0, 0, len, thick};
  dc.fill_rect(track, Colour{180, 182, 176});
  if (vertical)
    dc.fill_rect({thick / 2 - 2, 4, thick / 2 + 2, len - 4}, Colour{40, 40, 40});
  else
    dc.fill_rect({4, thick / 2 - 2, len - 4, thick / 2 + 2}, Colour{40, 40, 40});
  Rect h = vertical ? Rect{0, len, thick, len + handle} : Rect{len, 0, len + handle, thick};
  dc.fill_rect(h, Colour{30, 30, 30});
  dc.fill_rect({h.left + 1, h.top + 1, h.right - 1, h.bottom - 1}, Colour{235, 235, 235});
  if (vertical)
    dc.fill_rect({h.left + 2, h.top + handle / 2, h.right - 2, h.top + handle / 2 + 1}, Colour{200, 0, 0});
  else
    dc.fill_rect({h.left + handle / 2, h.top + 2, h.left + handle / 2 + 1, h.bottom - 2}, Colour{200, 0, 0});
  set_alpha(bm, 0xFF);
  return bm;
}

// Bar graph: frame 0 lit, frame 1 unlit; 10 segments of 10 rows (8 lit + 2 gap) each.
Bitmap bar_graph() {
  Sheet s(10, 100, 2);
  for (int n = 0; n < 2; ++n) {
    DC& dc = s.frame(n);
    dc.fill_rect({0, 0, 10, 100}, Colour{20, 20, 20});
    for (int seg = 0; seg < 10; ++seg) {
      int top = 100 - 10 * (seg + 1) + 1;
      Colour lit = seg >= 8 ? Colour{255, 40, 30} : seg >= 6 ? Colour{255, 210, 0} : Colour{40, 220, 60};
      Colour c = n == 0 ? lit : Colour{uint8_t(lit.r / 5), uint8_t(lit.g / 5), uint8_t(lit.b / 5)};
      dc.fill_rect({1, top, 9, top + 8}, c);
    }
  }
  return s.finish();
}

// Panel group frame pieces: a fw x fh corner cell with line thickness L, the horizontal
// strip below it and the vertical strip beside it (W = fw + L).
Bitmap lines(int fw, int fh, int L, int t) {
  Bitmap bm(fw + L, fh + L, kKey.pixel());
  DC dc(bm);
  Colour line{90, 96, 110};
  // Corner cell: a rounded rectangle outline L thick.
  dc.set_pen({{}, 1, PenStyle::null});
  dc.set_brush(Brush::solid(line));
  dc.ellipse({0, 0, fw, fh});
  dc.set_brush(Brush::solid(kKey));
  dc.ellipse({L, L, fw - L, fh - L});
  // Horizontal strip at (0, fh): ends t wide (slightly darker), middle plain.
  dc.fill_rect({0, fh, fw, fh + L}, line);
  dc.fill_rect({0, fh, t, fh + L}, Colour{60, 64, 74});
  dc.fill_rect({fw - t, fh, fw, fh + L}, Colour{60, 64, 74});
  // Vertical strip at (fw, t), fh - 2t high.
  if (fh - 2 * t > 0) dc.fill_rect({fw, t, fw + L, fh - t}, line);
  Bitmap out = bm;
  for (int32_t y = 0; y < out.height(); ++y)
    for (int32_t x = 0; x < out.width(); ++x)
      out.row(y)[x] = (out.row(y)[x] & 0xFFFFFF) == kKey.pixel() ? 0 : (out.row(y)[x] | 0xFF000000u);
  return out;
}

Bitmap stepper(int frames) {
  Sheet s(16, 16, frames);
  for (int n = 0; n < frames; ++n) {
    DC& dc = s.frame(n);
    dc.fill_rect({0, 0, 16, 16}, Colour{50, 50, 60});
    for (int i = 0; i <= n && i < 4; ++i) dc.fill_rect({2 + 3 * i, 10, 4 + 3 * i, 14}, Colour{0, 200, 255});
  }
  return s.finish();
}

Bitmap anim_pad() {
  Sheet s(12, 12, 4);
  for (int n = 0; n < 4; ++n) {
    DC& dc = s.frame(n);
    dc.fill_rect({0, 0, 12, 12}, Colour{uint8_t(60 * n), 80, 160});
  }
  return s.finish();
}

Bitmap joystick() {
  Bitmap bm(12, 12, kKey.pixel());
  DC dc(bm);
  dc.set_pen({Colour{0, 0, 0}});
  dc.set_brush(Brush::solid(Colour{250, 200, 0}));
  dc.ellipse({0, 0, 12, 12});
  Bitmap out = bm;
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 12; ++x)
      out.row(y)[x] = (out.row(y)[x] & 0xFFFFFF) == kKey.pixel() ? 0 : (out.row(y)[x] | 0xFF000000u);
  return out;
}

// Mask image for the tinted control: white = full colour, black = transparent, greys blend.
Bitmap tint_mask() {
  Bitmap bm(16, 32, 0xFF000000);
  DC dc(bm);
  for (int n = 0; n < 2; ++n) {
    dc.set_origin({0, 16 * n});
    dc.set_pen({{}, 1, PenStyle::null});
    dc.set_brush(Brush::solid(Colour{128, 128, 128}));
    dc.ellipse({0, 0, 16, 16});
    dc.set_brush(Brush::solid(Colour{255, 255, 255}));
    dc.ellipse({3 + n, 3 + n, 13 - n, 13 - n});
  }
  set_alpha(bm, 0xFF);
  bm.set(0, 0, frame_marker(0));
  bm.set(0, 16, frame_marker(1));
  return bm;
}

// Alpha ramp: alpha grows left to right, colour changes top to bottom.
Bitmap alpha_rgba() {
  Bitmap bm(32, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) bm.set(x, y, pixel_argb(uint8_t(x * 255 / 31), uint8_t(255 - 16 * y), 64, uint8_t(16 * y)));
  return bm;
}

}  // namespace

std::vector<File> default_skin() {
  std::vector<File> f;
  f.push_back(png("default/background.png", background()));
  f.push_back({"default/background.txt", text("; panel background, repeated over the whole panel\ntiled true\n")});
  f.push_back(png("default/knob_med.png", knob(32, 64, Colour{70, 72, 80}, Colour{255, 255, 255})));
  f.push_back({"default/knob_med.txt", text("type knob\nframe_size 32 32\nmouse_response rotary\n")});
  f.push_back(png("default/knob_sm.png", knob(16, 32, Colour{70, 72, 80}, Colour{255, 255, 255})));
  f.push_back({"default/knob_sm.txt", text("type knob\nframe_size 16 16\norientation vertical\n")});
  f.push_back(png("default/switch_rotary.png", knob(32, 32, Colour{40, 40, 44}, Colour{255, 200, 0})));
  f.push_back({"default/switch_rotary.txt", text("type knob\nframe_size 32 32\nmouse_response rotary\n")});
  f.push_back(png("default/vslider_med.png", slider(true)));
  f.push_back({"default/vslider_med.txt",
               text("type slider\nframe_size 20 100\nhandle_rect 0 100 20 110\nhandle_range 0 90\norientation vertical\n")});
  f.push_back(png("default/hslider_med.png", slider(false)));
  f.push_back({"default/hslider_med.txt",
               text("type slider\nframe_size 100 20\nhandle_rect 100 0 110 20\nhandle_range 0 90\norientation horizontal\n")});
  f.push_back(png("default/button.png", button(24, Colour{200, 200, 196}, Colour{255, 170, 0})));
  f.push_back({"default/button.txt", text("type animated\nframe_size 24 24\nmouse_response clicker\n")});
  f.push_back(png("default/button_sm.png", button(12, Colour{200, 200, 196}, Colour{255, 170, 0})));
  f.push_back({"default/button_sm.txt", text("type animated\nframe_size 12 12\nmouse_response clicker\n")});
  f.push_back(png("default/led.png", led(12)));
  f.push_back({"default/led.txt", text("type animated\nframe_size 12 12\n")});
  f.push_back(png("default/arrow_left.png", arrow(12, 'l')));
  f.push_back({"default/arrow_left.txt", text("type animated\nframe_size 12 12\nmouse_response clicker\n")});
  f.push_back(png("default/arrow_right.png", arrow(12, 'r')));
  f.push_back({"default/arrow_right.txt", text("type animated\nframe_size 12 12\nmouse_response clicker\n")});
  f.push_back(png("default/drop_down.png", arrow(12, 'd')));
  f.push_back({"default/drop_down.txt", text("type animated\nframe_size 12 12\nmouse_response clicker\n")});
  f.push_back(png("default/bar_graph1.png", bar_graph()));
  f.push_back({"default/bar_graph1.txt",
               text("type bargraph\nframe_size 10 100\nhandle_range 0 10\nsegment_count 9\n")});
  f.push_back(png("default/lines.png", lines(16, 16, 2, 3)));
  f.push_back({"default/lines.txt", text("; panel group frame: corner cell 16x16, lines 2 thick, ends 3 long\n"
                                         "frame_size 16 16\nline_end_length 3\n")});
  f.push_back(png("default/lines_degenerate.png", lines(6, 6, 2, 3)));
  f.push_back({"default/lines_degenerate.txt", text("frame_size 6 6\nline_end_length 3\n")});
  f.push_back(png("default/anim_pad.png", anim_pad()));
  f.push_back({"default/anim_pad.txt", text("type animated\nframe_size 12 12\npadding 1 2 3 4\n")});
  f.push_back(png("default/stepper.png", stepper(4)));
  f.push_back({"default/stepper.txt", text("type animated\nframe_size 16 16\nmouse_response stepped\n")});
  f.push_back(png("default/stepper1.png", stepper(1)));
  f.push_back({"default/stepper1.txt", text("type animated\nframe_size 16 16\nmouse_response stepped\n")});
  f.push_back(png("default/joy.png", joystick()));
  f.push_back(png("default/tint_mask.png", tint_mask()));
  f.push_back({"default/tint_mask.txt", text("type animated\nframe_size 16 16\n")});
  f.push_back(png("default/alpha_rgba.png", alpha_rgba()));
  f.push_back({"default/global.txt", text(
      "; Fonts of the Korvane default skin.\n"
      "; font-family lists faces in order of preference: the first installed one is used.\n"
      "; font-color is a colour reference: #BBGGRR, or a decimal number.\n"
      "\n"
      "FONT_CATEGORY control_label\n"
      "font-family \"Korvane Absent Face\", Arial, 'DejaVu Sans'\n"
      "font-size 12\n"
      "font-color #000000\n"
      "\n"
      "FONT_CATEGORY control_edit\n"
      "font-family Arial 'DejaVu Sans'\n"
      "font-size 12\n"
      "font-color 0\n"
      "\n"
      "FONT_CATEGORY selector_text\n"
      "font-family 'Korvane Absent Face' \"DejaVu Sans\" ; the rest of this line is a comment\n"
      "font-size 11\n"
      "font-color #0000FF\n"
      "\n"
      "FONT_CATEGORY switch_label\n"
      "font-family Arial, \"DejaVu Sans\"\n"
      "font-size 10\n"
      "font-color #202020\n"
      "\n"
      "FONT_CATEGORY tty\n"
      "font-family \"DejaVu Sans Mono\", \"Courier New\", monospace\n"
      "font-size 12\n"
      "font-color 65280\n"
      "\n"
      "FONT_CATEGORY tabbox\n"
      "font-family Arial, 'DejaVu Sans'\n"
      "font-size 12\n"
      "font-color #000000\n"
      "\n"
      "FONT_CATEGORY panel_group\n"
      "font-family Arial, 'DejaVu Sans'\n"
      "font-size 12\n"
      "font-color #6E6050\n")});
  // BMP images: one with a mask file, one with a key colour.
  {
    Bitmap img = knob(24, 2, Colour{0, 90, 200}, Colour{255, 255, 255});
    Bitmap colour = img, mask(img.width(), img.height(), 0xFFFFFFFF);
    for (int32_t y = 0; y < img.height(); ++y)
      for (int32_t x = 0; x < img.width(); ++x)
        if ((img.row(y)[x] >> 24) == 0) colour.row(y)[x] = 0xFF000000u;
        else mask.row(y)[x] = 0xFF000000u;
    f.push_back({"default/bmp_masked.bmp", encode_bmp(colour, {24})});
    f.push_back({"default/bmp_masked_mask.bmp", encode_bmp(mask, {8})});
    f.push_back({"default/bmp_masked.txt", text("type knob\nframe_size 24 24\n")});
    Bitmap keyed = img;
    for (int32_t y = 0; y < keyed.height(); ++y)
      for (int32_t x = 0; x < keyed.width(); ++x)
        if ((keyed.row(y)[x] >> 24) == 0) keyed.row(y)[x] = 0xFFFF00FFu;
    keyed.set(0, 0, 0xFFFF00FF);
    keyed.set(0, 24, 0xFFFF00FF);
    f.push_back({"default/bmp_keyed.bmp", encode_bmp(keyed, {24})});
    f.push_back({"default/bmp_keyed.txt", text("type knob\nframe_size 24 24\ntransparent_pixel 0 0\n")});
  }
  return f;
}

}  // namespace kv::skin_art
