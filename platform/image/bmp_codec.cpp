#include "platform/image/bmp_codec.h"

#include <algorithm>
#include <bit>
#include <map>

#include "platform/image/png_codec.h"

namespace kv::gfx {

namespace {

uint32_t u16(std::span<const uint8_t> d, size_t at) { return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8; }
uint32_t u32(std::span<const uint8_t> d, size_t at) {
  return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 | uint32_t(d[at + 3]) << 24;
}

constexpr uint32_t kOpaque = 0xFF000000u;

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  static bool make(uint32_t mask, Channel& c) {
    c = {};
    if (mask == 0) return true;  // channel absent: reads 0
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    c.bits = std::popcount(mask);
    // The set bits must be contiguous.
    return ((mask >> c.shift) & ((mask >> c.shift) + 1)) == 0;
  }
  uint32_t get(uint32_t px) const {
    if (!mask) return 0;
    uint32_t v = (px & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    uint32_t max = (uint32_t(1) << bits) - 1;
    return (v * 255 + max / 2) / max;
  }
};

}  // namespace

bool decode_bmp(std::span<const uint8_t> d, Bitmap& out, std::string& error, const ImageLimits& limits) {
  auto fail = [&](const char* reason) {
    error = reason;
    return false;
  };
  const size_t size = d.size();
  if (size < 14 + 12 || d[0] != 'B' || d[1] != 'M') return fail("not a BMP image");
  const uint32_t pixel_offset = u32(d, 10);
  const uint32_t header_size = u32(d, 14);
  const bool core = header_size == 12;
  if (!core && header_size != 40 && header_size != 52 && header_size != 56 && header_size != 108 &&
      header_size != 124)
    return fail("unsupported BMP header");
  if (uint64_t(14) + header_size > size) return fail("truncated BMP header");

  int64_t width, height;
  uint32_t planes, bits, compression = 0, colours_used = 0;
  if (core) {
    width = u16(d, 18);
    height = u16(d, 20);
    planes = u16(d, 22);
    bits = u16(d, 24);
  } else {
    width = int32_t(u32(d, 18));
    height = int32_t(u32(d, 22));
    planes = u16(d, 26);
    bits = u16(d, 28);
    compression = u32(d, 30);
    colours_used = u32(d, 46);
  }
  if (planes != 1) return fail("bad BMP plane count");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return fail("unsupported BMP bit depth");
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width <= 0 || height <= 0) return fail("empty BMP image");
  if (width > limits.max_side || height > limits.max_side || width * height > limits.max_pixels ||
      width > Bitmap::kMaxSide || height > Bitmap::kMaxSide)
    return fail("BMP image too large");

