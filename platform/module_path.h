#pragma once
// Where the running plug-in lives, and the names derived from it.
#include <string>
#include <string_view>

namespace kv {

// The absolute, resolved path of the file (shared object or program) this code is linked
// into. Found once when the module loads, before a host can change the working directory;
// empty when it cannot be found.
const std::string& ownModulePath();

// The absolute, resolved path of the module file that contains `address`; empty when unknown.
std::string modulePathOf(const void* address);

// The data file that stands in for the embedded patch: the module path with the extension of
// its file-name part replaced by ".dat" ("/a/libfoo.so" -> "/a/libfoo.dat"); a file name
// without an extension gets ".dat" appended ("/home/u/.vst/plug" -> "/home/u/.vst/plug.dat").
// A dot in a folder name or at the start of the file name is no extension.
std::string dataFilePathFor(std::string_view module_path);

// The file-name part of a path without its extension ("/a/libfoo.dat" -> "libfoo").
std::string fileTitleOf(std::string_view path);

}  // namespace kv
