#include "engine/engine_host.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace kv {

void ModuleMessage::SetText(std::string_view t) {
  const std::size_t n = t.size() < kTextCapacity - 1 ? t.size() : kTextCapacity - 1;
  std::memcpy(text, t.data(), n);
  text[n] = '\0';
}

std::string ClassNameForMessages(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  std::string name = (status == 0 && demangled) ? demangled.get() : type.name();
  // Namespaces are not part of the name the user sees.
  const std::size_t colon = name.rfind("::");
  if (colon != std::string::npos) name.erase(0, colon + 2);
  return name;
}

std::string ModuleMessage::Compose(std::string_view module_title) const {
  std::string out;
  if (!module_title.empty())
    out.assign(module_title);
  else if (sender_type)
    out = ClassNameForMessages(*sender_type);
  out += " : ";
  out += text;
  return out;
}

}  // namespace kv