  // Compression: 0 none, 1 RLE8, 2 RLE4, 3 bit fields.
  const bool rle = compression == 1 || compression == 2;
  if (compression > 3) return fail("unsupported BMP compression");
  if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4) ||
      (compression == 3 && bits != 16 && bits != 32))
    return fail("BMP compression does not fit its bit depth");
  if (rle && top_down) return fail("top-down BMP cannot be compressed");

  // Colour masks.
  size_t after_header = 14 + header_size;
  Channel red, green, blue;
  if (bits == 16 || bits == 32) {
    uint32_t rm, gm, bm;
    if (compression == 3) {
      size_t at = 14 + 40;  // masks follow the 40-byte fields (inside a larger header)
      if (header_size == 40) {
        if (after_header + 12 > size) return fail("truncated BMP colour masks");
        after_header += 12;
      }
      rm = u32(d, at);
      gm = u32(d, at + 4);
      bm = u32(d, at + 8);
    } else if (bits == 16) {
      rm = 0x7C00;
      gm = 0x03E0;
      bm = 0x001F;
    } else {
      rm = 0x00FF0000;
      gm = 0x0000FF00;
      bm = 0x000000FF;
    }
    if (bits == 16 && ((rm | gm | bm) >> 16) != 0) return fail("bad BMP colour masks");
    if (!Channel::make(rm, red) || !Channel::make(gm, green) || !Channel::make(bm, blue))
      return fail("bad BMP colour masks");
  }

  // Palette.
  std::vector<uint32_t> palette;
  if (bits <= 8) {
    const uint32_t max_entries = uint32_t(1) << bits;
    const size_t entry = core ? 3 : 4;
    uint32_t count = (core || colours_used == 0) ? max_entries : std::min(colours_used, max_entries);
    // Writers often store fewer entries than the depth allows; the pixel data's offset
    // tells how many there are room for.
    if ((core || colours_used == 0) && pixel_offset >= after_header)
      count = uint32_t(std::min<uint64_t>(count, (pixel_offset - after_header) / entry));
    if (uint64_t(after_header) + uint64_t(count) * entry > size) return fail("truncated BMP palette");
    palette.resize(max_entries, kOpaque);  // indices past the palette read black
    for (uint32_t i = 0; i < count; ++i) {
      size_t at = after_header + i * entry;
      palette[i] = kOpaque | uint32_t(d[at + 2]) << 16 | uint32_t(d[at + 1]) << 8 | d[at];
    }
  }

  if (pixel_offset >= size) return fail("truncated BMP pixel data");
  const std::span<const uint8_t> px = d.subspan(pixel_offset);
  const int32_t w = int32_t(width), h = int32_t(height);
  Bitmap image(w, h, kOpaque);
  auto row_of = [&](int32_t file_row) { return image.row(top_down ? file_row : h - 1 - file_row); };

  if (!rle) {
    const uint64_t stride = ((uint64_t(w) * bits + 31) / 32) * 4;
    if (stride * uint64_t(h) > px.size()) return fail("truncated BMP pixel data");
    for (int32_t r = 0; r < h; ++r) {
      const uint8_t* s = px.data() + stride * uint64_t(r);
      uint32_t* o = row_of(r);
      for (int32_t x = 0; x < w; ++x) {
        switch (bits) {
          case 1: o[x] = palette[(s[x >> 3] >> (7 - (x & 7))) & 1]; break;
          case 4: o[x] = palette[(s[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]; break;
          case 8: o[x] = palette[s[x]]; break;
          case 24:
            o[x] = kOpaque | uint32_t(s[3 * x + 2]) << 16 | uint32_t(s[3 * x + 1]) << 8 | s[3 * x];
            break;
          case 16: {
            uint32_t v = uint32_t(s[2 * x]) | uint32_t(s[2 * x + 1]) << 8;
            o[x] = kOpaque | red.get(v) << 16 | green.get(v) << 8 | blue.get(v);
            break;
          }
          case 32: {
            uint32_t v = u32(std::span<const uint8_t>(s + 4 * x, 4), 0);
            o[x] = kOpaque | red.get(v) << 16 | green.get(v) << 8 | blue.get(v);
            break;
          }
        }
      }
    }
  } else {
    // Run-length data: pairs (count, index) or escapes 0 0 end of line, 0 1 end of bitmap,
    // 0 2 dx dy move, 0 n literal run (padded to 16 bits).
    size_t i = 0;
    int64_t x = 0, r = 0;  // r: file row, counted from the bottom
    auto put = [&](uint32_t index) {
      if (x < w && r < h) row_of(int32_t(r))[x] = palette[index];
      ++x;
    };
    bool ended = false;
    while (!ended) {
      if (i + 2 > px.size()) return fail("truncated BMP run-length data");
      uint32_t a = px[i], b = px[i + 1];
      i += 2;
      if (a > 0) {
        for (uint32_t k = 0; k < a; ++k) {
          if (bits == 8)
            put(b);
          else
            put((k & 1) ? (b & 0xF) : (b >> 4));
        }
        continue;
      }
      switch (b) {
        case 0:
          x = 0;
          ++r;
          break;
        case 1:
          ended = true;
          break;
        case 2:
          if (i + 2 > px.size()) return fail("truncated BMP run-length data");
          x += px[i];
          r += px[i + 1];
          i += 2;
          break;
        default: {
          size_t bytes = bits == 8 ? b : (b + 1) / 2;
          if (i + bytes > px.size()) return fail("truncated BMP run-length data");
          for (uint32_t k = 0; k < b; ++k) {
            if (bits == 8)
              put(px[i + k]);
            else
              put((k & 1) ? (px[i + k / 2] & 0xF) : (px[i + k / 2] >> 4));
          }
          i += bytes + (bytes & 1);
          break;
        }
      }
      if (r >= h) break;  // past the last row: nothing more can be drawn
      if (x > w + 256) x = w + 256;  // keep the column bounded; such pixels are dropped
    }
  }
  out = std::move(image);
  return true;
}

bool read_bmp_file(const std::string& path, Bitmap& out, std::string& error, const ImageLimits& limits) {
  std::vector<uint8_t> bytes;
  if (!read_file_bytes(path, bytes, error)) return false;
  return decode_bmp(bytes, out, error, limits);
}

// --- writer ------------------------------------------------------------------------------

namespace {

void put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(uint8_t(v));
  o.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& o, uint32_t v) {
  put16(o, v & 0xFFFF);
  put16(o, v >> 16);
}

// Run-length encodes one row of indices (runs only; no literal runs, which keeps it simple
// and still a valid stream).
void rle_row(std::vector<uint8_t>& o, const std::vector<uint8_t>& idx, int bits) {
  size_t x = 0;
  while (x < idx.size()) {
    if (bits == 8) {
      size_t n = 1;
      while (x + n < idx.size() && n < 255 && idx[x + n] == idx[x]) ++n;
      o.push_back(uint8_t(n));
      o.push_back(idx[x]);
      x += n;
    } else {
      // Alternating pairs: a run repeats the two nibbles of its byte.
      uint8_t a = idx[x], b = x + 1 < idx.size() ? idx[x + 1] : a;
      size_t n = 1;
      while (x + n < idx.size() && n < 255 && idx[x + n] == ((n & 1) ? b : a)) ++n;
      o.push_back(uint8_t(n));
      o.push_back(uint8_t(a << 4 | b));
      x += n;
    }
  }
  o.push_back(0);
  o.push_back(0);
}

}  // namespace

