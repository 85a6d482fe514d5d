#include "engine/unit_generator_catalogue.h"

namespace kv {

void UnitGeneratorCatalogue::Add(std::string_view ug_class, UgFactory factory) {
  if (!factory || ug_class.empty()) return;
  entries_.emplace_back(ug_class, factory);
}

UgFactory UnitGeneratorCatalogue::Find(std::string_view ug_class) const {
  for (const auto& [name, factory] : entries_)
    if (name == ug_class) return factory;
  return nullptr;
}

std::vector<std::string_view> UnitGeneratorCatalogue::ClassNames() const {
  std::vector<std::string_view> names;
  for (const auto& entry : entries_) names.push_back(entry.first);
  return names;
}

}  // namespace kv
