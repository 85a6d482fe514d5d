#pragma once
// korvane-patch: authoring and packaging patches without a design tool.
//
//   korvane-patch compile PATCH.json -o PATCH.kv1      text form -> patch archive
//   korvane-patch dump PATCH.kv1 [-o PATCH.json]       patch archive -> text form (stdout)
//   korvane-patch build PATCH.kv1|PATCH.json -o NAME.so [--plugin korvane.so]
//                                                      a copy of the plug-in carrying the patch
//   korvane-patch extract NAME.so [-o PATCH.kv1]       the patch archive back out of a plug-in
//   korvane-patch check FILE                           loads FILE as the plug-in would and prints
//                                                      every message
//   korvane-patch modules [TYPE] [--json]              the module types, or one type's plugs
//
// `build` stores the archive scrambled in the section ".kv1.165" of a copy of the plug-in
// (by default korvane.so beside this program), never loaded by the system's loader. A patch
// must carry its own four-character unique id: hosts tell plug-ins apart by it, so `build`
// refuses a patch without one.
#include <ostream>
#include <string>
#include <vector>

namespace kv {

// Runs one command; answers the exit status (0 success, 1 failure, 2 usage).
int runPatchTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kv
