#include "platform/image/png_codec.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <memory>

namespace kv::gfx {

namespace {

// Everything the libpng callbacks touch; lives in the caller's frame, outside the reach of
// longjmp, so no destructor is ever skipped.
struct ReadContext {
  std::span<const uint8_t> data;
  size_t pos = 0;
  char message[128] = {};
  const ImageLimits* limits = nullptr;
  Bitmap* target = nullptr;                 // allocated between header and pixels
  std::vector<png_bytep>* rows = nullptr;
};

void on_error(png_structp png, png_const_charp msg) {
  auto* ctx = static_cast<ReadContext*>(png_get_error_ptr(png));
  if (ctx) std::snprintf(ctx->message, sizeof ctx->message, "%s", msg ? msg : "PNG error");
  png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

void on_read(png_structp png, png_bytep dst, png_size_t n) {
  auto* ctx = static_cast<ReadContext*>(png_get_io_ptr(png));
  if (n > ctx->data.size() - ctx->pos) png_error(png, "truncated PNG data");
  std::memcpy(dst, ctx->data.data() + ctx->pos, n);
  ctx->pos += n;
}

// Allocates the target bitmap and its row pointers; a plain function called from the
// setjmp frame that returns before libpng can jump again.
bool allocate(ReadContext& ctx, uint32_t w, uint32_t h) {
  if (w == 0 || h == 0) return false;
  if (w > uint32_t(ctx.limits->max_side) || h > uint32_t(ctx.limits->max_side) ||
      int64_t(w) * int64_t(h) > ctx.limits->max_pixels || w > uint32_t(Bitmap::kMaxSide) ||
      h > uint32_t(Bitmap::kMaxSide)) {
    std::snprintf(ctx.message, sizeof ctx.message, "image too large (%ux%u)", w, h);
    return false;
  }
  *ctx.target = Bitmap(int32_t(w), int32_t(h));
  ctx.rows->resize(h);
  for (uint32_t y = 0; y < h; ++y) (*ctx.rows)[y] = reinterpret_cast<png_bytep>(ctx.target->row(int32_t(y)));
  return true;
}

// The libpng part; only plain data lives in this frame.
bool read_png_inner(png_structp png, png_infop info, ReadContext& ctx) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, uint32_t(ctx.limits->max_side), uint32_t(ctx.limits->max_side));
  png_set_chunk_malloc_max(png, 8u << 20);
  png_set_read_fn(png, &ctx, on_read);
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
  png_set_expand(png);  // palette -> RGB, grey < 8 bits -> 8 bits, tRNS -> alpha
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);     // B, G, R, A in memory = 0xAARRGGBB little-endian words
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(w) * 4) {
    std::snprintf(ctx.message, sizeof ctx.message, "unsupported PNG layout");
    return false;
  }
  if (!allocate(ctx, w, h)) {
    if (!ctx.message[0]) std::snprintf(ctx.message, sizeof ctx.message, "empty image");
    return false;
  }
  png_read_image(png, ctx.rows->data());
  png_read_end(png, nullptr);
  return true;
}

struct WriteContext {
  std::vector<uint8_t>* out = nullptr;
};

void on_write(png_structp png, png_bytep src, png_size_t n) {
  auto* ctx = static_cast<WriteContext*>(png_get_io_ptr(png));
  ctx->out->insert(ctx->out->end(), src, src + n);
}
void on_flush(png_structp) {}

bool write_png_inner(png_structp png, png_infop info, WriteContext& ctx, const Bitmap& image,
                     PngChannels channels, png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &ctx, on_write, on_flush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, uint32_t(image.width()), uint32_t(image.height()), 8,
               channels == PngChannels::rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  if (channels == PngChannels::rgb) png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

bool write_raw_inner(png_structp png, png_infop info, WriteContext& ctx, const PngRawImage& img,
                     png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &ctx, on_write, on_flush);
  png_set_IHDR(png, info, img.width, img.height, img.bit_depth, img.colour_type,
               img.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!img.palette.empty()) {
    png_color pal[256];
    int n = int(std::min<size_t>(img.palette.size() / 3, 256));
    for (int i = 0; i < n; ++i) pal[i] = {img.palette[3 * i], img.palette[3 * i + 1], img.palette[3 * i + 2]};
    png_set_PLTE(png, info, pal, n);
  }
  if (!img.trns.empty()) {
    if (img.colour_type == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, img.trns.data(), int(std::min<size_t>(img.trns.size(), 256)), nullptr);
    } else {
      png_color_16 c{};
      auto v = [&](size_t i) { return png_uint_16(i + 1 < img.trns.size() ? img.trns[i] << 8 | img.trns[i + 1] : 0); };
      c.gray = v(0);
      c.red = v(0);
      c.green = v(2);
      c.blue = v(4);
      png_set_tRNS(png, info, nullptr, 0, &c);
    }
  }
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

