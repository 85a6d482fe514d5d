#pragma once
// Pieces shared by the compiler and the dumper of the text form: plug references and the
// base64 form of embedded file data.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {
class CPlug2;
class CUG;
}

namespace kv::text {

// A plug is named by its name; the second, third ... plug of a module with the same name
// (duplicated inputs) as "Name#2", "Name#3".
struct PlugRef {
  std::string name;
  int occurrence = 1;
};
PlugRef parsePlugRef(const std::string& text);
std::string plugRefText(const CUG* module, const CPlug2* plug);
// The plug the reference names, or null.
CPlug2* findPlug(const CUG* module, const PlugRef& ref);
// Every plug of the module as the text form names it, in plug order.
std::vector<std::string> plugRefTexts(const CUG* module);

// Edits (insertions, deletions, replacements) that turn one text into the other, ignoring
// the case of ASCII letters.
size_t editDistanceNoCase(std::string_view a, std::string_view b);
// The candidate nearest to a misspelt name, for "did you mean": the first of the fewest
// edits, and only when they change at most about half the name; empty when none is that near.
std::string nearestName(std::string_view name, const std::vector<std::string>& candidates);

std::string toBase64(const std::vector<uint8_t>& bytes);
std::optional<std::vector<uint8_t>> fromBase64(std::string_view text);

}  // namespace kv::text

namespace kv::text {
// Document texts are Windows-1252; the text form is UTF-8. Characters 1252 cannot hold become
// '?'. The five byte values 1252 leaves undefined pass as the control characters of the same
// number, so every document text survives a dump and a compile.
std::string windows1252ToUtf8(std::string_view text);
std::string utf8ToWindows1252(std::string_view text);
}  // namespace kv::text
