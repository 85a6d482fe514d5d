#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include <utility>

namespace kv {

DynamicLibrary::~DynamicLibrary() { close(); }

DynamicLibrary::DynamicLibrary(DynamicLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

DynamicLibrary& DynamicLibrary::operator=(DynamicLibrary&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

bool DynamicLibrary::open(const std::string& path, std::string& error) {
  close();
  dlerror();  // clear any stale message
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* text = dlerror();
    error = text != nullptr ? text : "unknown loader error";
    // Keep the message on one line whatever the loader wrote.
    for (char& c : error)
      if (c == '\n' || c == '\r') c = ' ';
    return false;
  }
  return true;
}

void* DynamicLibrary::symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return dlsym(handle_, name);
}

void DynamicLibrary::close() {
  if (handle_ != nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
  }
}

}  // namespace kv
