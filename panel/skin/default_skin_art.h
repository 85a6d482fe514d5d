#pragma once
// The built-in "default" skin, drawn by code: every image and font category the panel uses,
// with the description files beside them. At build time its files are compiled into the
// program (default_skin_data.h), so that a patch without skins of its own always has one; the
// skin generator also writes them to disk for tests, with other skins drawn from the same
// pieces.
//
// Frame marker: pixel (0, 0) of every frame of a multi-frame image is opaque
// frame_marker(n), so a test can tell which frame was drawn from one pixel of the output.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/colour.h"

namespace kv::skin_art {

struct File {
  std::string path;  // relative to the skins root, e.g. "default/knob_med.png"
  std::vector<uint8_t> bytes;
};

constexpr uint32_t frame_marker(int frame) { return 0xFF102000u | uint32_t(frame & 0xFF); }

std::vector<File> default_skin();

// Pieces for other skins drawn by code.
// A knob of `size` pixels in `frames` positions from -135 to +135 degrees.
gfx::Bitmap knob(int size, int frames, gfx::Colour body, gfx::Colour pointer);
// A two-frame LED, off (0) and lit (1).
gfx::Bitmap led(int size);
File png(std::string path, const gfx::Bitmap& image);
std::vector<uint8_t> text(std::string_view s);

}  // namespace kv::skin_art
