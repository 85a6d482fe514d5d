#include "tools/patch/module_reference.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "document/model/choice_list.h"
#include "document/text/text_form_common.h"
#include "engine/declaration_flags.h"
#include "engine/types.h"
#include "modules/registry/builtin_modules.h"
#include "modules/registry/module_registry.h"
#include "modules/registry/plug_declaration.h"

namespace kv {

namespace {

const char* directionWord(int32_t direction) {
  switch (direction) {
    case DR_IN: return "input";
    case DR_OUT: return "output";
    case DR_PARAMETER: return "setting";
    case DR_CONTAINER_IO: return "container plug";
    default: return DeclarationDirectionName(direction);
  }
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "0 to 10", without trailing zeros.
std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// A voltage plug's choices give its slider's travel: the shown scale, then the voltages at
// its two ends ("100, 0, 10, 0": shown as 0 to 100, 0 to 10 V).
std::string voltageRange(const std::string& choices) {
  std::vector<double> values;
  std::istringstream in(choices);
  std::string part;
  while (std::getline(in, part, ',')) {
    part = trimmed(part);
    char* end = nullptr;
    const double v = std::strtod(part.c_str(), &end);
    if (part.empty() || *end != '\0') return choices;
    values.push_back(v);
  }
  if (values.size() != 4) return choices;
  return number(std::min(values[2], values[3])) + " to " + number(std::max(values[2], values[3])) + " V";
}

// The values a list plug takes, as the numbers its value is written with.
std::string listRange(const std::string& choices) {
  if (choices == "{AUTO}") return "0, 1, ...: one for each plug connected to the list";
  const ChoiceList list(choices);
  if (list.isRange())
    return list.empty() ? std::string() : std::to_string(list.minValue()) + " to " + std::to_string(list.maxValue());
  std::string out;
  for (int64_t i = 0; i < list.size(); ++i) {
    const enum_entry e = list.entry(i);
    out += (out.empty() ? "" : ", ") + std::to_string(e.value) + " = " + e.text;
  }
  return out;
}

std::string rangeOf(const InterfaceObject& d) {
  if (d.flags & kDeclFileName) return d.choices.empty() ? "a file name" : "a file name (" + d.choices + ")";
  switch (d.datatype) {
    case dt_enum: return listRange(d.choices);
    case dt_bool: return d.choices.empty() ? "0 or 1" : listRange(d.choices);
    case dt_volts: return d.choices.empty() ? std::string() : voltageRange(d.choices);
    default: return d.choices;
  }
}

// Declaration texts are Windows-1252, like every document text; the reference is UTF-8 on
// one line.
std::string utf8(const std::string& text) {
  std::string out = text::windows1252ToUtf8(text);
  std::replace(out.begin(), out.end(), '\n', ' ');
  std::replace(out.begin(), out.end(), '\r', ' ');
  return trimmed(out);
}

PlugFacts plugFacts(const InterfaceObject& d) {
  PlugFacts p;
  p.name = utf8(d.name);
  p.direction = directionWord(d.direction);
  p.datatype = DeclarationDatatypeName(d.datatype);
  p.default_value = utf8(d.default_value);
  p.range = utf8(rangeOf(d));
  p.help = utf8(d.notes);
  return p;
}

std::string legacyNumberText(int32_t n) { return n < 0 ? "-" : std::to_string(n); }

std::string padded(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

nlohmann::ordered_json typeJson(const ModuleFacts& m) {
  nlohmann::ordered_json j = {{"id", m.id},
                      {"legacy_number", m.legacy_number},
                      {"family", m.family.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(m.family)},
                      {"unit_generator", m.has_unit_generator}};
  return j;
}

// A Markdown table cell: one line, with the characters Markdown would read as markup escaped.
std::string cell(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '|' || c == '\\' || c == '<' || c == '*' || c == '_' || c == '`') out += '\\';
    out += c;
  }
  return out;
}

void markdownType(std::ostringstream& out, const ModuleFacts& m) {
  out << "### " << m.id << "\n\n";
  out << "Legacy number " << legacyNumberText(m.legacy_number) << ".";
  if (m.plugs.empty()) {
    out << " No plugs.\n\n";
    return;
  }
  out << "\n\n| Plug | Direction | Type | Default | Range | Help |\n|---|---|---|---|---|---|\n";
  for (const PlugFacts& p : m.plugs)
    out << "| " << cell(p.name.empty() ? "(no name)" : p.name) << " | " << p.direction << " | " << p.datatype
        << " | " << cell(p.default_value) << " | " << cell(p.range) << " | " << cell(p.help) << " |\n";
  out << "\n";
}

}  // namespace

std::vector<ModuleFacts> moduleReference() {
  std::vector<ModuleFacts> all;
  for (const Module_Info* info : GetModuleRegistry().types()) {
    if (info->GetId().empty()) continue;
    ModuleFacts m;
    m.id = utf8(info->GetId());
    m.legacy_number = info->legacy_number;
    m.has_unit_generator = info->hasUnitGenerator();
    if (const char* family = m.has_unit_generator ? UnitGeneratorFamily(info->ug_class) : nullptr)
      m.family = family;
    for (const InterfaceObject& d : info->declarations) m.plugs.push_back(plugFacts(d));
    all.push_back(std::move(m));
  }
  return all;
}

const ModuleFacts* findModuleFacts(const std::vector<ModuleFacts>& all, const std::string& id) {
  const Module_Info* info = GetModuleRegistry().FindModuleInfo(text::utf8ToWindows1252(id));
  if (!info) return nullptr;
  const std::string found = utf8(info->GetId());
  for (const ModuleFacts& m : all)
    if (m.id == found) return &m;
  return nullptr;
}

std::string moduleListText(const std::vector<ModuleFacts>& all) {
  size_t width = 2;
  for (const ModuleFacts& m : all) width = std::max(width, m.id.size());
  std::ostringstream out;
  out << padded("Id", width + 1) << "Number  " << padded("Family", 24) << "Unit generator\n";
  for (const ModuleFacts& m : all) {
    const std::string n = legacyNumberText(m.legacy_number);
    out << padded(m.id, width + 1) << std::string(6 - std::min<size_t>(6, n.size()), ' ') << n << "  "
        << padded(m.family.empty() ? "-" : m.family, 24) << (m.has_unit_generator ? "yes" : "not yet") << "\n";
  }
  return out.str();
}

std::string moduleText(const ModuleFacts& m) {
  std::ostringstream out;
  out << m.id << ": legacy number " << legacyNumberText(m.legacy_number) << ", ";
  if (m.has_unit_generator) out << "family " << m.family << "\n";
  else out << "no unit generator yet\n";
  if (m.plugs.empty()) out << "  no plugs\n";
  for (const PlugFacts& p : m.plugs) {
    out << "  \"" << p.name << "\": " << p.direction << ", " << p.datatype << ", default \"" << p.default_value
        << "\"";
    if (!p.range.empty()) out << ", " << p.range;
    out << "\n";
    if (!p.help.empty()) out << "      " << p.help << "\n";
  }
  return out.str();
}

std::string moduleListJson(const std::vector<ModuleFacts>& all) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const ModuleFacts& m : all) list.push_back(typeJson(m));
  return list.dump(2) + "\n";
}

