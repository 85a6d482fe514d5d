#pragma once
// UnitGeneratorCatalogue: the unit generators a build knows, by class name.
//
// Each module family fills it from one function at the end of its family file
// (RegisterFilters, RegisterMidi, ...); the module registry then gives every row of its
// module table the unit generator the row names. A class named by no family leaves its
// module types without a unit generator (they make their document object only).
#include <string_view>
#include <utility>
#include <vector>

namespace kv {

class ug_base;
using UgFactory = ug_base* (*)();

class UnitGeneratorCatalogue {
 public:
  // Registers `Ug` under its class name (the name the module table uses; a literal, kept
  // by reference).
  template <class Ug>
  void Add(std::string_view ug_class) {
    Add(ug_class, +[]() -> ug_base* { return new Ug; });
  }
  void Add(std::string_view ug_class, UgFactory factory);
  // The factory first registered under the name; null for none.
  UgFactory Find(std::string_view ug_class) const;
  // Every registered class name, in registration order (a name registered twice, twice).
  std::vector<std::string_view> ClassNames() const;

 private:
  std::vector<std::pair<std::string_view, UgFactory>> entries_;
};

}  // namespace kv
