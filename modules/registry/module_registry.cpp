#include "modules/registry/module_registry.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "modules/registry/unit_generator_link.h"
#include "platform/message_service.h"

namespace kv {

namespace {
bool equalsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool endsWithNoCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && equalsNoCase(text.substr(text.size() - tail.size()), tail);
}

std::string withSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}
}  // namespace

ModuleRegistry::ModuleRegistry() {
  SetFileTypeFolders("");
  RegisterBuiltinModules(*this);
}

ModuleRegistry::~ModuleRegistry() = default;

ModuleRegistry& GetModuleRegistry() {
  static ModuleRegistry registry;  // thread-safe one-time initialisation
  return registry;
}

bool ModuleRegistry::RegisterModule(Module_Info* info) {
  if (!info) return false;
  std::unique_ptr<Module_Info> owned(info);
  const std::string id = info->GetId();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (types_.count(id)) {
      if (!id.empty()) {
        char text[512];
        std::snprintf(text, sizeof text, registry_text::kFoundTwice, id.c_str());
        showMessage(text, MessageIcon::Plain);
      }
      return true;  // the first registration stays; this one is deleted
    }
  }
  if (ug_base* ug = info->CreateUG()) {
    DeclarationList list;
    listUnitGeneratorDeclarations(ug, list);
    deleteUnitGenerator(ug);
    // The addresses pointed into the temporary unit generator: they mean nothing here.
    for (InterfaceObject& d : list) {
      d.io_variable = nullptr;
      d.buffer_target = nullptr;
    }
    info->declarations = std::move(list);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  types_.emplace(id, std::move(owned));
  return true;
}

Module_Info* ModuleRegistry::findExact(const std::string& id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = types_.find(id);
  return it == types_.end() ? nullptr : it->second.get();
}

Module_Info* ModuleRegistry::FindModuleInfo(const std::string& id) const {
  if (Module_Info* info = findExact(id)) return info;
  // Old patches: "BI" and a decimal number (digits only, within the int range).
  if (id.size() < 3 || id.compare(0, 2, "BI") != 0 || id.size() > 2 + 10) return nullptr;
  long long n = 0;
  for (std::size_t i = 2; i < id.size(); ++i) {
    if (id[i] < '0' || id[i] > '9') return nullptr;
    n = n * 10 + (id[i] - '0');
  }
  if (n > 0x7FFFFFFF) return nullptr;
  return findExact(GetIdForLegacyNumber(static_cast<int>(n)));
}

std::string ModuleRegistry::GetIdForLegacyNumber(int number) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [id, info] : types_)
    if (info->legacy_number == number) return id;
  return std::string();
}

std::vector<Module_Info*> ModuleRegistry::types() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Module_Info*> out;
  for (const auto& entry : types_) out.push_back(entry.second.get());
  return out;
}

void ModuleRegistry::SetFileTypeFolders(const std::string& baseFolder) {
  const std::string base = withSlash(baseFolder);
  std::lock_guard<std::mutex> lock(mutex_);
  file_types_ = {{{"default", "*", base},
                  {"Wave Files", "wav", base + "audio/"},
                  {"Korvane Files", "kv1", base + "patches/"},
                  {"MIDI Files", "mid", base + "midi/"},
                  {"SoundFont Files", "sf2", base + "soundfonts/"},
                  {"Plugin", "so", base + "plugins/"},
                  {"VST Bank", "fxb", base + "presets/"},
                  {"VST Inst", "fxp", base + "presets/"},
                  {"Image Files", "bmp", base + "images/"},
                  {"Embeddable Files", "*", base}}};
}

std::string ModuleRegistry::GetDefaultFolder(const std::string& extension) const {
  // Stored patches name plug-in libraries "dll"; here they are shared objects.
  const std::string ext = equalsNoCase(extension, "dll") ? "so" : extension;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const FileType& t : file_types_)
    if (t.extension != "*" && equalsNoCase(t.extension, ext)) return t.folder;
  return file_types_[0].folder;
}

void ModuleRegistry::ScanFolder(const std::string& folder, const std::string& extension,
                                const std::string& relativePath) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
  if (ec) return;
  std::vector<fs::directory_entry> entries;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    entries.push_back(*it);
  }
  for (const fs::directory_entry& e : entries) {
    const std::string name = e.path().filename().string();
    if (e.is_directory(ec)) {
      if (name == "." || name == "..") continue;
      ScanFolder(withSlash(folder) + name + "/", extension, relativePath + name + "/");
      continue;
    }
    if (!endsWithNoCase(name, extension)) continue;
    const std::string path = withSlash(folder) + name;
    if (endsWithNoCase(name, "kvp")) {
      if (external_hook_) external_hook_(*this, path);
    } else if (endsWithNoCase(name, "kv1") || endsWithNoCase(name, "dll") || endsWithNoCase(name, "so")) {
      std::lock_guard<std::mutex> lock(mutex_);
      library_files_.push_back(path);
    }
  }
}

std::vector<std::string> ModuleRegistry::libraryFiles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return library_files_;
}

}  // namespace kv
