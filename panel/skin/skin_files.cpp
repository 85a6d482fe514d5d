#include "panel/skin/skin_files.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/image/png_codec.h"
#include "platform/module_path.h"
#include "panel/skin/default_skin_data.h"

namespace kv::skin {

namespace fs = std::filesystem;

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool hasExtension(std::string_view path) {
  size_t slash = path.find_last_of('/');
  std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = file.find_last_of('.');
  return dot != std::string_view::npos && dot > 0;
}

std::string withoutExtension(std::string_view path) {
  if (!hasExtension(path)) return std::string(path);
  return std::string(path.substr(0, path.find_last_of('.')));
}

std::string defaultSkinsRoot() {
  const std::string& own = ownModulePath();
  if (own.empty()) return {};
  size_t slash = own.find_last_of('/');
  if (slash == std::string::npos) return {};
  return own.substr(0, slash + 1) + "skins/";
}

bool DiskSkinFiles::resolve(const std::string& name, std::string& path) const {
  std::error_code ec;
  path = folder_ + name;
  if (fs::is_regular_file(path, ec)) return true;
  fs::path p(path);
  fs::path dir = p.parent_path().empty() ? fs::path(".") : p.parent_path();
  std::string want = p.filename().string();
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string have = it->path().filename().string();
    if (equalsNoCase(have, want) && it->is_regular_file(ec)) {
      path = (p.parent_path().empty() ? fs::path(have) : p.parent_path() / have).string();
      return true;
    }
  }
  return false;
}

bool DiskSkinFiles::read(const std::string& name, std::vector<uint8_t>& out) const {
  std::string path, error;
  if (!resolve(name, path)) return false;
  return gfx::read_file_bytes(path, out, error, kMaxSkinFileBytes);
}

bool DiskSkinFiles::exists(const std::string& name) const {
  std::string path;
  return resolve(name, path);
}

namespace {
const skin_data::EmbeddedFile* findBuiltin(const std::string& name) {
  for (const auto& f : skin_data::default_skin_files())
    if (name == f.name) return &f;
  for (const auto& f : skin_data::default_skin_files())
    if (equalsNoCase(name, f.name)) return &f;
  return nullptr;
}
}  // namespace

bool BuiltinSkinFiles::read(const std::string& name, std::vector<uint8_t>& out) const {
  const skin_data::EmbeddedFile* f = findBuiltin(name);
  if (!f) return false;
  out.assign(f->bytes.begin(), f->bytes.end());
  return true;
}

bool BuiltinSkinFiles::exists(const std::string& name) const { return findBuiltin(name) != nullptr; }

}  // namespace kv::skin
