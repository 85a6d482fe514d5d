#pragma once
// PNG reading and writing through libpng.
//
// Reading normalises every PNG to straight-alpha pixels 0xAARRGGBB (bitmap.h): palettes
// and low bit depths are expanded, grey becomes RGB, tRNS becomes alpha, 16-bit samples are
// stripped to 8 bits, interlacing is undone, and images without alpha get alpha 255.
// libpng reports errors by longjmp; the decoder keeps every C++ object outside the jump's
// reach, so a malformed stream (bad signature, truncation, CRC or zlib errors, absurd
// sizes) is refused with a short reason and leaves `out` untouched.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/image/image_limits.h"

namespace kv::gfx {

bool decode_png(std::span<const uint8_t> data, Bitmap& out, std::string& error,
                const ImageLimits& limits = {});
bool read_png_file(const std::string& path, Bitmap& out, std::string& error,
                   const ImageLimits& limits = {});

enum class PngChannels { rgb, rgba };
// Deterministic output (no time or text chunks, fixed compression). An empty bitmap gives
// an empty vector.
std::vector<uint8_t> encode_png(const Bitmap& image, PngChannels channels);
bool write_png_file(const std::string& path, const Bitmap& image, PngChannels channels,
                    std::string& error);

// Any PNG layout, for fixtures and tools: rows are given already packed as the PNG stores
// them (colour type and bit depth as in the PNG header; 16-bit samples big-endian).
struct PngRawImage {
  uint32_t width = 0;
  uint32_t height = 0;
  int colour_type = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  int bit_depth = 8;
  bool interlaced = false;
  std::vector<uint8_t> rows;     // height rows of packed samples, no filter bytes
  std::vector<uint8_t> palette;  // RGB triples (colour type 3)
  std::vector<uint8_t> trns;     // tRNS chunk contents, when present
};
std::vector<uint8_t> encode_png_raw(const PngRawImage& image);

// Whole file into memory; false with a reason when it cannot be read.
bool read_file_bytes(const std::string& path, std::vector<uint8_t>& out, std::string& error,
                     uint64_t max_size = uint64_t(1) << 28);
bool write_file_bytes(const std::string& path, std::span<const uint8_t> data, std::string& error);

}  // namespace kv::gfx
