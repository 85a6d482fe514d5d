#include "platform/text/text_draw.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kv::gfx {

namespace {

int32_t width_of(const Font& f, std::string_view s) {
  int64_t w = 0;
  for (unsigned char c : s) w += f.advance(c);
  return int32_t(std::min<int64_t>(w, INT32_MAX / 2));
}

// Draws the glyphs of `s` with the pen starting at device x, baseline at device y.
void draw_glyphs(DC& dc, const Font& f, int64_t x, int64_t baseline, std::string_view s) {
  const uint32_t tc = dc.text_colour().pixel();
  const uint32_t tr = (tc >> 16) & 0xFF, tg = (tc >> 8) & 0xFF, tb = tc & 0xFF;
  Bitmap& target = dc.target();
  const Region& clip = dc.clip_region();
  Rect box = clip.box();
  for (unsigned char ch : s) {
    const Glyph& g = f.glyph(ch);
    int64_t gx = x + g.left, gy = baseline - g.top;
    x += g.advance;
    if (g.coverage.empty()) continue;
    Rect grect{int32_t(std::clamp<int64_t>(gx, INT32_MIN / 2, INT32_MAX / 2)),
               int32_t(std::clamp<int64_t>(gy, INT32_MIN / 2, INT32_MAX / 2)), 0, 0};
    grect.right = grect.left + g.width;
    grect.bottom = grect.top + g.height;
    if (grect.intersect(box).empty()) continue;
    for (const Rect& c : clip.rects()) {
      Rect v = grect.intersect(c);
      if (v.empty()) continue;
      for (int32_t y = v.top; y < v.bottom; ++y) {
        const uint8_t* cov = g.coverage.data() + size_t(y - grect.top) * size_t(g.width);
        uint32_t* row = target.row(y);
        for (int32_t px = v.left; px < v.right; ++px) {
          uint32_t a = cov[px - grect.left];
          if (a == 0) continue;
          uint32_t d = row[px];
          uint32_t inv = 255 - a;
          uint32_t r = (tr * a + ((d >> 16) & 0xFF) * inv + 127) / 255;
          uint32_t gg = (tg * a + ((d >> 8) & 0xFF) * inv + 127) / 255;
          uint32_t b = (tb * a + (d & 0xFF) * inv + 127) / 255;
          row[px] = r << 16 | gg << 8 | b;
        }
      }
    }
  }
}

// Draws one line whose cell top-left is logical (x, y).
void draw_line(DC& dc, const Font& f, int32_t x, int32_t y, std::string_view s, bool opaque,
               int32_t underline_index) {
  Size ext{width_of(f, s), f.metrics().height};
  if (opaque) dc.fill_rect(Rect::xywh(x, y, ext.cx, ext.cy), dc.bk_colour());
  int64_t dx = int64_t(x) + dc.origin().x;
  int64_t base = int64_t(y) + dc.origin().y + f.metrics().ascent;
  draw_glyphs(dc, f, dx, base, s);
  if (underline_index >= 0 && size_t(underline_index) < s.size()) {
    int32_t ux = sat32(int64_t(x) + width_of(f, s.substr(0, size_t(underline_index))));
    int32_t uw = f.advance(uint8_t(s[size_t(underline_index)]));
    dc.fill_rect(Rect::xywh(ux, sat32(int64_t(y) + f.metrics().ascent + 1), uw, 1), dc.text_colour());
  }
}

struct Line {
  std::string text;
  int32_t underline = -1;
};

}  // namespace

Size text_extent(const DC& dc, std::string_view text) {
  if (!dc.font()) return {};
  return dc.font()->extent(text);
}

void text_out(DC& dc, Point p, std::string_view text) {
  const Font* f = dc.font().get();
  if (!f) return;
  int32_t w = width_of(*f, text);
  uint32_t align = dc.text_align();
  int64_t x = p.x, y = p.y;
  if ((align & ta::horizontal_mask) == ta::center)
    x -= w / 2;
  else if ((align & ta::horizontal_mask) == ta::right)
    x -= w;
  if ((align & ta::vertical_mask) == ta::baseline)
    y -= f->metrics().ascent;
  else if ((align & ta::vertical_mask) == ta::bottom)
    y -= f->metrics().height;
  draw_line(dc, *f, sat32(x), sat32(y), text, dc.bk_mode() == BkMode::opaque, -1);
}