// libpng allocates a chunk's declared length before it reads the chunk's data, so a damaged
// length field in a file of a few hundred bytes could make it ask for up to 2 GB. The whole
// file is in memory: every chunk up to IEND must fit in what is left of it.
bool chunks_fit(std::span<const uint8_t> data) {
  size_t pos = 8;  // after the signature
  while (data.size() - pos >= 8) {
    const uint32_t length = uint32_t(data[pos]) << 24 | uint32_t(data[pos + 1]) << 16 |
                            uint32_t(data[pos + 2]) << 8 | uint32_t(data[pos + 3]);
    const bool end = std::memcmp(&data[pos + 4], "IEND", 4) == 0;
    if (uint64_t(length) + 12 > data.size() - pos) return false;  // length, type, data, CRC
    pos += size_t(length) + 12;
    if (end) break;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> encode_png_raw(const PngRawImage& img) {
  std::vector<uint8_t> out;
  if (img.width == 0 || img.height == 0 || img.rows.size() % img.height != 0) return out;
  const size_t stride = img.rows.size() / img.height;
  int channels = 0;
  switch (img.colour_type) {
    case 0: case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 2: channels = 3; break;
    case 6: channels = 4; break;
    default: return out;
  }
  if (stride != (size_t(img.width) * size_t(channels) * size_t(img.bit_depth) + 7) / 8) return out;
  WriteContext ctx{&out};
  std::vector<png_bytep> rows(img.height);
  for (uint32_t y = 0; y < img.height; ++y) rows[y] = const_cast<png_bytep>(img.rows.data() + y * stride);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, on_warning);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  bool ok = info && write_raw_inner(png, info, ctx, img, rows.data());
  png_destroy_write_struct(&png, info ? &info : nullptr);
  if (!ok) out.clear();
  return out;
}

bool decode_png(std::span<const uint8_t> data, Bitmap& out, std::string& error, const ImageLimits& limits) {
  if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) {
    error = "not a PNG image";
    return false;
  }
  if (!chunks_fit(data)) {
    error = "truncated PNG data";
    return false;
  }
  ReadContext ctx;
  ctx.data = data;
  ctx.limits = &limits;
  Bitmap image;
  std::vector<png_bytep> rows;
  ctx.target = &image;
  ctx.rows = &rows;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, on_error, on_warning);
  if (!png) {
    error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  bool ok = info && read_png_inner(png, info, ctx);
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!ok) {
    error = ctx.message[0] ? ctx.message : "malformed PNG image";
    return false;
  }
  out = std::move(image);
  return true;
}

bool read_png_file(const std::string& path, Bitmap& out, std::string& error, const ImageLimits& limits) {
  std::vector<uint8_t> bytes;
  if (!read_file_bytes(path, bytes, error)) return false;
  return decode_png(bytes, out, error, limits);
}

std::vector<uint8_t> encode_png(const Bitmap& image, PngChannels channels) {
  std::vector<uint8_t> out;
  if (image.empty()) return out;
  WriteContext ctx{&out};
  std::vector<png_bytep> rows(size_t(image.height()));
  for (int32_t y = 0; y < image.height(); ++y)
    rows[size_t(y)] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(image.row(y)));
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, on_warning);
  if (!png) return {};
  png_infop info = png_create_info_struct(png);
  bool ok = info && write_png_inner(png, info, ctx, image, channels, rows.data());
  png_destroy_write_struct(&png, info ? &info : nullptr);
  if (!ok) out.clear();
  return out;
}

bool write_png_file(const std::string& path, const Bitmap& image, PngChannels channels, std::string& error) {
  std::vector<uint8_t> bytes = encode_png(image, channels);
  if (bytes.empty()) {
    error = "cannot encode an empty image";
    return false;
  }
  return write_file_bytes(path, bytes, error);
}

bool read_file_bytes(const std::string& path, std::vector<uint8_t>& out, std::string& error, uint64_t max_size) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
    if (bytes.size() + n > max_size) {
      error = "file too large: " + path;
      return false;
    }
    bytes.insert(bytes.end(), buf, buf + n);
  }
  if (std::ferror(f.get())) {
    error = "cannot read " + path;
    return false;
  }
  out = std::move(bytes);
  return true;
}

bool write_file_bytes(const std::string& path, std::span<const uint8_t> data, std::string& error) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  if (std::fwrite(data.data(), 1, data.size(), f.get()) != data.size()) {
    error = "cannot write " + path;
    return false;
  }
  if (std::fflush(f.get()) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace kv::gfx
