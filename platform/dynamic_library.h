// A shared library loaded into the process: the stand-in for the loader services
// (open a library, look up an exported symbol, unload it).
//
// Libraries are opened with every symbol resolved at once and kept private to this
// handle, so two plug-ins that export the same names never see each other's code, and
// a missing dependency is reported at load time rather than at the first call.
// Symbol look-up searches only the library and its dependencies, never the process:
// looking for "main" in a plug-in never finds the host's own `main`.
#pragma once

#include <string>

namespace kv {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Loads the library file at `path`. A bare file name means the file in the current
  // directory (the loader would otherwise search the system's library folders for it).
  // On failure answers false and leaves the loader's own one-line explanation in `error`.
  bool open(const std::string& path, std::string& error);

  // Address of the exported symbol `name`, or null when the library has none.
  void* symbol(const char* name) const;

  // Unloads the library (nothing when none is loaded).
  void close();

  bool isOpen() const { return handle_ != nullptr; }

 private:
  void* handle_ = nullptr;
};

}  // namespace kv
