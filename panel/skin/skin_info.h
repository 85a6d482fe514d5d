#pragma once
// SkinInfo: one named skin, with the images it has handed out (its image cache) and its
// font categories.
//
// Images are looked up by name (without its extension, case-sensitive) in the cache first:
// images embedded in the patch are there from the start. Otherwise the image is searched
// for on disk in the skin's folder under the skins root, then in the "default" folder, then
// in the built-in "default" skin; when it is found nowhere the user is told once
// ("Error Loading Image.  Check this file exists: <path>") and the empty image is cached, so
// the same request later answers none without a message.
//
// Font categories come from global.txt (the skin's folder, else the "default" folder, else
// the built-in one) followed by the categories embedded in the patch; the first category of
// a name wins. A missing category answers "System", 12 pixels, white.
//
// Archive record: name, image slots up to a null slot, an int32 count and that many
// category slots. Only the embedded categories and images that hold pixels are written.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/model/doc_class.h"
#include "panel/skin/anim_bitmap.h"
#include "panel/skin/skin_font_info.h"
#include "platform/gfx/geometry.h"

namespace kv {

class SkinManager;
struct SkinFont;

class SkinInfo : public CObject {
  KV_ARCHIVE_CLASS(SkinInfo)
 public:
  SkinInfo() = default;  // for the class table; skins are made by the manager
  SkinInfo(SkinManager* manager, std::string name, int32_t index, bool embedded);
  ~SkinInfo() override;
  void serialize(Archive& ar) override;

  const std::string& name() const { return name_; }
  int32_t index() const { return index_; }
  bool embedded() const { return embedded_; }

  // A new reference to the image, or none when it cannot be had.
  SkinImageRef GetBitmap(const std::string& name, CSkinBitmap::Format format = CSkinBitmap::kColour);
  const SkinFontInfo& GetFontInfo(const std::string& category) const;
  std::shared_ptr<const SkinFont> GetFont(const std::string& category) const;
  gfx::Size GetCharSize(const std::string& category) const;

  // Building an embedded skin: the image joins the cache (replacing one of the same name)
  // and the category the embedded categories.
  void addImage(SkinImageRef image);
  void addFontCategory(const SkinFontInfo& category);

  const std::vector<SkinImageRef>& images() const { return cache_; }
  const std::vector<std::unique_ptr<SkinFontInfo>>& diskCategories() const { return diskFonts_; }
  const std::vector<std::unique_ptr<SkinFontInfo>>& embeddedCategories() const { return embeddedFonts_; }

 private:
  void readFontFile();
  bool searchImage(CAnimBitmap& image, const std::string& name);

  std::string name_;
  int32_t index_ = 0;
  bool embedded_ = false;
  std::vector<SkinImageRef> cache_;
  std::vector<std::unique_ptr<SkinFontInfo>> diskFonts_;
  std::vector<std::unique_ptr<SkinFontInfo>> embeddedFonts_;
  SkinManager* manager_ = nullptr;
};

}  // namespace kv
