#pragma once
// The built-in "default" skin: its files (images, descriptions, global.txt) compiled into
// the program, for patches that bring no skins of their own. The files are drawn by
// default_skin_art.h; the skin generator writes them out as a C++ source at build time
// (library kv_default_skin).

#include <cstdint>
#include <span>

namespace kv::skin_data {

struct EmbeddedFile {
  const char* name;  // file name inside the skin folder, e.g. "knob_med.png"
  std::span<const unsigned char> bytes;
};

std::span<const EmbeddedFile> default_skin_files();

}  // namespace kv::skin_data
