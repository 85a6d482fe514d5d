#pragma once
// SkinFontInfo: one font category of a skin (the font and colour its texts use), and its
// archive record: category name, face name, size, colour.
//
// global.txt, read when a skin is made, lists the categories:
//   FONT_CATEGORY <name>        a new category (name in lower case): "Arial", 12, 0x7070FF
//   font-family <face> ...      the first installed family of the list, spelled as installed
//   font-size <pixels>          the character height
//   font-color #BBGGRR | <n>    a colour reference (0x00BBGGRR): "#0000FF" is red
// Lines before the first category are ignored, and so are lines without the values they need.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/model/doc_class.h"

namespace kv {

class SkinFontInfo : public CObject {
  KV_ARCHIVE_CLASS(SkinFontInfo)
 public:
  SkinFontInfo() = default;
  SkinFontInfo(std::string category, std::string face, int32_t size, uint32_t colour)
      : category(std::move(category)), face(std::move(face)), size(size), colour(colour) {}
  void serialize(Archive& ar) override;

  std::string category;
  std::string face;
  int32_t size = 12;
  uint32_t colour = 0;  // colour reference 0x00BBGGRR

  friend bool operator==(const SkinFontInfo& a, const SkinFontInfo& b) {
    return a.category == b.category && a.face == b.face && a.size == b.size && a.colour == b.colour;
  }
};

namespace skin {
// Answers the installed family matching a name without regard to case, spelled as installed.
using FamilyLookup = std::function<std::optional<std::string>(std::string_view)>;

std::vector<SkinFontInfo> parseFontFile(std::string_view text, const FamilyLookup& installed);
}  // namespace skin

}  // namespace kv
