#include "panel/skin/skin_font_info.h"

#include <cctype>

#include "document/archive/archive.h"
#include "panel/skin/description_text.h"

namespace kv {

const ArchiveClass SkinFontInfo::kArchiveClass{"SkinFontInfo", 1, nullptr, &createArchivable<SkinFontInfo>};

void SkinFontInfo::serialize(Archive& ar) {
  ar.text(category);
  ar.text(face);
  ar.i32(size);
  ar.u32(colour);
}

namespace skin {

namespace {
uint32_t readColour(const std::string& t) {
  if (!t.empty() && t[0] == '#') {
    uint32_t v = 0;
    for (size_t i = 1; i < t.size() && std::isxdigit(static_cast<unsigned char>(t[i])); ++i) {
      char c = char(std::tolower(static_cast<unsigned char>(t[i])));
      v = v << 4 | uint32_t(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    return v;
  }
  return uint32_t(readNumber(t));
}
}  // namespace

std::vector<SkinFontInfo> parseFontFile(std::string_view text, const FamilyLookup& installed) {
  std::vector<SkinFontInfo> out;
  for (std::string_view line : splitLines(text)) {
    std::vector<std::string> t = fontFileTokens(line);
    if (t.empty()) continue;
    const std::string& key = t[0];
    if (key == "FONT_CATEGORY") {
      if (t.size() < 2) continue;
      std::string name = t[1];
      for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
      out.emplace_back(std::move(name), "Arial", 12, 0x7070FFu);
      continue;
    }
    if (out.empty() || t.size() < 2) continue;
    SkinFontInfo& cat = out.back();
    if (key == "font-family") {
      for (size_t i = 1; i < t.size(); ++i) {
        std::optional<std::string> found = installed ? installed(t[i]) : std::nullopt;
        if (found) {
          cat.face = *found;
          break;
        }
      }
    } else if (key == "font-size") {
      cat.size = readNumber(t[1]);
    } else if (key == "font-color") {
      cat.colour = readColour(t[1]);
    }
  }
  return out;
}

}  // namespace skin
}  // namespace kv
