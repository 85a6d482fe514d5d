#include "panel/skin/skin_manager.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "document/archive/archive.h"
#include "panel/skin/skin_files.h"
#include "platform/text/text_draw.h"

namespace kv {

namespace fs = std::filesystem;

SkinManager::SkinManager(std::string root, gfx::FontCache* fonts) : root_(std::move(root)), fonts_(fonts) {
  if (!root_.empty() && root_.back() != '/') root_ += '/';
  if (!fonts_) {
    ownFonts_ = std::make_unique<gfx::FontCache>();
    fonts_ = ownFonts_.get();
  }
}

SkinManager::~SkinManager() = default;

SkinInfo* SkinManager::findListed(std::string_view name) const {
  for (const auto& s : skins_)
    if (skin::equalsNoCase(s->name(), name)) return s.get();
  return nullptr;
}

void SkinManager::scanFolders() {
  if (scanned_) return;
  scanned_ = true;
  std::vector<std::string> folders;
  if (!root_.empty()) {
    std::error_code ec;
    for (fs::directory_iterator it(root_, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code ec2;
      if (!it->is_directory(ec2)) continue;
      std::string n = it->path().filename().string();
      if (!n.empty() && n[0] != '.') folders.push_back(std::move(n));
    }
  }
  std::sort(folders.begin(), folders.end());
  for (const std::string& n : folders)
    if (!findListed(n)) skins_.push_back(std::make_unique<SkinInfo>(this, n, nextIndex_++, false));
  if (!findListed("default")) skins_.push_back(std::make_unique<SkinInfo>(this, "default", nextIndex_++, false));
}

SkinInfo* SkinManager::FindSkin(std::string_view name) {
  scanFolders();
  if (SkinInfo* s = findListed(name)) return s;
  if (SkinInfo* s = findListed("default")) return s;
  return skins_.front().get();
}

SkinInfo* SkinManager::SkinAt(int32_t position) {
  scanFolders();
  if (position >= 0 && size_t(position) < skins_.size()) return skins_[size_t(position)].get();
  return FindSkin("default");
}

std::vector<std::string> SkinManager::skinNames() {
  scanFolders();
  std::vector<std::string> names;
  for (const auto& s : skins_) names.push_back(s->name());
  return names;
}

std::optional<std::string> SkinManager::installedFamily(std::string_view name) {
  return fonts_->installed_family(name);
}

std::shared_ptr<const SkinFont> SkinManager::GetFontCache(const SkinFontInfo& category) {
  for (const auto& e : fontCache_)
    if (e->face == category.face && e->size == category.size) return e;
  // Evict the oldest fonts nobody else holds, while the cache is full.
  for (size_t i = fontCache_.size(); i-- > 0 && fontCache_.size() >= kFontCacheSize;)
    if (fontCache_[i].use_count() == 1) fontCache_.erase(fontCache_.begin() + long(i));

  auto e = std::make_shared<SkinFont>();
  e->face = category.face;
  e->size = category.size;
  std::string face = category.face;
  if (face == "serif") face = "Times New Roman";
  else if (face == "sans-serif") face = "Arial";
  else if (face == "cursive") face = "Zapf-Chancery";
  else if (face == "fantasy") face = "Western";
  else if (face == "monospace") face = "Courier New";
  gfx::FontSpec spec;
  spec.face = face;
  spec.height = -std::clamp(category.size, 1, 256);  // a character height, not a cell height
  e->font = fonts_->get(spec);
  gfx::Size m = e->font->extent("M"), eight = e->font->extent("8");
  e->aveCharWidth = (m.cx + eight.cx) / 2;
  e->charHeight = (m.cy + eight.cy) / 2;
  fontCache_.insert(fontCache_.begin(), e);
  return e;
}

std::vector<std::unique_ptr<SkinInfo>> SkinManager::ReadSkins(ArchiveReader& reader) {
  std::vector<std::unique_ptr<SkinInfo>> read;
  uint32_t count = reader.readInt32Count(6);
  for (uint32_t i = 0; i < count; ++i) {
    auto s = std::make_unique<SkinInfo>(this, std::string(), 0, true);
    Archive ar(reader);
    s->serialize(ar);
    read.push_back(std::move(s));
  }
  return read;
}

void SkinManager::adoptSkins(std::vector<std::unique_ptr<SkinInfo>> skins) {
  for (auto& s : skins) {
    bool taken = false;
    for (const auto& held : skins_)
      if (held->embedded() && skin::equalsNoCase(held->name(), s->name())) taken = true;
    if (taken) continue;
    // Embedded skins come before the folders, so a folder never hides one of them.
    auto at = std::find_if(skins_.begin(), skins_.end(), [](const auto& h) { return !h->embedded(); });
    skins_.insert(at, std::move(s));
  }
}

void SkinManager::WriteSkins(ArchiveWriter& writer) {
  writer.writeI32(int32_t(embeddedSkinCount()));
  for (const auto& s : skins_)
    if (s->embedded()) {
      Archive ar(writer);
      s->serialize(ar);
    }
}

size_t SkinManager::embeddedSkinCount() const {
  return size_t(std::count_if(skins_.begin(), skins_.end(), [](const auto& s) { return s->embedded(); }));
}

SkinInfo* SkinManager::addEmbeddedSkin(const std::string& name) {
  for (const auto& s : skins_)
    if (s->embedded() && skin::equalsNoCase(s->name(), name)) return s.get();
  std::vector<std::unique_ptr<SkinInfo>> one;
  one.push_back(std::make_unique<SkinInfo>(this, name, nextIndex_++, true));
  SkinInfo* made = one.back().get();
  adoptSkins(std::move(one));
  return made;
}

}  // namespace kv
