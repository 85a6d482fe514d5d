#pragma once
// The module reference: what a patch author needs to know of every module type the registry
// holds, in the words of the text form (docs/patch-text-form.md). `korvane-patch modules`
// prints it, as text or JSON, and docs/modules.md is this reference as Markdown.
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

// One plug of a module type, as its declaration states it. Texts are UTF-8.
struct PlugFacts {
  std::string name;
  std::string direction;  // "input", "output", "setting" (not connectable), "container plug"
  std::string datatype;   // "volts", "enum", "bool", "float", "text", "midi" ...
  std::string default_value;
  // The values an author writes for it: "0 to 10 V", "0 = Sine, 1 = Saw", "1 to 16"; empty
  // when the declaration names none.
  std::string range;
  std::string help;
};

struct ModuleFacts {
  std::string id;
  int32_t legacy_number = -1;  // -1: none
  // The family whose file adds the type's unit generator; empty when it has none yet.
  std::string family;
  bool has_unit_generator = false;
  std::vector<PlugFacts> plugs;
};

// Every registered module type, in id order (the empty entries of the module table left out).
std::vector<ModuleFacts> moduleReference();
// The type of that id (or legacy "BI<number>"), or null.
const ModuleFacts* findModuleFacts(const std::vector<ModuleFacts>& all, const std::string& id);

// `korvane-patch modules`: one line per type.
std::string moduleListText(const std::vector<ModuleFacts>& all);
// `korvane-patch modules TYPE`: the type and its plugs in order.
std::string moduleText(const ModuleFacts& m);
// The same facts as JSON: a list of types without their plugs, or one type with them.
std::string moduleListJson(const std::vector<ModuleFacts>& all);
std::string moduleJson(const ModuleFacts& m);
// docs/modules.md: one section per family, one table per type.
std::string moduleReferenceMarkdown(const std::vector<ModuleFacts>& all);

}  // namespace kv