std::vector<uint8_t> encode_bmp(const Bitmap& image, const BmpFormat& f) {
  if (image.empty()) return {};
  const int bits = f.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return {};
  if (f.rle && bits != 4 && bits != 8) return {};
  if (f.core_header && (bits == 32 || f.rle || f.top_down)) return {};
  const int32_t w = image.width(), h = image.height();

  std::vector<uint32_t> palette;
  std::map<uint32_t, uint8_t> index_of;
  if (bits <= 8) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        uint32_t c = image.row(y)[x] & 0xFFFFFF;
        if (index_of.count(c)) continue;
        if (palette.size() >= (size_t(1) << bits)) return {};
        index_of[c] = uint8_t(palette.size());
        palette.push_back(c);
      }
  }
  const size_t header = f.core_header ? 12 : 40;
  const size_t entry = f.core_header ? 3 : 4;
  const size_t offset = 14 + header + palette.size() * entry;

  std::vector<uint8_t> pixels;
  const size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
  for (int32_t r = 0; r < h; ++r) {
    const uint32_t* s = image.row(f.top_down ? r : h - 1 - r);
    if (bits <= 8) {
      std::vector<uint8_t> idx(static_cast<size_t>(w));
      for (int32_t x = 0; x < w; ++x) idx[size_t(x)] = index_of[s[x] & 0xFFFFFF];
      if (f.rle) {
        rle_row(pixels, idx, bits);
        continue;
      }
      std::vector<uint8_t> row(stride, 0);
      for (int32_t x = 0; x < w; ++x) {
        if (bits == 8) row[size_t(x)] = idx[size_t(x)];
        if (bits == 4) row[size_t(x) / 2] |= uint8_t(idx[size_t(x)] << ((x & 1) ? 0 : 4));
        if (bits == 1) row[size_t(x) / 8] |= uint8_t(idx[size_t(x)] << (7 - (x & 7)));
      }
      pixels.insert(pixels.end(), row.begin(), row.end());
    } else {
      size_t start = pixels.size();
      for (int32_t x = 0; x < w; ++x) {
        pixels.push_back(uint8_t(s[x]));
        pixels.push_back(uint8_t(s[x] >> 8));
        pixels.push_back(uint8_t(s[x] >> 16));
        if (bits == 32) pixels.push_back(uint8_t(s[x] >> 24));
      }
      pixels.resize(start + stride, 0);
    }
  }
  if (f.rle) {
    pixels.push_back(0);
    pixels.push_back(1);
  }

  std::vector<uint8_t> o;
  o.push_back('B');
  o.push_back('M');
  put32(o, uint32_t(offset + pixels.size()));
  put32(o, 0);
  put32(o, uint32_t(offset));
  put32(o, uint32_t(header));
  if (f.core_header) {
    put16(o, uint32_t(w));
    put16(o, uint32_t(h));
    put16(o, 1);
    put16(o, uint32_t(bits));
  } else {
    put32(o, uint32_t(w));
    put32(o, uint32_t(f.top_down ? -h : h));
    put16(o, 1);
    put16(o, uint32_t(bits));
    put32(o, f.rle ? (bits == 8 ? 1u : 2u) : 0u);
    put32(o, uint32_t(pixels.size()));
    put32(o, 2835);
    put32(o, 2835);
    put32(o, uint32_t(palette.size()));
    put32(o, 0);
  }
  for (uint32_t c : palette) {
    o.push_back(uint8_t(c));
    o.push_back(uint8_t(c >> 8));
    o.push_back(uint8_t(c >> 16));
    if (!f.core_header) o.push_back(0);
  }
  o.insert(o.end(), pixels.begin(), pixels.end());
  return o;
}

}  // namespace kv::gfx
