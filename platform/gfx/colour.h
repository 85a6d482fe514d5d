#pragma once
// Colours. The panel code speaks in colour references (0x00BBGGRR, red in the low byte);
// bitmaps hold pixels 0xAARRGGBB (blue in the low byte). `Colour` keeps the two apart.

#include <cstdint>

namespace kv::gfx {

struct Colour {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;

  // From a colour reference 0x00BBGGRR (the top byte is ignored).
  static constexpr Colour from_ref(uint32_t ref) {
    return {uint8_t(ref & 0xFF), uint8_t((ref >> 8) & 0xFF), uint8_t((ref >> 16) & 0xFF)};
  }
  // From a pixel 0xAARRGGBB (alpha ignored).
  static constexpr Colour from_pixel(uint32_t px) {
    return {uint8_t((px >> 16) & 0xFF), uint8_t((px >> 8) & 0xFF), uint8_t(px & 0xFF)};
  }
  constexpr uint32_t ref() const { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }
  // The pixel drawing operations write: 0x00RRGGBB (top byte 0, as a 32-bit DIB section).
  constexpr uint32_t pixel() const { return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }
  friend constexpr bool operator==(Colour, Colour) = default;
};

constexpr Colour rgb(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b}; }

// Pixel helpers (0xAARRGGBB).
constexpr uint32_t pixel_argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}
constexpr uint8_t pixel_a(uint32_t p) { return uint8_t(p >> 24); }
constexpr uint8_t pixel_r(uint32_t p) { return uint8_t(p >> 16); }
constexpr uint8_t pixel_g(uint32_t p) { return uint8_t(p >> 8); }
constexpr uint8_t pixel_b(uint32_t p) { return uint8_t(p); }
constexpr uint32_t pixel_rgb(uint32_t p) { return p & 0x00FFFFFFu; }

// Fixed "system" colours, so that renders are the same on every machine.
namespace sys {
inline constexpr Colour window{255, 255, 255};
inline constexpr Colour window_text{0, 0, 0};
inline constexpr Colour button_face{240, 240, 240};
inline constexpr Colour button_shadow{160, 160, 160};
inline constexpr Colour button_highlight{255, 255, 255};
inline constexpr Colour button_dark_shadow{105, 105, 105};
inline constexpr Colour button_text{0, 0, 0};
inline constexpr Colour grey{0xB4, 0xB4, 0xB4};
inline constexpr Colour highlight{0, 120, 215};
inline constexpr Colour highlight_text{255, 255, 255};
inline constexpr Colour gray_text{109, 109, 109};
inline constexpr Colour info_background{255, 255, 225};
}  // namespace sys

}  // namespace kv::gfx
