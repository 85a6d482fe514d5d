#pragma once
// The text form of a patch: JSON that people write and read, compiled into the archive the
// plug-in loads and dumped back from it (docs/patch-text-form.md describes the form).
//
//   compile: text -> document objects, made through the module registry and joined with the
//            document's own editing operations -> patch archive bytes (file version 95081);
//   dump:    patch archive bytes -> document objects (a full, checked load) -> text.
//
// A dump compiles back to the same bytes. The text form covers the header, embedded files,
// containers with their panel settings, skin names and program names, the embedded skins, modules by type id with
// their plug values by plug name, connections, and control modules with their per-program
// values. A patch holding objects the form does not describe (panel-only classes, feature
// plugs, LEDs, portals) is refused by dump with a message naming the object, so that nothing
// is lost silently.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv::text {

class SkinListText;

struct CompileResult {
  bool ok = false;
  // On failure: "line N: <what is wrong, naming the item>".
  std::string message;
  std::vector<uint8_t> archive;  // the patch (unscrambled), on success
};

// Compiles the JSON text of a patch. `skins` compiles its "skins" item (without one, a patch
// with skins is refused).
CompileResult compilePatchText(std::string_view json, SkinListText* skins = nullptr);

struct DumpResult {
  bool ok = false;
  std::string message;  // on failure
  std::string json;     // on success, ending in a newline
};

// Reads a patch archive (unscrambled) and writes its text form. `skins` reads and dumps its
// embedded skins (without one, a patch with embedded skins is refused).
DumpResult dumpPatchText(std::span<const uint8_t> archive, SkinListText* skins = nullptr);

}  // namespace kv::text
