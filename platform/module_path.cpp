#include "platform/module_path.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace kv {

namespace {

std::string resolved(const char* path) {
  char buf[PATH_MAX];
  if (path == nullptr || ::realpath(path, buf) == nullptr) return std::string();
  return buf;
}

// Index of the extension's dot in the file-name part, or npos.
size_t extensionDot(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || dot <= name_start) return std::string_view::npos;
  return dot;
}

}  // namespace

std::string modulePathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return std::string();
  // The main program is reported by the name it was started with, which need not contain
  // a folder; its file is known to the kernel.
  const std::string_view name(info.dli_fname);
  if (name.empty() || name.find('/') == std::string_view::npos) return resolved("/proc/self/exe");
  return resolved(info.dli_fname);
}

const std::string& ownModulePath() {
  static const std::string path = modulePathOf(reinterpret_cast<const void*>(&modulePathOf));
  return path;
}

namespace {
// Resolve during static initialisation, i.e. when the module is loaded.
[[maybe_unused]] const bool g_own_path_resolved = !ownModulePath().empty();
}  // namespace

std::string dataFilePathFor(std::string_view module_path) {
  const size_t dot = extensionDot(module_path);
  std::string out(module_path.substr(0, dot));
  out += ".dat";
  return out;
}

std::string fileTitleOf(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t dot = extensionDot(path);
  return std::string(path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
}

}  // namespace kv
