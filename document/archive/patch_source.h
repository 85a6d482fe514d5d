#pragma once
// Where the plug-in's patch comes from. In order: the section ".kv1.165" of the plug-in's own
// file (stored scrambled, unscrambled here), then the ".dat" file beside the plug-in (stored
// plain), then nothing, with the message the user sees. The document reads the archive from
// the bytes this answers; nothing here knows the header or the document classes.
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// The resource type "KV1" with identifier 165, as an ELF section name.
inline constexpr char kPatchSectionName[] = ".kv1.165";

struct PatchBytes {
  enum class Origin { kNone, kSection, kDataFile };
  Origin origin = Origin::kNone;
  std::vector<uint8_t> bytes;  // the archive, ready to read
  std::string path;            // the file the bytes came from (the data file's path for kNone)
  std::string message;         // for kNone: the text for the user
};

// The plug-in's own patch: section, then data file, then the message
// "%s: Can't find plugin data file. (%s)" with the data file's title and full path.
PatchBytes findPatchBytes(const std::string& module_path);

// The patch of another built plug-in file: its section only, read from the file without
// loading it. kNone with a message when the file cannot be read or holds no patch.
PatchBytes readModulePatch(const std::string& module_path);

}  // namespace kv
