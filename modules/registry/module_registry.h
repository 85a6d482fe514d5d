#pragma once
// The module registry: every kind of module a patch can contain, by id.
//
// One registry per process, made on first use with thread-safe initialisation and filled
// then with the built-in table (each entry with its table number as legacy number). After
// start-up it is only read, from any thread. Old patches name modules by number: an id "BI"
// followed by decimal digits is translated through the legacy numbers.
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "modules/registry/module_info.h"

namespace kv {

struct FileType {
  std::string name;
  std::string extension;
  std::string folder;
};

namespace registry_text {
inline constexpr const char* kFoundTwice = "RegisterModule Error. Module found twice. %s";
}

class ModuleRegistry {
 public:
  ModuleRegistry();  // registers the built-in table
  ~ModuleRegistry();
  ModuleRegistry(const ModuleRegistry&) = delete;
  ModuleRegistry& operator=(const ModuleRegistry&) = delete;

  // Takes ownership. A second registration under a non-empty id that is already present
  // shows "RegisterModule Error. Module found twice. <id>" and keeps the first; answers true.
  bool RegisterModule(Module_Info* info);
  Module_Info* FindModuleInfo(const std::string& id) const;
  // The id of the first type, in id order, carrying the number; empty when none does.
  std::string GetIdForLegacyNumber(int number) const;

  // File types with their default folders (derived from the base folder).
  void SetFileTypeFolders(const std::string& baseFolder);
  std::string GetDefaultFolder(const std::string& extension) const;
  const std::array<FileType, 10>& fileTypes() const { return file_types_; }

  // Walks the folder and its sub-folders for files with the extension: "kv1" and "so"/"dll"
  // files are listed in libraryFiles(); "kvp" files (external module libraries) are handed
  // to the external-library hook.
  void ScanFolder(const std::string& folder, const std::string& extension,
                  const std::string& relativePath);
  std::vector<std::string> libraryFiles() const;
  using ExternalLibraryHook = void (*)(ModuleRegistry&, const std::string& path);
  void setExternalLibraryHook(ExternalLibraryHook hook) { external_hook_ = hook; }

  // Every registered type in id order.
  std::vector<Module_Info*> types() const;

 private:
  Module_Info* findExact(const std::string& id) const;

  mutable std::mutex mutex_;
  std::vector<std::string> library_files_;
  std::array<FileType, 10> file_types_;
  std::map<std::string, std::unique_ptr<Module_Info>> types_;
  ExternalLibraryHook external_hook_ = nullptr;
};

ModuleRegistry& GetModuleRegistry();

// The built-in table (registered by the registry's constructor).
void RegisterBuiltinModules(ModuleRegistry& registry);

}  // namespace kv
