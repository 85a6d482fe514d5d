#pragma once
// Fonts: what a font request asks for, and the immutable font a FontCache answers with.
//
// A Font holds, for each of the 256 bytes of Windows-1252, the rendered glyph (8-bit
// coverage, grey anti-aliasing, FreeType's light hinting) and its integer advance. It is
// plain data once made: no FreeType object outlives its creation, so a Font can be shared
// and read from any thread. Text is a byte string in 1252 (platform/text/cp1252.h).
//
// Sizes follow GDI's LOGFONT height: a negative height asks for that character height in
// pixels (the em size: FT_Set_Pixel_Sizes(0, -height)); a positive height asks for that
// cell height (ascent + descent); 0 means a character height of 12. Character heights are
// limited to 256 pixels.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/geometry.h"

namespace kv::gfx {

inline constexpr int32_t kWeightNormal = 400;
inline constexpr int32_t kWeightBold = 700;

struct FontSpec {
  std::string face;  // family name; matched by fontconfig, so a missing face falls back
  int32_t height = 0;
  int32_t weight = kWeightNormal;  // 100..900
  bool italic = false;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// All values in pixels. height = ascent + descent (the cell); internal leading =
// height - character height.
struct FontMetrics {
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t height = 0;
  int32_t char_height = 0;  // em size in pixels
  int32_t internal_leading = 0;
  int32_t ave_char_width = 0;
  int32_t max_char_width = 0;
};

struct Glyph {
  int32_t advance = 0;  // pen movement in pixels
  int32_t left = 0;     // coverage box offset from the pen position
  int32_t top = 0;      // coverage box top, in pixels above the baseline
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> coverage;  // width * height bytes, rows top to bottom
};

class Font {
 public:
  const FontSpec& spec() const { return spec_; }
  const std::string& family() const { return family_; }  // the family actually used
  const std::string& file() const { return file_; }      // empty when no font was found
  const FontMetrics& metrics() const { return metrics_; }
  const Glyph& glyph(uint8_t byte) const { return glyphs_[byte]; }
  int32_t advance(uint8_t byte) const { return glyphs_[byte].advance; }

  // Width of the text (sum of advances) and the cell height, like GetTextExtentPoint32.
  Size extent(std::string_view text) const;
  // The advance of each byte, like GetTextExtentExPoint's per-character widths.
  std::vector<int32_t> advances(std::string_view text) const;

 private:
  friend class FontCache;
  FontSpec spec_;
  std::string family_;
  std::string file_;
  FontMetrics metrics_;
  std::array<Glyph, 256> glyphs_;
};

}  // namespace kv::gfx
