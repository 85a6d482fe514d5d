#pragma once
// SkinManager: the skins of one application (one plug-in instance) and the fonts they use.
//
// The list holds the skins embedded in the patch first, then the skin folders found under
// the skins root (the "skins/" folder beside the library), then the "default" skin, which
// always exists (from its folder or built into the program): FindSkin never answers none.
// A skin embedded in the patch is never displaced by a folder of the same name; a second
// embedded skin of a name already embedded is dropped.
//
// Fonts are cached by face and size, at most 11 at a time while the cached fonts are free:
// a font still held by a control is never evicted (the cache grows instead).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/archive/archive_reader.h"
#include "document/archive/archive_writer.h"
#include "panel/skin/skin_info.h"
#include "platform/text/font_cache.h"

namespace kv {

struct SkinFont {
  std::string face;  // as asked for (generic names included)
  int32_t size = 0;
  std::shared_ptr<const gfx::Font> font;
  int32_t aveCharWidth = 0;  // average of the extents of "M" and "8"
  int32_t charHeight = 0;
};

class SkinManager {
 public:
  static constexpr size_t kFontCacheSize = 11;

  // `root`: the skins root ("" for none: only the built-in "default" skin); `fonts`: the
  // application's font cache (the manager makes its own when none is given).
  explicit SkinManager(std::string root = skin::defaultSkinsRoot(), gfx::FontCache* fonts = nullptr);
  ~SkinManager();
  SkinManager(const SkinManager&) = delete;
  SkinManager& operator=(const SkinManager&) = delete;

  const std::string& root() const { return root_; }
  gfx::FontCache& fonts() { return *fonts_; }

  // The skin of that name (without regard to case), else "default". Never null.
  SkinInfo* FindSkin(std::string_view name);
  // The skin at a position of the list, else FindSkin("default").
  SkinInfo* SkinAt(int32_t position);
  // Names for the "Skin" choice, in list order.
  std::vector<std::string> skinNames();

  std::shared_ptr<const SkinFont> GetFontCache(const SkinFontInfo& category);
  size_t cachedFontCount() const { return fontCache_.size(); }
  std::optional<std::string> installedFamily(std::string_view name);

  // The skin list of a patch: an int32 count, then that many skin records. Reads into new
  // skins without changing the manager (so a failed load leaves it as it was); adoptSkins()
  // then adds them once the load has succeeded.
  std::vector<std::unique_ptr<SkinInfo>> ReadSkins(ArchiveReader& reader);
  void adoptSkins(std::vector<std::unique_ptr<SkinInfo>> skins);
  // Writes the embedded skins as a skin list.
  void WriteSkins(ArchiveWriter& writer);
  size_t embeddedSkinCount() const;

  // A new empty embedded skin (or the embedded skin of that name), for building a patch.
  SkinInfo* addEmbeddedSkin(const std::string& name);

 private:
  void scanFolders();
  SkinInfo* findListed(std::string_view name) const;

  std::string root_;
  std::unique_ptr<gfx::FontCache> ownFonts_;
  gfx::FontCache* fonts_;
  std::vector<std::unique_ptr<SkinInfo>> skins_;
  std::vector<std::shared_ptr<SkinFont>> fontCache_;  // newest first
  bool scanned_ = false;
  int32_t nextIndex_ = 0;
};

}  // namespace kv
