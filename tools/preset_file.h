// Bank ("fxb") and program ("fxp") files as a host writes them for plug-ins that keep their
// state as a chunk: a big-endian header, then the chunk as the plug-in gave it.
//
//   offset  program file ("FPCh")          bank file ("FBCh")
//   0       "CcnK"                         "CcnK"
//   4       byte size of the rest          byte size of the rest
//   8       "FPCh"                         "FBCh"
//   12      format version 1               format version 1
//   16      plug-in unique id              plug-in unique id
//   20      plug-in version                plug-in version
//   24      number of programs (1)         number of programs
//   28      program name, 28 bytes         128 reserved bytes
//   56      chunk size, then the chunk     -
//   156     -                              chunk size, then the chunk
//
// Files of plug-ins that store parameter lists instead ("FxCk", "FxBk") are recognised and
// refused with a message; this host only moves chunks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kv {

struct PresetFile {
  bool bank = false;        // "FBCh" or "FPCh"
  int32_t pluginId = 0;
  int32_t pluginVersion = 0;
  int32_t numPrograms = 1;
  std::string programName;  // program files only; up to the first NUL of the 28 bytes
  std::vector<uint8_t> chunk;
};

std::vector<uint8_t> encodePresetFile(const PresetFile& file);
// False with a one-line reason when the bytes are not a chunk bank or program file.
bool decodePresetFile(std::span<const uint8_t> bytes, PresetFile& file, std::string& error);

}  // namespace kv
