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

// Whole file into memory; false with a reason when it cannot be read.
bool read_file_bytes(const std::string& path, std::vector<uint8_t>& out, std::string& error,
                     uint64_t max_size = uint64_t(1) << 28);
bool write_file_bytes(const std::string& path, std::span<const uint8_t> data, std::string& error);

}  // namespace kv::gfx