std::string moduleJson(const ModuleFacts& m) {
  nlohmann::ordered_json j = typeJson(m);
  j["plugs"] = nlohmann::ordered_json::array();
  for (const PlugFacts& p : m.plugs)
    j["plugs"].push_back({{"name", p.name},
                          {"direction", p.direction},
                          {"datatype", p.datatype},
                          {"default", p.default_value},
                          {"range", p.range},
                          {"help", p.help}});
  return j.dump(2) + "\n";
}

std::string moduleReferenceMarkdown(const std::vector<ModuleFacts>& all) {
  std::ostringstream out;
  out << "# Module types\n\n"
         "Every module type a patch can name in its `\"type\"` item (`docs/patch-text-form.md`), by the\n"
         "family that provides its unit generator, with its plugs in order. A plug's value is written\n"
         "as a text in the module's `\"plugs\"` item: volts as numbers (`\"4.5\"`), lists as the number\n"
         "of the chosen entry (`\"1\"` for `1 = Saw`), switches as `\"0\"` or `\"1\"`. Inputs and outputs\n"
         "connect; settings do not. The legacy number is the type's number in old patches, which\n"
         "name it `\"BI<number>\"`.\n\n"
         "`korvane-patch modules` lists the types and `korvane-patch modules TYPE` prints one of them\n"
         "(`--json` for JSON). This file is made from the module registry and checked by the\n"
         "`ModuleReference` test; after a change to a module type, rewrite it with\n\n"
         "    KORVANE_REGENERATE=1 build/tests/tools/kv_patch_tool_tests --gtest_filter='ModuleReference.*'\n\n";
  for (const char* family : UnitGeneratorFamilies()) {
    bool heading = false;
    for (const ModuleFacts& m : all) {
      if (m.family != family) continue;
      if (!heading) out << "## " << family << "\n\n";
      heading = true;
      markdownType(out, m);
    }
  }
  out << "## Without a unit generator yet\n\n"
         "These types make their document object only: they produce nothing when a patch plays.\n\n"
         "| Type | Legacy number |\n|---|---|\n";
  for (const ModuleFacts& m : all)
    if (!m.has_unit_generator && m.plugs.empty())
      out << "| " << cell(m.id) << " | " << legacyNumberText(m.legacy_number) << " |\n";
  out << "\n";
  for (const ModuleFacts& m : all)
    if (!m.has_unit_generator && !m.plugs.empty()) markdownType(out, m);
  std::string text = out.str();
  text.pop_back();  // one newline at the end of the file
  return text;
}

}  // namespace kv
