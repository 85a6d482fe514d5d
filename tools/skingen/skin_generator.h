#pragma once
// The project's skins for tests, drawn by code beside the built-in "default" skin
// (panel/skin/default_skin_art.h): a small "alt" skin that leans on "default" for the rest,
// and "fixtures": image files in every supported layout plus malformed images and
// description files.
#include <vector>

#include "panel/skin/default_skin_art.h"

namespace kv::skingen {

using skin_art::File;

std::vector<File> alt_skin();
std::vector<File> fixtures();

}  // namespace kv::skingen