int32_t draw_text(DC& dc, std::string_view text, Rect& rect, uint32_t format) {
  const Font* f = dc.font().get();
  if (!f) return 0;
  const int32_t line_h = f->metrics().height;
  const int32_t max_w = rect.width();

  // 1. Prefix processing and hard line breaks.
  std::vector<Line> paragraphs(1);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (!(format & dt::singleline) && (c == '\r' || c == '\n')) {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      paragraphs.emplace_back();
      continue;
    }
    if (!(format & dt::noprefix) && c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        paragraphs.back().text += '&';
        ++i;
      } else if (i + 1 < text.size()) {
        paragraphs.back().underline = int32_t(paragraphs.back().text.size());
      }
      continue;
    }
    if (format & dt::singleline && (c == '\r' || c == '\n')) continue;
    paragraphs.back().text += c;
  }

  // 2. Word breaking.
  std::vector<Line> lines;
  if ((format & dt::wordbreak) && !(format & dt::singleline)) {
    for (Line& p : paragraphs) {
      std::string_view s = p.text;
      size_t offset = 0;
      do {
        size_t end = s.size();
        if (width_of(*f, s) > max_w) {
          // Longest prefix ending before a space that fits; else the first word.
          size_t best = std::string_view::npos;
          for (size_t k = 0; k < s.size(); ++k)
            if (s[k] == ' ' && width_of(*f, s.substr(0, k)) <= max_w) best = k;
          if (best == std::string_view::npos || best == 0) {
            best = s.find(' ', 1);
            if (best == std::string_view::npos) best = s.size();
          }
          end = best;
        }
        Line l{std::string(s.substr(0, end)), -1};
        if (p.underline >= 0 && size_t(p.underline) >= offset && size_t(p.underline) < offset + end)
          l.underline = p.underline - int32_t(offset);
        lines.push_back(std::move(l));
        size_t next = end;
        while (next < s.size() && s[next] == ' ') ++next;
        offset += next;
        s = s.substr(next);
      } while (!s.empty());
    }
  } else {
    lines = std::move(paragraphs);
  }

  // 3. Ellipsis.
  if (format & dt::end_ellipsis) {
    for (Line& l : lines) {
      if (width_of(*f, l.text) <= max_w) continue;
      const int32_t dots = width_of(*f, "...");
      size_t n = l.text.size();
      while (n > 0 && width_of(*f, std::string_view(l.text).substr(0, n)) + dots > max_w) --n;
      l.text = l.text.substr(0, n) + "...";
      if (l.underline >= int32_t(n)) l.underline = -1;
    }
  }

  const int32_t total_h = sat32(int64_t(line_h) * int64_t(lines.size()));
  if (format & dt::calcrect) {
    int32_t w = 0;
    for (const Line& l : lines) w = std::max(w, width_of(*f, l.text));
    rect.right = sat32(int64_t(rect.left) + w);
    rect.bottom = sat32(int64_t(rect.top) + total_h);
    return total_h;
  }

  int64_t y = rect.top;
  if (format & dt::singleline) {
    if (format & dt::vcenter)
      y = int64_t(rect.top) + (int64_t(rect.bottom) - rect.top - line_h) / 2;
    else if (format & dt::bottom)
      y = int64_t(rect.bottom) - line_h;
  }
  dc.save();
  if (!(format & dt::noclip)) dc.intersect_clip(rect);
  const bool opaque = dc.bk_mode() == BkMode::opaque;
  for (const Line& l : lines) {
    int64_t w = width_of(*f, l.text);
    int64_t x = rect.left;
    if (format & dt::center)
      x = int64_t(rect.left) + (int64_t(rect.right) - rect.left - w) / 2;
    else if (format & dt::right)
      x = int64_t(rect.right) - w;
    draw_line(dc, *f, sat32(x), sat32(y), l.text, opaque, l.underline);
    y += line_h;
  }
  dc.restore();
  return total_h;
}

Size Font::extent(std::string_view text) const { return {width_of(*this, text), metrics_.height}; }

std::vector<int32_t> Font::advances(std::string_view text) const {
  std::vector<int32_t> out;
  out.reserve(text.size());
  for (unsigned char c : text) out.push_back(glyphs_[c].advance);
  return out;
}

}  // namespace kv::gfx
