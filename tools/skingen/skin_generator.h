#pragma once
// The project's own skins, drawn by code: the "default" skin (every image and font
// category the panel uses), a small "alt" skin that leans on "default" for the rest, and
// "fixtures": image files in every supported layout plus malformed images and description
// files for tests.
//
// Frame marker: pixel (0, 0) of every frame of a multi-frame image is opaque
// frame_marker(n), so a test can tell which frame was drawn from one pixel of the output.

#include <cstdint>
#include <string>
#include <vector>

namespace kv::skingen {

struct File {
  std::string path;  // relative to the skins root, e.g. "default/knob_med.png"
  std::vector<uint8_t> bytes;
};

constexpr uint32_t frame_marker(int frame) { return 0xFF102000u | uint32_t(frame & 0xFF); }

std::vector<File> default_skin();
std::vector<File> alt_skin();
std::vector<File> fixtures();

}  // namespace kv::skingen
