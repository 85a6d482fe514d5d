#pragma once
// SkinTextScope: draws texts of one font category of a skin. For its life the DC uses the
// category's font and colour, the given alignment and transparent text backgrounds; the
// previous font, alignment, colour and background mode come back when it ends.
#include <cstdint>
#include <memory>
#include <string>

#include "panel/skin/skin_info.h"
#include "panel/skin/skin_manager.h"
#include "platform/gfx/dc.h"

namespace kv {

class SkinTextScope {
 public:
  SkinTextScope(SkinInfo* skin, gfx::DC& dc, const std::string& category, uint32_t align)
      : dc_(dc),
        font_(dc.font()),
        align_(dc.text_align()),
        colour_(dc.text_colour()),
        mode_(dc.bk_mode()) {
    if (skin) {
      skinFont_ = skin->GetFont(category);
      if (skinFont_) dc.set_font(skinFont_->font);
      dc.set_text_colour(gfx::Colour::from_ref(skin->GetFontInfo(category).colour));
    }
    dc.set_text_align(align);
    dc.set_bk_mode(gfx::BkMode::transparent);
  }
  ~SkinTextScope() {
    dc_.set_font(font_);
    dc_.set_text_align(align_);
    dc_.set_text_colour(colour_);
    dc_.set_bk_mode(mode_);
  }
  SkinTextScope(const SkinTextScope&) = delete;
  SkinTextScope& operator=(const SkinTextScope&) = delete;

 private:
  gfx::DC& dc_;
  std::shared_ptr<const gfx::Font> font_;
  uint32_t align_;
  gfx::Colour colour_;
  gfx::BkMode mode_;
  std::shared_ptr<const SkinFont> skinFont_;  // keeps the cached font in use while drawing
};

}  // namespace kv
